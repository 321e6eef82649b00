#include "util/JoinedText.h"

#include <cstddef>
#include <cstring>

namespace zelto {

void assignJoined(std::string& text, std::initializer_list<std::string_view> pieces) {
  std::size_t length = 0;
  for (std::string_view piece : pieces) {
    length += piece.size();
  }
  text.resize(length);
  copyJoined(text.data(), pieces);
}

char* copyJoined(char* out, std::initializer_list<std::string_view> pieces) {
  for (std::string_view piece : pieces) {
    if (!piece.empty()) {
      std::memcpy(out, piece.data(), piece.size());
      out += piece.size();
    }
  }
  return out;
}

}  // namespace zelto
