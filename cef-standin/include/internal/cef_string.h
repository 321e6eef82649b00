// CEF's string type: UTF-16 text in a cef_string_t, wrapped by CefString. A CefString
// either owns its cef_string_t or is attached to one inside a CEF structure (as in
// `CefString(&settings.locale) = text;`), in which case assignments write into it.
// CefString offers what CEF 92's does and nothing more (no move, comparisons as members,
// so a CefString stands on their left).
#ifndef CEF_INCLUDE_INTERNAL_CEF_STRING_H_
#define CEF_INCLUDE_INTERNAL_CEF_STRING_H_

#include <cstddef>
#include <string>

#include "include/base/cef_basictypes.h"

typedef struct _cef_string_utf16_t {
  char16* str;
  size_t length;
  void (*dtor)(char16* str);
} cef_string_utf16_t;

typedef cef_string_utf16_t cef_string_t;
typedef cef_string_utf16_t* cef_string_userfree_utf16_t;
typedef cef_string_userfree_utf16_t cef_string_userfree_t;

// Frees the text of a string and leaves it empty.
void cef_string_utf16_clear(cef_string_utf16_t* str);
#define cef_string_clear cef_string_utf16_clear

class CefStringUTF16 {
 public:
  typedef char16 char_type;
  typedef cef_string_utf16_t struct_type;

  CefStringUTF16();
  CefStringUTF16(const CefStringUTF16& str);
  CefStringUTF16(const std::string& src);   // UTF-8
  CefStringUTF16(const char* src);          // UTF-8
  CefStringUTF16(const std::wstring& src);  // wide: UTF-16 on Windows, UTF-32 elsewhere
  CefStringUTF16(const wchar_t* src);
  CefStringUTF16(const std::u16string& src);
  CefStringUTF16(const char16_t* src);
#ifndef _WIN32
  CefStringUTF16(const char16* src);  // on Windows this is the wchar_t one
#endif
  // Attaches to a string inside a CEF structure without taking ownership.
  CefStringUTF16(const struct_type* src);
  virtual ~CefStringUTF16();

  CefStringUTF16& operator=(const CefStringUTF16& str);

  const char_type* c_str() const;
  size_t length() const;
  size_t size() const {
    return length();
  }
  bool empty() const;
  void clear();
  int compare(const CefStringUTF16& str) const;

  std::string ToString() const;  // UTF-8; unpaired surrogates become U+FFFD
  std::wstring ToWString() const;
  std::u16string ToString16() const;

  bool FromString(const std::string& str);
  bool FromWString(const std::wstring& str);
  bool FromString16(const std::u16string& str);

  const struct_type* GetStruct() const {
    return string_;
  }
  struct_type* GetWritableStruct() {
    return string_;
  }

  bool operator<(const CefStringUTF16& str) const {
    return compare(str) < 0;
  }
  bool operator<=(const CefStringUTF16& str) const {
    return compare(str) <= 0;
  }
  bool operator>(const CefStringUTF16& str) const {
    return compare(str) > 0;
  }
  bool operator>=(const CefStringUTF16& str) const {
    return compare(str) >= 0;
  }
  bool operator==(const CefStringUTF16& str) const {
    return compare(str) == 0;
  }
  bool operator!=(const CefStringUTF16& str) const {
    return compare(str) != 0;
  }

  operator std::string() const {
    return ToString();
  }
  operator std::wstring() const {
    return ToWString();
  }
  operator std::u16string() const {
    return ToString16();
  }

 private:
  void Assign(const char16_t* text, size_t length);

  struct_type* string_;
  bool owner_;
};

typedef CefStringUTF16 CefString;

#endif  // CEF_INCLUDE_INTERNAL_CEF_STRING_H_
