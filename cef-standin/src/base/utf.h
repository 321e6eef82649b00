// UTF-8 / UTF-16 conversions of the stand-in. Malformed input (unpaired surrogates,
// bad UTF-8 bytes) turns into U+FFFD, as CEF's own string functions do.
#ifndef CEF_STANDIN_SRC_BASE_UTF_H_
#define CEF_STANDIN_SRC_BASE_UTF_H_

#include <string>

namespace cef_standin {

std::string Utf16ToUtf8(const char16_t* text, size_t length);
// *wellFormed (when given) turns false where U+FFFD stands in for malformed input.
std::u16string Utf8ToUtf16(const std::string& text, bool* wellFormed = nullptr);
std::u16string WideToUtf16(const std::wstring& text);
std::wstring Utf16ToWide(const std::u16string& text);
// Whether the text converts without U+FFFD standing in for anything (CEF's conversion
// functions answer 0 otherwise; for UTF-8, Utf8ToUtf16 tells).
bool IsWellFormedUtf16(const char16_t* text, size_t length);

// CEF's order of UTF-16 strings: unit by unit over the shorter length, then by length.
// On Windows CEF compares with wcsncmp, which stops at a NUL both strings have at the
// same place, so "a\0b" and "a\0c" are equal there. Answers -1, 0 or 1.
int CompareUtf16(const char16_t* a, size_t aLength, const char16_t* b, size_t bLength);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_BASE_UTF_H_
