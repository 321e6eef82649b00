// The machine-wide switch for CEF's remote-debugging port, read by a browser process only.
#include <gtest/gtest.h>

#include "wine/harness.h"

namespace {

using harness::Launch;
using harness::Result;
using harness::View;

const char kKey[] = "HKLM\\Software\\Orvex Zelto Native";
const char kUserKey[] = "HKCU\\Software\\Orvex Zelto Native";
const char kValue[] = "EnableEmbeddedAppDebug";

struct DebugValueCase {
  const char* name;
  const char* key;
  const char* type;  // empty: no value at all
  const char* data;
  View view;
  int port;
};

class RemoteDebuggingSwitch : public testing::TestWithParam<DebugValueCase> {
 protected:
  void SetUp() override { clear(); }
  void TearDown() override { clear(); }
  static void clear() {
    for (View view : {View::k32, View::k64}) {
      harness::regDeleteKey(kKey, view);
      harness::regDeleteKey(kUserKey, view);
    }
  }
};

TEST_P(RemoteDebuggingSwitch, SetsThePortOfTheBrowserProcess) {
  const DebugValueCase& c = GetParam();
  if (*c.type) {
    harness::regAdd(c.key, kValue, c.type, c.data, c.view);
  }
  Result r = harness::runQuorvane({{"C:\\X"}, {}, ""});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.only("CefInitialize")["settings"]["remote_debugging_port"], c.port);
}

INSTANTIATE_TEST_SUITE_P(
    Values,
    RemoteDebuggingSwitch,
    testing::Values(DebugValueCase{"Absent", kKey, "", "", View::k32, 0},
                    DebugValueCase{"Dword1", kKey, "REG_DWORD", "1", View::k32, 7777},
                    DebugValueCase{"Dword0", kKey, "REG_DWORD", "0", View::k32, 0},
                    DebugValueCase{"Dword2", kKey, "REG_DWORD", "2", View::k32, 0},
                    DebugValueCase{"String1", kKey, "REG_SZ", "1", View::k32, 0},
                    DebugValueCase{"Qword1", kKey, "REG_QWORD", "1", View::k32, 0},
                    DebugValueCase{"PerUserKeyOnly", kUserKey, "REG_DWORD", "1", View::k32, 0},
                    DebugValueCase{"Only64BitView", kKey, "REG_DWORD", "1", View::k64, 0}),
    [](const testing::TestParamInfo<DebugValueCase>& info) { return info.param.name; });

// Wine's registry trace shows which registry calls a process makes, with their flags.
Result runTracingRegistry(std::vector<std::string> args) {
  Launch launch;
  launch.args = std::move(args);
  launch.env["WINEDEBUG"] = "trace+reg";
  return harness::runQuorvane(launch);
}

TEST(RegistryReads, BrowserAsksForADwordOnlyAndOpensKeysForReading) {
  Result r = runTracingRegistry({"C:\\X"});
  // RRF_RT_REG_DWORD (0x10) alone, no type output, in this process's own view.
  EXPECT_NE(r.output.find("RegGetValueW (80000002,L\"Software\\\\Orvex Zelto Native\","
                          "L\"EnableEmbeddedAppDebug\",16,00000000,"),
            std::string::npos)
      << r.output;
  // KEY_READ (0x20019) alone for the GPU policy key.
  EXPECT_NE(r.output.find("L\"Software\\\\Orvex Systems, Inc.\\\\Tandu Teams\",20019,"),
            std::string::npos)
      << r.output;
}

TEST(RegistryReads, ChildProcessesNeverReadTheDebugSwitch) {
  for (const char* type : {"--type=renderer", "--type=gpu-process", "--type=utility"}) {
    Result r = runTracingRegistry({"C:\\X", type});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output.find("EnableEmbeddedAppDebug"), std::string::npos) << type;
    // ...while the GPU policy is read in every process.
    EXPECT_NE(r.output.find("Tandu Teams"), std::string::npos) << type;
  }
}

}  // namespace
