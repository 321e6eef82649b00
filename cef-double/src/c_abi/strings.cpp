// CEF's string exports (UTF-16, UTF-8 and wide strings, string lists) as the double
// offers them: text the double hands out is allocated here and freed through these
// exports, whatever module frees it.
#include <cstring>
#include <string>
#include <vector>

#include "half.h"
#include "include/internal/cef_string_list.h"
#include "include/internal/cef_string_types.h"

namespace cef_double {
namespace {

void FreeUtf16(char16* text) {
  delete[] text;
}
void FreeUtf8(char* text) {
  delete[] text;
}

// As CEF: a copy of nothing (no text, or none of it) leaves a null buffer.
template <class Char, class Struct>
int SetText(const Char* src, size_t length, Struct* output, int copy, void (*dtor)(Char*)) {
  if (!output) {
    return 0;
  }
  if (output->dtor && output->str) {
    output->dtor(output->str);
  }
  output->str = nullptr;
  output->length = 0;
  output->dtor = nullptr;
  if (!copy) {
    output->str = const_cast<Char*>(src);
    output->length = length;
  } else if (src && length > 0) {
    Char* text = new Char[length + 1];
    std::memcpy(text, src, length * sizeof(Char));
    text[length] = 0;
    output->str = text;
    output->length = length;
    output->dtor = dtor;
  }
  return 1;
}

template <class Struct>
void ClearText(Struct* str) {
  if (!str) {
    return;
  }
  if (str->dtor && str->str) {
    str->dtor(str->str);
  }
  str->str = nullptr;
  str->length = 0;
  str->dtor = nullptr;
}

// CEF's order (that of wcsncmp and strncmp, then the lengths): UTF-16 and wide text as
// the engine orders it for both builds; UTF-8 byte by byte up to a NUL both share.
int CompareText(const cef_string_utf16_t* a, const cef_string_utf16_t* b) {
  return CompareUtf16(reinterpret_cast<const char16_t*>(a->str), a->length,
                      reinterpret_cast<const char16_t*>(b->str), b->length);
}

int CompareText(const cef_string_utf8_t* a, const cef_string_utf8_t* b) {
  if (a->length == 0 || b->length == 0) {
    return a->length == b->length ? 0 : a->length == 0 ? -1 : 1;
  }
  for (size_t i = 0; i < a->length && i < b->length; ++i) {
    const auto ca = static_cast<unsigned char>(a->str[i]);
    const auto cb = static_cast<unsigned char>(b->str[i]);
    if (ca != cb) {
      return ca < cb ? -1 : 1;
    }
    if (ca == 0) {
      break;
    }
  }
  return a->length == b->length ? 0 : (a->length < b->length ? -1 : 1);
}

}  // namespace

std::u16string In(const cef_string_t* text) {
  if (!text || !text->str) {
    return std::u16string();
  }
  return std::u16string(reinterpret_cast<const char16_t*>(text->str), text->length);
}

cef_string_userfree_t Out(const std::u16string& text) {
  cef_string_userfree_t out = cef_string_userfree_utf16_alloc();
  cef_string_utf16_set(reinterpret_cast<const char16*>(text.data()), text.size(), out, 1);
  return out;
}

void Assign(cef_string_t* target, const std::u16string& text) {
  cef_string_utf16_set(reinterpret_cast<const char16*>(text.data()), text.size(), target, 1);
}

}  // namespace cef_double

using cef_double::ClearText;
using cef_double::CompareText;
using cef_double::FreeUtf16;
using cef_double::FreeUtf8;
using cef_double::SetText;

extern "C" {

CEF_EXPORT int cef_string_utf16_set(const char16* src,
                                    size_t src_len,
                                    cef_string_utf16_t* output,
                                    int copy) {
  return SetText(src, src_len, output, copy, FreeUtf16);
}

CEF_EXPORT int cef_string_wide_set(const wchar_t* src,
                                   size_t src_len,
                                   cef_string_wide_t* output,
                                   int copy) {
  return SetText(src, src_len, output, copy, FreeUtf16);
}

CEF_EXPORT int cef_string_utf8_set(const char* src,
                                   size_t src_len,
                                   cef_string_utf8_t* output,
                                   int copy) {
  return SetText(src, src_len, output, copy, FreeUtf8);
}

CEF_EXPORT void cef_string_utf16_clear(cef_string_utf16_t* str) {
  ClearText(str);
}
CEF_EXPORT void cef_string_wide_clear(cef_string_wide_t* str) {
  ClearText(str);
}
CEF_EXPORT void cef_string_utf8_clear(cef_string_utf8_t* str) {
  ClearText(str);
}

CEF_EXPORT int cef_string_utf16_cmp(const cef_string_utf16_t* a, const cef_string_utf16_t* b) {
  return CompareText(a, b);
}
CEF_EXPORT int cef_string_wide_cmp(const cef_string_wide_t* a, const cef_string_wide_t* b) {
  return CompareText(reinterpret_cast<const cef_string_utf16_t*>(a),
                     reinterpret_cast<const cef_string_utf16_t*>(b));
}
CEF_EXPORT int cef_string_utf8_cmp(const cef_string_utf8_t* a, const cef_string_utf8_t* b) {
  return CompareText(a, b);
}

// The conversions answer 0 when the input was malformed (U+FFFD stands in for it in the
// output), as CEF's do.
CEF_EXPORT int cef_string_utf8_to_utf16(const char* src,
                                        size_t src_len,
                                        cef_string_utf16_t* output) {
  std::u16string text;
  const bool wellFormed =
      cef_double::ConvertUtf8To16(std::string(src ? src : "", src ? src_len : 0), text);
  return SetText(reinterpret_cast<const char16*>(text.data()), text.size(), output, 1, FreeUtf16) &&
         wellFormed;
}

CEF_EXPORT int cef_string_utf16_to_utf8(const char16* src,
                                        size_t src_len,
                                        cef_string_utf8_t* output) {
  std::string text;
  const bool wellFormed = cef_double::ConvertUtf16To8(
      std::u16string(src ? reinterpret_cast<const char16_t*>(src) : u"", src ? src_len : 0), text);
  return SetText(text.data(), text.size(), output, 1, FreeUtf8) && wellFormed;
}

CEF_EXPORT int cef_string_wide_to_utf8(const wchar_t* src,
                                       size_t src_len,
                                       cef_string_utf8_t* output) {
  return cef_string_utf16_to_utf8(src, src_len, output);
}
CEF_EXPORT int cef_string_utf8_to_wide(const char* src, size_t src_len, cef_string_wide_t* output) {
  return cef_string_utf8_to_utf16(src, src_len, reinterpret_cast<cef_string_utf16_t*>(output));
}
CEF_EXPORT int cef_string_wide_to_utf16(const wchar_t* src,
                                        size_t src_len,
                                        cef_string_utf16_t* output) {
  return SetText(src, src_len, output, 1, FreeUtf16);
}
CEF_EXPORT int cef_string_utf16_to_wide(const char16* src,
                                        size_t src_len,
                                        cef_string_wide_t* output) {
  return SetText(src, src_len, output, 1, FreeUtf16);
}

CEF_EXPORT int cef_string_ascii_to_utf16(const char* src,
                                         size_t src_len,
                                         cef_string_utf16_t* output) {
  std::u16string text;
  for (size_t i = 0; src && i < src_len; ++i) {
    text.push_back(static_cast<unsigned char>(src[i]));
  }
  return SetText(reinterpret_cast<const char16*>(text.data()), text.size(), output, 1, FreeUtf16);
}
CEF_EXPORT int cef_string_ascii_to_wide(const char* src,
                                        size_t src_len,
                                        cef_string_wide_t* output) {
  return cef_string_ascii_to_utf16(src, src_len, reinterpret_cast<cef_string_utf16_t*>(output));
}

CEF_EXPORT cef_string_userfree_utf16_t cef_string_userfree_utf16_alloc() {
  return new cef_string_utf16_t{};
}
CEF_EXPORT cef_string_userfree_wide_t cef_string_userfree_wide_alloc() {
  return new cef_string_wide_t{};
}
CEF_EXPORT cef_string_userfree_utf8_t cef_string_userfree_utf8_alloc() {
  return new cef_string_utf8_t{};
}
CEF_EXPORT void cef_string_userfree_utf16_free(cef_string_userfree_utf16_t str) {
  ClearText(str);
  delete str;
}
CEF_EXPORT void cef_string_userfree_wide_free(cef_string_userfree_wide_t str) {
  ClearText(str);
  delete str;
}
CEF_EXPORT void cef_string_userfree_utf8_free(cef_string_userfree_utf8_t str) {
  ClearText(str);
  delete str;
}

// String lists: a vector of UTF-16 strings behind the opaque handle.
CEF_EXPORT cef_string_list_t cef_string_list_alloc() {
  return new std::vector<std::u16string>();
}
CEF_EXPORT size_t cef_string_list_size(cef_string_list_t list) {
  return list ? static_cast<std::vector<std::u16string>*>(list)->size() : 0;
}
CEF_EXPORT int cef_string_list_value(cef_string_list_t list, size_t index, cef_string_t* value) {
  auto* items = static_cast<std::vector<std::u16string>*>(list);
  if (!items || index >= items->size() || !value) {
    return 0;
  }
  cef_double::Assign(value, (*items)[index]);
  return 1;
}
CEF_EXPORT void cef_string_list_append(cef_string_list_t list, const cef_string_t* value) {
  if (list) {
    static_cast<std::vector<std::u16string>*>(list)->push_back(cef_double::In(value));
  }
}
CEF_EXPORT void cef_string_list_clear(cef_string_list_t list) {
  if (list) {
    static_cast<std::vector<std::u16string>*>(list)->clear();
  }
}
CEF_EXPORT void cef_string_list_free(cef_string_list_t list) {
  delete static_cast<std::vector<std::u16string>*>(list);
}
CEF_EXPORT cef_string_list_t cef_string_list_copy(cef_string_list_t list) {
  return list ? new std::vector<std::u16string>(*static_cast<std::vector<std::u16string>*>(list))
              : nullptr;
}

}  // extern "C"
