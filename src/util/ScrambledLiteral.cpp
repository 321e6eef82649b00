#include "util/ScrambledLiteral.h"

namespace zelto {
namespace detail {

std::string restoreScrambled(const uint8_t* stored, std::size_t size) {
  const uint8_t* key = kScrambleKey.data();
  // Hides the key's values from the optimiser, so no build can fold a restore back into
  // the plain text, whatever it inlines: an empty assembly statement where the compiler
  // has GCC's, a volatile read elsewhere (MSVC has no inline assembly on x64).
#if defined(__GNUC__)
  asm("" : "+r"(key));
#else
  const uint8_t* volatile hiddenKey = key;
  key = hiddenKey;
#endif
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    text[i] = static_cast<char>(key[i < kScrambleKeySize ? i : i % kScrambleKeySize] ^ stored[i]);
  }
  return text;
}

}  // namespace detail
}  // namespace zelto
