// Text literals kept out of the binary: the stored bytes are the text XOR-ed with a
// shared key at compile time, and the text is restored into a new string at each use.
//
//   static constexpr auto kFunction = zelto::scramble("AsyncQueue::stop()");
//   logger.log(message, level, __LINE__, kFile.str(), kFunction.str());
//
// The literal must be bound to a constexpr variable: that forces the scrambling to run
// in the compiler, so the plain text is never emitted. Scrambling outside a constant
// expression fails to link.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zelto {

inline constexpr std::size_t kScrambleKeySize = 50;

// Shared by every scrambled literal; positions past the key wrap around it.
inline constexpr std::array<uint8_t, kScrambleKeySize> kScrambleKey = {
    0xA7, 0x3C, 0xD1, 0x8E, 0x5B, 0xF2, 0x19, 0xC4, 0x6D, 0xB0, 0x93, 0x2E, 0xE8,
    0x47, 0xFA, 0x81, 0x35, 0xDC, 0x6A, 0xBF, 0x0D, 0x98, 0xE3, 0x54, 0xC9, 0x72,
    0xAE, 0x1B, 0x8D, 0xF6, 0x60, 0xD5, 0x3A, 0x9C, 0xE1, 0x4F, 0xB7, 0x28, 0xCD,
    0x83, 0x5E, 0xF9, 0x16, 0xAB, 0x74, 0xD8, 0x0B, 0xBE, 0x92, 0xC7};

namespace detail {
// Never defined: a literal scrambled while the program runs, instead of in the compiler,
// would carry its plain text into the binary, so such a build fails to link.
void scrambledLiteralMustBeConstexpr();
// Out of line on purpose: the compiler cannot fold the restore back into the plain text.
// Replaces the contents of `text`, reusing its space.
void restoreScrambled(const uint8_t* stored, std::size_t size, std::string& text);
}  // namespace detail

template <std::size_t N>
class ScrambledLiteral {
 public:
  static_assert(N > 0, "an empty literal has nothing to hide");

  // `text` must be a literal of N characters; a NUL inside it stops the build.
  constexpr explicit ScrambledLiteral(const char (&text)[N + 1]) : mStored{} {
    // GCC, Clang and MSVC (from 19.25) all offer this built-in.
#if defined(__GNUC__) || defined(__clang__) || (defined(_MSC_VER) && _MSC_VER >= 1925)
    if (!__builtin_is_constant_evaluated()) {
      detail::scrambledLiteralMustBeConstexpr();
    }
#endif
    if (text[N] != '\0') {
      throw "a scrambled literal must be a string literal";
    }
    for (std::size_t i = 0; i < N; ++i) {
      if (text[i] == '\0') {
        throw "a scrambled literal cannot hold a NUL byte";
      }
      mStored[i] =
          static_cast<uint8_t>(static_cast<uint8_t>(text[i]) ^ kScrambleKey[i % kScrambleKeySize]);
    }
  }

  // The plain text, restored into a new string.
  std::string str() const {
    std::string text;
    restoreInto(text);
    return text;
  }
  // The same into `text`, whose space is reused: no allocation once it has held N
  // characters.
  void restoreInto(std::string& text) const {
    detail::restoreScrambled(mStored.data(), N, text);
  }

  static constexpr std::size_t size() {
    return N;
  }
  constexpr const std::array<uint8_t, N>& stored() const {
    return mStored;
  }

 private:
  std::array<uint8_t, N> mStored;
};

// Deduces N from the literal: scramble("abc") is a ScrambledLiteral<3>.
template <std::size_t M>
constexpr ScrambledLiteral<M - 1> scramble(const char (&text)[M]) {
  return ScrambledLiteral<M - 1>(text);
}

}  // namespace zelto
