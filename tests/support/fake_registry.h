// A registry in memory for the unit tests: stands in for win32::ReadRegistryInt,
// which only the Windows executable links.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace fake_registry {

// Sets (or, with no value, removes) what ReadRegistryInt answers for this key and value.
void set(const std::wstring& keyPath, const std::wstring& valueName, std::optional<int32_t> value);
void clear();
// How many times ReadRegistryInt has been called since the last clear().
int reads();

}  // namespace fake_registry
