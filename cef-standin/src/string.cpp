// CefString and cef_string_t.
#include <cstring>

#include "include/internal/cef_string.h"
#include "utf.h"

namespace {

void FreeText(char16* text) {
  delete[] text;
}

}  // namespace

void cef_string_clear(cef_string_t* str) {
  if (str->str && str->dtor) {
    str->dtor(str->str);
  }
  str->str = nullptr;
  str->length = 0;
  str->dtor = nullptr;
}

CefString::CefString() : string_(new cef_string_t{nullptr, 0, nullptr}), owner_(true) {}

CefString::CefString(const CefString& str) : CefString() {
  Assign(str.c_str(), str.length());
}

CefString::CefString(CefString&& str) noexcept : CefString() {
  if (str.owner_) {
    std::swap(string_, str.string_);
  } else {
    Assign(str.c_str(), str.length());
  }
}

CefString::CefString(const std::string& src) : CefString() {
  FromString(src);
}

CefString::CefString(const char* src) : CefString() {
  if (src) {
    FromString(src);
  }
}

CefString::CefString(const std::wstring& src) : CefString() {
  FromWString(src);
}

CefString::CefString(const wchar_t* src) : CefString() {
  if (src) {
    FromWString(src);
  }
}

CefString::CefString(const std::u16string& src) : CefString() {
  FromString16(src);
}

CefString::CefString(const char16* src) : CefString() {
  if (src) {
    FromString16(src);
  }
}

CefString::CefString(const cef_string_t* src)
    : string_(const_cast<cef_string_t*>(src)), owner_(false) {}

CefString::~CefString() {
  if (owner_) {
    cef_string_clear(string_);
    delete string_;
  }
}

CefString& CefString::operator=(const CefString& str) {
  if (this != &str) {
    Assign(str.c_str(), str.length());
  }
  return *this;
}

CefString& CefString::operator=(CefString&& str) noexcept {
  if (this != &str) {
    Assign(str.c_str(), str.length());
  }
  return *this;
}

const char16* CefString::c_str() const {
  static const char16 kEmpty[1] = {0};
  return string_->str ? string_->str : kEmpty;
}

size_t CefString::length() const {
  return string_->length;
}

bool CefString::empty() const {
  return string_->length == 0;
}

void CefString::clear() {
  cef_string_clear(string_);
}

int CefString::compare(const CefString& str) const {
  return std::u16string(c_str(), length()).compare(std::u16string(str.c_str(), str.length()));
}

std::string CefString::ToString() const {
  return cef_standin::Utf16ToUtf8(c_str(), length());
}

std::wstring CefString::ToWString() const {
  return cef_standin::Utf16ToWide(ToString16());
}

std::u16string CefString::ToString16() const {
  return std::u16string(c_str(), length());
}

bool CefString::FromString(const std::string& str) {
  std::u16string text = cef_standin::Utf8ToUtf16(str);
  Assign(text.data(), text.size());
  return true;
}

bool CefString::FromWString(const std::wstring& str) {
  std::u16string text = cef_standin::WideToUtf16(str);
  Assign(text.data(), text.size());
  return true;
}

bool CefString::FromString16(const std::u16string& str) {
  Assign(str.data(), str.size());
  return true;
}

void CefString::Assign(const char16* text, size_t length) {
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
