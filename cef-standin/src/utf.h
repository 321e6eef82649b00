// UTF-8 / UTF-16 conversions of the stand-in. Malformed input (unpaired surrogates,
// bad UTF-8 bytes) turns into U+FFFD, as CEF's own string functions do.
#ifndef CEF_STANDIN_SRC_UTF_H_
#define CEF_STANDIN_SRC_UTF_H_

#include <string>

namespace cef_standin {

std::string Utf16ToUtf8(const char16_t* text, size_t length);
std::u16string Utf8ToUtf16(const std::string& text);
std::u16string WideToUtf16(const std::wstring& text);
std::wstring Utf16ToWide(const std::u16string& text);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_UTF_H_
