// Reading machine-wide registry values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace win32 {

// Reads an integer value below HKEY_LOCAL_MACHINE, in the registry view of this
// process's own bitness. A REG_DWORD gives its 32 bits, a REG_QWORD its low 32 bits;
// anything else (missing key or value, another type, a failed read) gives nothing.
std::optional<int32_t> ReadRegistryInt(const std::wstring& keyPath, const std::wstring& valueName);

}  // namespace win32
