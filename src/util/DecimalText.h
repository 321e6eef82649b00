// The decimal text of an integer, written into a buffer of its own on the stack: a number
// put into a message without a string of its own.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zelto {

class DecimalText {
 public:
  explicit DecimalText(int64_t value)
      : mLength(static_cast<std::size_t>(
            std::to_chars(mDigits, mDigits + sizeof mDigits, value).ptr - mDigits)) {}

  std::string_view view() const { return {mDigits, mLength}; }

 private:
  char mDigits[24];  // room for any 64-bit value with its sign
  std::size_t mLength;
};

}  // namespace zelto
