// The start-up yardstick: a Windows GUI program that does nothing, built with the
// executable's own toolchain and flags.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return 0;
}
