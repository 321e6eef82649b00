// Sets a string to several pieces of text one after another, sized once and copied
// piece by piece: the string's space is reused, and grows at most once.
#pragma once

#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

namespace zelto {

inline void assignJoined(std::string& text, std::initializer_list<std::string_view> pieces) {
  std::size_t length = 0;
  for (std::string_view piece : pieces) {
    length += piece.size();
  }
  text.resize(length);
  char* out = text.data();
  for (std::string_view piece : pieces) {
    if (!piece.empty()) {
      std::memcpy(out, piece.data(), piece.size());
      out += piece.size();
    }
  }
}

}  // namespace zelto
