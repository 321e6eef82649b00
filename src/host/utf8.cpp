#include "host/utf8.h"

#include <windows.h>

#include <cwchar>
#include <vector>

std::string toUtf8(const std::wstring& text) {
  const int length = static_cast<int>(std::wcslen(text.c_str()));
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) {
    return std::string();
  }
  std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, buffer.data(), size, nullptr, nullptr);
  return std::string(buffer.data());
}
