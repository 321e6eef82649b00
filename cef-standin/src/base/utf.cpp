#include "base/utf.h"

namespace cef_standin {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 | (cp >> 10));
    out += static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
  } else {
    out += static_cast<char16_t>(cp);
  }
}

bool IsHigh(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

std::string Utf16ToUtf8(const char16_t* text, size_t length) {
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    char16_t c = text[i];
    if (IsHigh(c) && i + 1 < length && IsLow(text[i + 1])) {
      AppendUtf8(out, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
      ++i;
    } else if (IsHigh(c) || IsLow(c)) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(const std::string& text, bool* wellFormed) {
  static const char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
  std::u16string out;
  out.reserve(text.size());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t cp = lead;
    if (lead >= 0x80) {
      if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F;
      } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F;
      } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07;
      } else {
        extra = -1;
      }
    }
    bool ok = extra >= 0 && i + extra < n;
    for (int k = 1; ok && k <= extra; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      ok = (next & 0xC0) == 0x80;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (!ok || cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      if (wellFormed) {
        *wellFormed = false;
      }
      AppendUtf16(out, kReplacement);
      ++i;
      continue;
    }
    AppendUtf16(out, cp);
    i += extra + 1;
  }
  return out;
}

std::u16string WideToUtf16(const std::wstring& text) {
  std::u16string out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    if (sizeof(wchar_t) == 2) {
      out += static_cast<char16_t>(c);
    } else {
      char32_t cp = static_cast<char32_t>(c);
      AppendUtf16(out, (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) ? kReplacement : cp);
    }
  }
  return out;
}

std::wstring Utf16ToWide(const std::u16string& text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (sizeof(wchar_t) == 2) {
      out += static_cast<wchar_t>(c);
    } else if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
      out += static_cast<wchar_t>(0x10000 + ((char32_t(c) - 0xD800) << 10) +
                                  (char32_t(text[i + 1]) - 0xDC00));
      ++i;
    } else {
      out += static_cast<wchar_t>((IsHigh(c) || IsLow(c)) ? kReplacement : c);
    }
  }
  return out;
}

bool IsWellFormedUtf16(const char16_t* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (IsHigh(text[i]) && i + 1 < length && IsLow(text[i + 1])) {
      ++i;
    } else if (IsHigh(text[i]) || IsLow(text[i])) {
      return false;
    }
  }
  return true;
}

int CompareUtf16(const char16_t* a, size_t aLength, const char16_t* b, size_t bLength) {
  if (aLength == 0 || bLength == 0) {
    return aLength == bLength ? 0 : aLength == 0 ? -1 : 1;
  }
  for (size_t i = 0; i < aLength && i < bLength; ++i) {
    if (a[i] != b[i]) {
      return a[i] < b[i] ? -1 : 1;
    }
#ifdef _WIN32
    if (a[i] == u'\0') {
      break;  // wcsncmp stops here; the lengths still count
    }
#endif
  }
  return aLength < bLength ? -1 : aLength > bLength ? 1 : 0;
}

}  // namespace cef_standin
