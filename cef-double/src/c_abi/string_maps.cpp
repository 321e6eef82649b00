// CEF's string maps and multimaps as the double offers them: keys in CEF's string order
// (that of cef_string_utf16_cmp), values as appended.
#include <map>
#include <string>

#include "half.h"
#include "include/internal/cef_string_map.h"
#include "include/internal/cef_string_multimap.h"

namespace cef_double {
namespace {

struct CefOrder {
  bool operator()(const std::u16string& a, const std::u16string& b) const {
    return CompareUtf16(a.data(), a.size(), b.data(), b.size()) < 0;
  }
};

using Map = std::map<std::u16string, std::u16string, CefOrder>;
using Multimap = std::multimap<std::u16string, std::u16string, CefOrder>;

template <class M>
M* Of(void* handle) {
  return static_cast<M*>(handle);
}

// The key or value at a position in the map's order.
template <class M>
int At(void* handle, size_t index, cef_string_t* out, bool key) {
  M* map = Of<M>(handle);
  if (!map || !out || index >= map->size()) {
    return 0;
  }
  auto it = map->begin();
  std::advance(it, static_cast<std::ptrdiff_t>(index));
  Assign(out, key ? it->first : it->second);
  return 1;
}

}  // namespace
}  // namespace cef_double

using cef_double::At;
using cef_double::Map;
using cef_double::Multimap;
using cef_double::Of;

extern "C" {

CEF_EXPORT cef_string_map_t cef_string_map_alloc() {
  return new Map();
}
CEF_EXPORT size_t cef_string_map_size(cef_string_map_t map) {
  return map ? Of<Map>(map)->size() : 0;
}
CEF_EXPORT int cef_string_map_find(cef_string_map_t map,
                                   const cef_string_t* key,
                                   cef_string_t* value) {
  if (!map || !value) {
    return 0;
  }
  auto found = Of<Map>(map)->find(cef_double::In(key));
  if (found == Of<Map>(map)->end()) {
    return 0;
  }
  cef_double::Assign(value, found->second);
  return 1;
}
CEF_EXPORT int cef_string_map_key(cef_string_map_t map, size_t index, cef_string_t* key) {
  return At<Map>(map, index, key, true);
}
CEF_EXPORT int cef_string_map_value(cef_string_map_t map, size_t index, cef_string_t* value) {
  return At<Map>(map, index, value, false);
}
// As CEF: a key already there keeps its value.
CEF_EXPORT int cef_string_map_append(cef_string_map_t map,
                                     const cef_string_t* key,
                                     const cef_string_t* value) {
  if (!map) {
    return 0;
  }
  Of<Map>(map)->emplace(cef_double::In(key), cef_double::In(value));
  return 1;
}
CEF_EXPORT void cef_string_map_clear(cef_string_map_t map) {
  if (map) {
    Of<Map>(map)->clear();
  }
}
CEF_EXPORT void cef_string_map_free(cef_string_map_t map) {
  delete Of<Map>(map);
}

CEF_EXPORT cef_string_multimap_t cef_string_multimap_alloc() {
  return new Multimap();
}
CEF_EXPORT size_t cef_string_multimap_size(cef_string_multimap_t map) {
  return map ? Of<Multimap>(map)->size() : 0;
}
CEF_EXPORT size_t cef_string_multimap_find_count(cef_string_multimap_t map,
                                                 const cef_string_t* key) {
  return map ? Of<Multimap>(map)->count(cef_double::In(key)) : 0;
}
CEF_EXPORT int cef_string_multimap_enumerate(cef_string_multimap_t map,
                                             const cef_string_t* key,
                                             size_t value_index,
                                             cef_string_t* value) {
  if (!map || !value) {
    return 0;
  }
  auto range = Of<Multimap>(map)->equal_range(cef_double::In(key));
  for (size_t i = 0; range.first != range.second; ++i, ++range.first) {
    if (i == value_index) {
      cef_double::Assign(value, range.first->second);
      return 1;
    }
  }
  return 0;
}
CEF_EXPORT int cef_string_multimap_key(cef_string_multimap_t map, size_t index, cef_string_t* key) {
  return At<Multimap>(map, index, key, true);
}
CEF_EXPORT int cef_string_multimap_value(cef_string_multimap_t map,
                                         size_t index,
                                         cef_string_t* value) {
  return At<Multimap>(map, index, value, false);
}
CEF_EXPORT int cef_string_multimap_append(cef_string_multimap_t map,
                                          const cef_string_t* key,
                                          const cef_string_t* value) {
  if (!map) {
    return 0;
  }
  Of<Multimap>(map)->emplace(cef_double::In(key), cef_double::In(value));
  return 1;
}
CEF_EXPORT void cef_string_multimap_clear(cef_string_multimap_t map) {
  if (map) {
    Of<Multimap>(map)->clear();
  }
}
CEF_EXPORT void cef_string_multimap_free(cef_string_multimap_t map) {
  delete Of<Multimap>(map);
}

}  // extern "C"
