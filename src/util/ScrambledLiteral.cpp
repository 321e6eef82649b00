#include "util/ScrambledLiteral.h"

namespace zelto {
namespace detail {

void restoreScrambled(const uint8_t* stored, std::size_t size, std::string& text) {
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
  text.resize(size);
  // Key-sized stretches, each a plain loop the compiler can vectorise.
  char* const out = text.data();
  for (std::size_t start = 0; start < size; start += kScrambleKeySize) {
    const std::size_t length = size - start < kScrambleKeySize ? size - start : kScrambleKeySize;
    for (std::size_t i = 0; i < length; ++i) {
      out[start + i] = static_cast<char>(key[i] ^ stored[start + i]);
    }
  }
}

}  // namespace detail
}  // namespace zelto
