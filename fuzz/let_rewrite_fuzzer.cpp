// The `let` rewrite of a page's source, alone: for any text, what Duktape is given differs
// from the page's text only where the page wrote `let` and the rewrite `var`, at the same
// place, so that the text has the same length in UTF-16 units and every line break stays
// where it was (lines and columns of errors are the page's own).
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "src/script/source.h"

namespace {

// Bytes below 0x80 are themselves, so that seeds and found inputs read as script; a few
// above stand for the characters the scan treats apart (Unicode line breaks and spaces, a
// lone surrogate), the rest for letters beyond ASCII.
char16_t Unit(uint8_t byte) {
  static const char16_t kSpecial[] = {0x2028, 0x2029, 0x00A0, 0xFEFF, 0x3000, 0xD800, 0xDC00};
  if (byte < 0x80) {
    return byte;
  }
  const size_t index = byte - 0x80u;
  return index < sizeof kSpecial / sizeof kSpecial[0] ? kSpecial[index]
                                                      : static_cast<char16_t>(byte + 0x100);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::u16string source;
  source.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    source.push_back(Unit(data[i]));
  }
  const std::u16string compiled = cef_standin::script::LetDeclarationsAsVar(source);
  FUZZ_CHECK(compiled.size() == source.size(), "length %zu became %zu", source.size(),
             compiled.size());
  for (std::size_t at = 0; at < source.size();) {
    if (compiled[at] == source[at]) {
      ++at;
      continue;
    }
    FUZZ_CHECK(source.compare(at, 3, u"let") == 0 && compiled.compare(at, 3, u"var") == 0,
               "offset %zu changed, and not from a `let` to a `var`", at);
    at += 3;
  }
  return 0;
}
