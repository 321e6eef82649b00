// UTF-16 to and from Duktape's strings, which hold each UTF-16 unit of a JavaScript
// string in (extended) CESU-8: a surrogate, paired or not, is three bytes of its own, NUL
// one byte. Duktape may also hold a character beyond U+FFFF as four UTF-8 bytes; that
// reads back as its surrogate pair.
#include "engine.h"

namespace cef_standin {
namespace script {

std::string ToEngineString(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t unit : text) {
    const unsigned c = unit;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string FromEngineString(const char* bytes, size_t length) {
  std::u16string out;
  out.reserve(length);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  size_t i = 0;
  while (i < length) {
    const unsigned b = p[i];
    size_t need = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
    if (b >= 0x80 && b < 0xC0) {
      need = 0;  // a stray continuation byte: taken as it is
    }
    if (need && i + need >= length) {
      out += u'\uFFFD';
      break;
    }
    unsigned c = need == 0 ? b : need == 1 ? (b & 0x1F) : need == 2 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; k <= need; ++k) {
      c = (c << 6) | (p[i + k] & 0x3F);
    }
    i += need + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

}  // namespace script
}  // namespace cef_standin
