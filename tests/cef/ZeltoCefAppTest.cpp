// The application object's own count and the hooks CEF calls at process start.
#include "cef/ZeltoCefApp.h"

#include <gtest/gtest.h>

#include "support/fake_registry.h"

namespace {

using EmbeddedBrowser::CEF::Core::ZeltoCefApp;

const wchar_t kGpuKey[] = L"Software\\Orvex Systems, Inc.\\Tandu Teams";
const wchar_t kGpuValue[] = L"ForceDisableGPURenderingCEF";

std::vector<std::string> argvOf(CefRefPtr<CefCommandLine> commandLine) {
  std::vector<CefString> argv;
  commandLine->GetArgv(argv);
  std::vector<std::string> text;
  for (size_t i = 1; i < argv.size(); ++i) {
    text.push_back(argv[i].ToString());
  }
  return text;
}

class RecordingRegistrar : public CefSchemeRegistrar {
 public:
  bool AddCustomScheme(const CefString& scheme_name, int options) override {
    added.emplace_back(scheme_name.ToString(), options);
    return false;  // the result is not looked at
  }
  std::vector<std::pair<std::string, int>> added;
};

class ZeltoCefAppTest : public testing::Test {
 protected:
  void SetUp() override { fake_registry::clear(); }
  void TearDown() override { fake_registry::clear(); }
};

TEST_F(ZeltoCefAppTest, CountsReferencesAndDeletesItselfWithTheLast) {
  ZeltoCefApp* app = new ZeltoCefApp("C:\\X");
  EXPECT_FALSE(app->HasAtLeastOneRef());
  app->AddRef();
  EXPECT_TRUE(app->HasOneRef());
  EXPECT_TRUE(app->HasAtLeastOneRef());
  app->AddRef();
  EXPECT_FALSE(app->HasOneRef());
  EXPECT_FALSE(app->Release());
  EXPECT_TRUE(app->HasOneRef());
  EXPECT_TRUE(app->Release());  // deleted here; ASan would report a leak or a double delete
}

TEST_F(ZeltoCefAppTest, HandlerGettersReturnThisObjectWithANewReference) {
  CefRefPtr<ZeltoCefApp> app = new ZeltoCefApp("C:\\X");
  ASSERT_TRUE(app->HasOneRef());
  CefRefPtr<CefBrowserProcessHandler> browser = app->GetBrowserProcessHandler();
  EXPECT_EQ(browser.get(), static_cast<CefBrowserProcessHandler*>(app.get()));
  EXPECT_FALSE(app->HasOneRef());
  CefRefPtr<CefRenderProcessHandler> renderer = app->GetRenderProcessHandler();
  EXPECT_EQ(renderer.get(), static_cast<CefRenderProcessHandler*>(app.get()));
  browser = nullptr;
  renderer = nullptr;
  EXPECT_TRUE(app->HasOneRef());
}

TEST_F(ZeltoCefAppTest, RegistersQrcAsAStandardScheme) {
  CefRefPtr<ZeltoCefApp> app = new ZeltoCefApp("");
  RecordingRegistrar registrar;
  app->OnRegisterCustomSchemes(&registrar);
  ASSERT_EQ(registrar.added.size(), 1u);
  EXPECT_EQ(registrar.added[0], std::make_pair(std::string("qrc"), 1));
}

TEST_F(ZeltoCefAppTest, ChildProgramIsTheInstallDirJoinedAsGiven) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Tandu", "C:\\Tandu\\dependencies\\Quorvane.exe"},
      {"C:\\Tandu\\", "C:\\Tandu\\\\dependencies\\Quorvane.exe"},
      {"", "\\dependencies\\Quorvane.exe"},
      {"C:/mixed/../Tändu", "C:/mixed/../Tändu\\dependencies\\Quorvane.exe"},
  };
  for (const auto& [installDir, program] : cases) {
    CefRefPtr<ZeltoCefApp> app = new ZeltoCefApp(installDir);
    CefRefPtr<CefCommandLine> child = CefCommandLine::CreateCommandLine();
    child->InitFromString("C:\\chromium\\renderer.exe --type=renderer --lang=de");
    app->OnBeforeChildProcessLaunch(child);
    EXPECT_EQ(child->GetProgram().ToString(), program) << installDir;
    // Nothing but the program changes.
    EXPECT_EQ(argvOf(child), (std::vector<std::string>{"--type=renderer", "--lang=de"}));
  }
}

TEST_F(ZeltoCefAppTest, SwitchesFollowTheGpuPolicyAndAreReadAfreshEachTime) {
  CefRefPtr<ZeltoCefApp> app = new ZeltoCefApp("C:\\X");
  const std::vector<std::string> without = {"--disable-gpu-shader-disk-cache",
                                            "--winhttp-proxy-resolver"};
  const std::vector<std::string> with = {"--disable-gpu-shader-disk-cache",
                                         "--disable-gpu-compositing", "--winhttp-proxy-resolver"};
  const std::pair<std::optional<int32_t>, bool> values[] = {
      {std::nullopt, false}, {1, true},   {0, false}, {INT32_MAX, true},
      {INT32_MIN, false},    {-1, false}, {2, true},
  };
  int reads = 0;
  for (const auto& [value, disables] : values) {
    fake_registry::set(kGpuKey, kGpuValue, value);
    // The process type plays no part.
    for (const char* type : {"", "renderer", "gpu-process"}) {
      CefRefPtr<CefCommandLine> commandLine = CefCommandLine::CreateCommandLine();
      app->OnBeforeCommandLineProcessing(type, commandLine);
      EXPECT_EQ(argvOf(commandLine), disables ? with : without)
          << "value " << (value ? std::to_string(*value) : "absent") << ", type " << type;
      EXPECT_TRUE(commandLine->HasSwitch("disable-gpu-shader-disk-cache"));
      EXPECT_EQ(fake_registry::reads(), ++reads);
    }
  }
}

}  // namespace
