// CEF's process entry points as the stand-in plays them: a child process runs the
// application's start-up hooks and then its work; a browser process logs its settings,
// runs the browser-process hooks and, on its UI thread, launches one renderer (on paper).
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

#include "base/command_line.h"
#include "base/event_log.h"
#include "base/platform.h"
#include "include/cef_app.h"
#include "process/browser_context.h"
#include "runtime/renderer.h"
#include "v8/uncaught_exception.h"

namespace cef_standin {
namespace {

class SchemeRegistrar : public CefSchemeRegistrar {
 public:
  // Logged as given; as in CEF, a name (in any letter case) is registered only once.
  bool AddCustomScheme(const CefString& scheme_name, int options) override {
    schemes_.push_back({{"name", scheme_name.ToString()}, {"options", options}});
    std::string lower = scheme_name.ToString();
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return registered_.insert(lower).second;
  }
  const nlohmann::json& schemes() const { return schemes_; }

 private:
  nlohmann::json schemes_ = nlohmann::json::array();
  std::set<std::string> registered_;
};

long EnvNumber(const char* name, long fallback) {
  std::optional<std::string> value = GetEnv(name);
  if (!value || value->empty()) {
    return fallback;
  }
  char* end = nullptr;
  long number = std::strtol(value->c_str(), &end, 10);
  return *end == '\0' ? number : fallback;
}

std::string Text(const cef_string_t& field) {
  return CefString(&field).ToString();
}

nlohmann::json SettingsJson(const CefSettings& s) {
  return {
      {"no_sandbox", s.no_sandbox},
      {"browser_subprocess_path", Text(s.browser_subprocess_path)},
      {"multi_threaded_message_loop", s.multi_threaded_message_loop},
      {"external_message_pump", s.external_message_pump},
      {"windowless_rendering_enabled", s.windowless_rendering_enabled},
      {"command_line_args_disabled", s.command_line_args_disabled},
      {"cache_path", Text(s.cache_path)},
      {"root_cache_path", Text(s.root_cache_path)},
      {"user_data_path", Text(s.user_data_path)},
      {"locale", Text(s.locale)},
      {"log_file", Text(s.log_file)},
      {"log_severity", static_cast<int>(s.log_severity)},
      {"remote_debugging_port", s.remote_debugging_port},
      {"accept_language_list", Text(s.accept_language_list)},
  };
}

// The start-up hooks CEF calls in every process.
void RunStartupHooks(CefRefPtr<CefApp> app, const std::string& processType) {
  if (!app) {
    return;
  }
  CefRefPtr<CommandLine> commandLine = new CommandLine();
  commandLine->InitFromTokens(ProcessArguments());
  app->OnBeforeCommandLineProcessing(processType, commandLine.get());
  LogEvent({{"event", "OnBeforeCommandLineProcessing"},
            {"process_type", processType},
            {"switches", commandLine->appended()},
            {"command_line", commandLine->GetCommandLineString().ToString()}});
  commandLine->Detach();  // CEF takes it back from the application

  SchemeRegistrar registrar;
  app->OnRegisterCustomSchemes(&registrar);
  LogEvent({{"event", "OnRegisterCustomSchemes"}, {"schemes", registrar.schemes()}});
}

// On the UI thread: the context is ready, and the first renderer is launched.
void OnContextInitialized(CefRefPtr<CefApp> app) {
  CefRefPtr<CefBrowserProcessHandler> handler = app ? app->GetBrowserProcessHandler() : nullptr;
  if (!handler) {
    return;
  }
  handler->OnContextInitialized();
  LogEvent({{"event", "OnContextInitialized"}});

  // The first renderer: this executable again, with the process type CEF gives it.
  CefRefPtr<CommandLine> child = new CommandLine();
  child->InitFromTokens({ExecutablePath(), u"--type=renderer"});
  // The renderer is told how deep a stack its uncaught exceptions carry.
  if (const int frames = UncaughtExceptionStackSize(); frames > 0) {
    child->AppendSwitchWithValue("uncaught-exception-stack-size", std::to_string(frames));
  }
  handler->OnBeforeChildProcessLaunch(child.get());
  LogEvent({{"event", "OnBeforeChildProcessLaunch"},
            {"program", child->GetProgram().ToString()},
            {"command_line", child->GetCommandLineString().ToString()}});
  child->Detach();
}

std::string ProcessType() {
  CefRefPtr<CommandLine> commandLine = new CommandLine();
  commandLine->InitFromTokens(ProcessArguments());
  return commandLine->GetSwitchValue("type").ToString();
}

}  // namespace
}  // namespace cef_standin

using namespace cef_standin;

void CefEnableHighDPISupport() {
  LogEvent({{"event", "CefEnableHighDPISupport"}});
}

int CefExecuteProcess(const CefMainArgs& args,
                      CefRefPtr<CefApp> application,
                      void* windows_sandbox_info) {
#ifndef _WIN32
  SetProcessArguments(args.argc, args.argv);
#else
  (void)args;
#endif
  const std::string type = ProcessType();
  LogEvent({{"event", "CefExecuteProcess"},
            {"process_type", type},
            {"sandbox_info", windows_sandbox_info != nullptr}});
  if (type.empty()) {
    return -1;
  }
  // The crash reporter's handler runs before any of CEF's start-up: no hooks there.
  if (type != "crashpad-handler") {
    RunStartupHooks(application, type);
  }
  if (type == "renderer") {
    RunRenderer(application);
  } else {
    SleepMilliseconds(EnvNumber("CEF_STANDIN_CHILD_MS", 0));
  }
  const int exitCode = static_cast<int>(EnvNumber("CEF_STANDIN_EXIT_CODE", 0));
  LogEvent({{"event", "ChildProcessEnded"}, {"process_type", type}, {"exit_code", exitCode}});
  return exitCode;
}

bool CefInitialize(const CefMainArgs& args,
                   const CefSettings& settings,
                   CefRefPtr<CefApp> application,
                   void* windows_sandbox_info) {
  (void)args;
  LogEvent({{"event", "CefInitialize"},
            {"settings", SettingsJson(settings)},
            {"sandbox_info", windows_sandbox_info != nullptr}});
  // A second call while CEF runs changes nothing.
  if (BrowserContextRunning()) {
    return true;
  }
  RunStartupHooks(application, "");
  SetBrowserUncaughtExceptionStackSize(settings.uncaught_exception_stack_size);
  StartBrowserContext(application, settings.multi_threaded_message_loop != 0);
  // CEF posts the rest to its UI thread; the stand-in waits until it has run there, one
  // of the orders CEF allows.
  RunOnUiThread([application] { OnContextInitialized(application); });
  return true;
}
