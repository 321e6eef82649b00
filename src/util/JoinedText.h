// Sets a string (or fills a buffer) to several pieces of text one after another, sized
// once and copied piece by piece: the string's space is reused, and grows at most once.
//
// Out of line on purpose: inlined, the compiler would turn the copies of constant
// pieces into stores of immediate values, and message texts would no longer be found
// in plain form in the executable.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace zelto {

void assignJoined(std::string& text, std::initializer_list<std::string_view> pieces);

// Copies the pieces one after another to `out`, which has room for all of them; returns
// the end of what was written.
char* copyJoined(char* out, std::initializer_list<std::string_view> pieces);

}  // namespace zelto
