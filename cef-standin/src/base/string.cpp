// CefString and cef_string_t.
#include <algorithm>
#include <cstring>

#include "base/utf.h"
#include "include/internal/cef_string.h"

namespace {

static_assert(sizeof(char16) == sizeof(char16_t), "CEF strings hold UTF-16 code units");

// CEF's code unit and char16_t are both 16 bits wide; the stand-in does its text work
// with char16_t.
const char16_t* Units(const char16* text) {
  return reinterpret_cast<const char16_t*>(text);
}

void FreeText(char16* text) {
  delete[] text;
}

}  // namespace

void cef_string_utf16_clear(cef_string_utf16_t* str) {
  if (str->str && str->dtor) {
    str->dtor(str->str);
  }
  str->str = nullptr;
  str->length = 0;
  str->dtor = nullptr;
}

CefStringUTF16::CefStringUTF16() : string_(new struct_type{nullptr, 0, nullptr}), owner_(true) {}

CefStringUTF16::CefStringUTF16(const CefStringUTF16& str) : CefStringUTF16() {
  Assign(Units(str.c_str()), str.length());
}

CefStringUTF16::CefStringUTF16(const std::string& src) : CefStringUTF16() {
  FromString(src);
}

CefStringUTF16::CefStringUTF16(const char* src) : CefStringUTF16() {
  if (src) {
    FromString(src);
  }
}

CefStringUTF16::CefStringUTF16(const std::wstring& src) : CefStringUTF16() {
  FromWString(src);
}

CefStringUTF16::CefStringUTF16(const wchar_t* src) : CefStringUTF16() {
  if (src) {
    FromWString(src);
  }
}

CefStringUTF16::CefStringUTF16(const std::u16string& src) : CefStringUTF16() {
  FromString16(src);
}

CefStringUTF16::CefStringUTF16(const char16_t* src) : CefStringUTF16() {
  if (src) {
    FromString16(src);
  }
}

#ifndef _WIN32
CefStringUTF16::CefStringUTF16(const char16* src) : CefStringUTF16() {
  if (src) {
    FromString16(Units(src));
  }
}
#endif

CefStringUTF16::CefStringUTF16(const struct_type* src)
    : string_(const_cast<struct_type*>(src)), owner_(false) {}

CefStringUTF16::~CefStringUTF16() {
  if (owner_) {
    cef_string_clear(string_);
    delete string_;
  }
}

CefStringUTF16& CefStringUTF16::operator=(const CefStringUTF16& str) {
  if (this != &str) {
    Assign(Units(str.c_str()), str.length());
  }
  return *this;
}

const char16* CefStringUTF16::c_str() const {
  static const char16 kEmpty[1] = {0};
  return string_->str ? string_->str : kEmpty;
}

size_t CefStringUTF16::length() const {
  return string_->length;
}

bool CefStringUTF16::empty() const {
  return string_->length == 0;
}

void CefStringUTF16::clear() {
  cef_string_clear(string_);
}

int CefStringUTF16::compare(const CefStringUTF16& str) const {
  return cef_standin::CompareUtf16(Units(c_str()), length(), Units(str.c_str()), str.length());
}

std::string CefStringUTF16::ToString() const {
  return cef_standin::Utf16ToUtf8(Units(c_str()), length());
}

std::wstring CefStringUTF16::ToWString() const {
  return cef_standin::Utf16ToWide(ToString16());
}

std::u16string CefStringUTF16::ToString16() const {
  return std::u16string(Units(c_str()), length());
}

bool CefStringUTF16::FromString(const std::string& str) {
  std::u16string text = cef_standin::Utf8ToUtf16(str);
  Assign(text.data(), text.size());
  return true;
}

bool CefStringUTF16::FromWString(const std::wstring& str) {
  std::u16string text = cef_standin::WideToUtf16(str);
  Assign(text.data(), text.size());
  return true;
}

bool CefStringUTF16::FromString16(const std::u16string& str) {
  Assign(str.data(), str.size());
  return true;
}

void CefStringUTF16::Assign(const char16_t* text, size_t length) {
  char16* copy = nullptr;
  if (length > 0) {
    copy = new char16[length + 1];
    std::memcpy(copy, text, length * sizeof(char16));
    copy[length] = 0;
  }
  cef_string_clear(string_);
  string_->str = copy;
  string_->length = length;
  string_->dtor = copy ? FreeText : nullptr;
}
