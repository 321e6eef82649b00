#include "support/fake_registry.h"

#include <map>
#include <mutex>
#include <utility>

#include "win32/registry.h"

namespace {

std::mutex gMutex;
std::map<std::pair<std::wstring, std::wstring>, int32_t> gValues;
int gReads = 0;

}  // namespace

namespace fake_registry {

void set(const std::wstring& keyPath, const std::wstring& valueName, std::optional<int32_t> value) {
  std::lock_guard<std::mutex> lock(gMutex);
  if (value) {
    gValues[{keyPath, valueName}] = *value;
  } else {
    gValues.erase({keyPath, valueName});
  }
}

void clear() {
  std::lock_guard<std::mutex> lock(gMutex);
  gValues.clear();
  gReads = 0;
}

int reads() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gReads;
}

}  // namespace fake_registry

namespace win32 {

std::optional<int32_t> ReadRegistryInt(const std::wstring& keyPath, const std::wstring& valueName) {
  std::lock_guard<std::mutex> lock(gMutex);
  ++gReads;
  auto found = gValues.find({keyPath, valueName});
  if (found == gValues.end()) {
    return std::nullopt;
  }
  return found->second;
}

}  // namespace win32
