#include "win32/registry.h"

#include <windows.h>

namespace win32 {

std::optional<int32_t> ReadRegistryInt(const std::wstring& keyPath, const std::wstring& valueName) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  // Type and size first; only integer types are read.
  DWORD type = 0;
  DWORD size = 0;
  LONG status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size);
  if (status != ERROR_SUCCESS || (type != REG_DWORD && type != REG_QWORD)) {
    RegCloseKey(key);
    return std::nullopt;
  }
  // A REG_QWORD is read whole and its low half kept.
  uint64_t data = 0;
  size = type == REG_DWORD ? sizeof(DWORD) : sizeof(uint64_t);
  status = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data),
                            &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return static_cast<int32_t>(static_cast<uint32_t>(data & 0xFFFFFFFFu));
}

}  // namespace win32
