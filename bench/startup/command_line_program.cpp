// The second yardstick: an empty GUI program that splits its command line with
// CommandLineToArgvW, as every entry point built on the platform's command-line split
// does. That one call brings in shell32 and, with it, user32 and gdi32.
#include <windows.h>

#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  LocalFree(arguments);
  return 0;
}
