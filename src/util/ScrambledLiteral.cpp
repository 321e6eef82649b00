#include "util/ScrambledLiteral.h"

namespace zelto {
namespace detail {

void restoreScrambled(const uint8_t* stored, std::size_t size, std::string& text) {
  const uint8_t* key = kScrambleKey.data();
#if defined(__GNUC__)
  // Hides the key's values from the optimiser, so no build can fold a restore back into
  // the plain text, whatever it inlines.
  asm("" : "+r"(key));
#endif
  text.resize(size);
  for (std::size_t i = 0; i < size; ++i) {
    text[i] = static_cast<char>(key[i < kScrambleKeySize ? i : i % kScrambleKeySize] ^ stored[i]);
  }
}

}  // namespace detail
}  // namespace zelto
