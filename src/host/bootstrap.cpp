#include "host/bootstrap.h"

#include <windows.h>

#include "cef/ZeltoCefApp.h"
#include "host/remote_debugging.h"
#include "host/ui_language.h"
#include "host/utf8.h"
#include "include/cef_app.h"

using EmbeddedBrowser::CEF::Core::ZeltoCefApp;

namespace {

// The browser process's fixed settings; CefSettings starts zero-filled.
void fillBrowserSettings(CefSettings& settings, const std::string& userDataPath) {
  settings.multi_threaded_message_loop = 1;
  settings.windowless_rendering_enabled = 1;
  settings.command_line_args_disabled = 1;
  settings.log_severity = LOGSEVERITY_DISABLE;

  const UiLanguageTexts language = userUiLanguageTexts();
  CefString(&settings.locale) = language.locale;
  CefString(&settings.accept_language_list) = language.acceptLanguage;
  if (!userDataPath.empty()) {
    CefString(&settings.user_data_path) = userDataPath;
  }
  settings.remote_debugging_port = remoteDebuggingPort();
}

}  // namespace

void bootstrapCef(int argc, wchar_t** argv, const std::string& userDataPath) {
  CefEnableHighDPISupport();
  CefMainArgs mainArgs(GetModuleHandleW(nullptr));

  // The first argument names the installation directory, in every process type.
  const std::string installDir = argc >= 2 ? toUtf8(argv[1]) : std::string();
  CefRefPtr<ZeltoCefApp> app = new ZeltoCefApp(installDir);

  // A child process runs to its end inside this call.
  if (CefExecuteProcess(mainArgs, app.get(), nullptr) >= 0) {
    return;
  }

  CefSettings settings;
  fillBrowserSettings(settings, userDataPath);
  CefInitialize(mainArgs, settings, app.get(), nullptr);
}
