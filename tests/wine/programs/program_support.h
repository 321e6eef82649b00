// Small helpers shared by the test programs that play a parent of Quorvane.exe.
#pragma once

#include <windows.h>

#include <string>

namespace program_support {

// One command-line argument, quoted when it holds a space or a tab. The tests pass no
// argument with quotes of its own.
inline std::wstring quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t") == std::wstring::npos) {
    return argument;
  }
  return L"\"" + argument + L"\"";
}

// The arguments from `first` on, joined into one command line.
inline std::wstring joinArguments(int argc, wchar_t** argv, int first) {
  std::wstring line;
  for (int i = first; i < argc; ++i) {
    if (!line.empty()) {
      line += L' ';
    }
    line += quoted(argv[i]);
  }
  return line;
}

// A Unix absolute path as Wine sees it (drive Z: is the Unix root); others unchanged.
inline std::wstring windowsPath(std::wstring path) {
  if (!path.empty() && path[0] == L'/') {
    for (wchar_t& c : path) {
      if (c == L'/') {
        c = L'\\';
      }
    }
    path = L"Z:" + path;
  }
  return path;
}

}  // namespace program_support
