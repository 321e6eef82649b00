// The entry point of Quorvane.exe, in every process CEF starts and as browser process.
#include <windows.h>

#include <shellapi.h>

#include <memory>

#include "host/bootstrap.h"
#include "host/parent_watchdog.h"

int WINAPI wWinMain(HINSTANCE /*instance*/,
                    HINSTANCE /*previous*/,
                    PWSTR /*commandLine*/,
                    int /*showCommand*/) {
  int argc = 0;
  // Kept for the life of the process. A command line that cannot be split is taken as
  // one without arguments.
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) {
    argc = 0;
  }

  std::shared_ptr<IProcessMonitor> watchdog = watchParentProcess();
  bootstrapCef(argc, argv, std::string());
  watchdog.reset();
  return 0;
}
