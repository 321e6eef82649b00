// Quorvane.exe started as a browser process and as a child process, read back from the
// stand-in's event log.
#include <gtest/gtest.h>

#include "wine/harness.h"

namespace {

using harness::Json;
using harness::Launch;
using harness::Result;
using harness::View;

const char kGpuKey[] = "HKLM\\Software\\Orvex Systems, Inc.\\Tandu Teams";
const char kGpuValue[] = "ForceDisableGPURenderingCEF";

const std::vector<std::string> kSwitchesWithoutGpu = {"--disable-gpu-shader-disk-cache",
                                                      "--winhttp-proxy-resolver"};
const std::vector<std::string> kSwitchesWithGpu = {
    "--disable-gpu-shader-disk-cache", "--disable-gpu-compositing", "--winhttp-proxy-resolver"};

TEST(BrowserProcess, InitialisesCefWithTheFixedSettings) {
  Result r = harness::runQuorvane({{"C:\\Program Files\\Tandu"}, {{"LC_ALL", "de_DE.UTF-8"}}, ""});
  EXPECT_EQ(r.exitCode, 0) << r.output;

  // High-DPI support comes before anything else CEF is asked.
  ASSERT_FALSE(r.events.empty());
  EXPECT_EQ(r.events.front()["event"], "CefEnableHighDPISupport");
  EXPECT_EQ(r.only("CefExecuteProcess")["process_type"], "");

  Json init = r.only("CefInitialize");
  EXPECT_EQ(init["sandbox_info"], false);
  const Json& s = init["settings"];
  EXPECT_EQ(s["locale"], "de_DE");
  EXPECT_EQ(s["accept_language_list"], "de-DE");
  EXPECT_EQ(s["log_severity"], 99);
  EXPECT_EQ(s["remote_debugging_port"], 0);
  EXPECT_EQ(s["multi_threaded_message_loop"], 1);
  EXPECT_EQ(s["windowless_rendering_enabled"], 1);
  EXPECT_EQ(s["command_line_args_disabled"], 1);
  EXPECT_EQ(s["no_sandbox"], 0);
  EXPECT_EQ(s["external_message_pump"], 0);
  EXPECT_EQ(s["user_data_path"], "");
  EXPECT_EQ(s["cache_path"], "");
  EXPECT_EQ(s["browser_subprocess_path"], "");

  EXPECT_EQ(r.only("OnBeforeCommandLineProcessing")["process_type"], "");
  EXPECT_EQ(r.only("OnRegisterCustomSchemes")["schemes"],
            Json::parse(R"([{"name":"qrc","options":1}])"));
  EXPECT_EQ(r.only("OnBeforeChildProcessLaunch")["program"],
            "C:\\Program Files\\Tandu\\dependencies\\Quorvane.exe");
}

TEST(BrowserProcess, EnglishInterfaceGivesEnUs) {
  Launch launch;
  launch.env["LC_ALL"] = "en_US.UTF-8";
  Result r = harness::runQuorvane(launch);
  Json s = r.only("CefInitialize")["settings"];
  EXPECT_EQ(s["locale"], "en_US");
  EXPECT_EQ(s["accept_language_list"], "en-US");
}

TEST(ChildProcess, RunsTheHooksAndExitsWithZeroWhateverCefReturns) {
  Result r =
      harness::runQuorvane({{"C:\\X", "--type=gpu-process"}, {{"CEF_STANDIN_EXIT_CODE", "7"}}, ""});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.only("CefExecuteProcess")["process_type"], "gpu-process");
  EXPECT_EQ(r.only("ChildProcessEnded")["exit_code"], 7);
  Json hook = r.only("OnBeforeCommandLineProcessing");
  EXPECT_EQ(hook["process_type"], "gpu-process");
  EXPECT_EQ(hook["switches"], kSwitchesWithoutGpu);
  EXPECT_EQ(r.only("OnRegisterCustomSchemes")["schemes"],
            Json::parse(R"([{"name":"qrc","options":1}])"));
  // A child never initialises CEF itself.
  EXPECT_TRUE(r.named("CefInitialize").empty());
}

TEST(ChildProcess, ACrashpadHandlerRunsNoHooksAndStillExitsWithZero) {
  Result r = harness::runQuorvane(
      {{"C:\\X", "--type=crashpad-handler"}, {{"CEF_STANDIN_EXIT_CODE", "3"}}, ""});
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.only("ChildProcessEnded")["exit_code"], 3);
  // CEF runs the crash reporter's handler before any application hook.
  EXPECT_TRUE(r.named("OnBeforeCommandLineProcessing").empty());
  EXPECT_TRUE(r.named("OnRegisterCustomSchemes").empty());
}

// The installation directory is the first argument exactly as given, joined without
// adding or removing a separator.
struct InstallDirCase {
  std::vector<std::string> args;
  std::string program;
};

class InstallDir : public testing::TestWithParam<InstallDirCase> {};

TEST_P(InstallDir, ChildProgramIsBelowIt) {
  Result r = harness::runQuorvane({GetParam().args, {}, ""});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.only("OnBeforeChildProcessLaunch")["program"], GetParam().program);
}

INSTANTIATE_TEST_SUITE_P(
    Paths,
    InstallDir,
    testing::Values(
        InstallDirCase{{"C:\\Apps\\Tandu"}, "C:\\Apps\\Tandu\\dependencies\\Quorvane.exe"},
        InstallDirCase{{"C:\\Apps\\Tandu\\"}, "C:\\Apps\\Tandu\\\\dependencies\\Quorvane.exe"},
        InstallDirCase{{""}, "\\dependencies\\Quorvane.exe"},
        InstallDirCase{{}, "\\dependencies\\Quorvane.exe"},
        // Non-ASCII reaches the application object as UTF-8.
        InstallDirCase{{"C:\\Programme\\Tändu Ünïcode ✓ 日本"},
                       "C:\\Programme\\Tändu Ünïcode ✓ 日本\\dependencies\\Quorvane.exe"}));

// ForceDisableGPURenderingCEF in the machine's registry, as this 32-bit program sees it.
struct GpuValueCase {
  const char* name;
  const char* type;  // empty: no value at all
  const char* data;
  View view;
  bool disablesCompositing;
};

class GpuCompositingPolicy : public testing::TestWithParam<GpuValueCase> {
 protected:
  void SetUp() override { clear(); }
  void TearDown() override { clear(); }
  static void clear() {
    harness::regDeleteKey(kGpuKey, View::k32);
    harness::regDeleteKey(kGpuKey, View::k64);
  }
};

TEST_P(GpuCompositingPolicy, DecidesTheSwitchInEveryProcess) {
  const GpuValueCase& c = GetParam();
  if (*c.type) {
    harness::regAdd(kGpuKey, kGpuValue, c.type, c.data, c.view);
  }
  const auto& expected = c.disablesCompositing ? kSwitchesWithGpu : kSwitchesWithoutGpu;

  Result child = harness::runQuorvane({{"C:\\X", "--type=renderer"}, {}, ""});
  EXPECT_EQ(child.only("OnBeforeCommandLineProcessing")["switches"], expected);

  Result browser = harness::runQuorvane({{"C:\\X"}, {}, ""});
  EXPECT_EQ(browser.only("OnBeforeCommandLineProcessing")["switches"], expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values,
    GpuCompositingPolicy,
    testing::Values(GpuValueCase{"Absent", "", "", View::k32, false},
                    GpuValueCase{"Dword1", "REG_DWORD", "1", View::k32, true},
                    GpuValueCase{"Dword0", "REG_DWORD", "0", View::k32, false},
                    GpuValueCase{"DwordMax", "REG_DWORD", "0x7fffffff", View::k32, true},
                    GpuValueCase{"DwordTopBit", "REG_DWORD", "0x80000000", View::k32, false},
                    GpuValueCase{"DwordAllOnes", "REG_DWORD", "0xffffffff", View::k32, false},
                    GpuValueCase{"Qword5", "REG_QWORD", "5", View::k32, true},
                    GpuValueCase{"QwordLowHalfZero", "REG_QWORD", "0x100000000", View::k32, false},
                    GpuValueCase{"String1", "REG_SZ", "1", View::k32, false},
                    GpuValueCase{"Only64BitView", "REG_DWORD", "1", View::k64, false}),
    [](const testing::TestParamInfo<GpuValueCase>& info) { return info.param.name; });

}  // namespace
