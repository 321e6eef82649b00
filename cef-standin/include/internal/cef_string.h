// CEF's string type: UTF-16 text in a cef_string_t, wrapped by CefString. A CefString
// either owns its cef_string_t or is attached to one inside a CEF structure (as in
// `CefString(&settings.locale) = text;`), in which case assignments write into it.
#ifndef CEF_INCLUDE_INTERNAL_CEF_STRING_H_
#define CEF_INCLUDE_INTERNAL_CEF_STRING_H_

#include <cstddef>
#include <string>

typedef char16_t char16;

typedef struct _cef_string_utf16_t {
  char16* str;
  size_t length;
  void (*dtor)(char16* str);
} cef_string_utf16_t;

typedef cef_string_utf16_t cef_string_t;
typedef cef_string_t* cef_string_userfree_t;

// Frees the text of a cef_string_t and leaves it empty.
void cef_string_clear(cef_string_t* str);

class CefString {
 public:
  typedef char16 char_type;
  typedef cef_string_t struct_type;

  CefString();
  CefString(const CefString& str);
  CefString(CefString&& str) noexcept;
  CefString(const std::string& src);   // UTF-8
  CefString(const char* src);          // UTF-8
  CefString(const std::wstring& src);  // wide: UTF-16 on Windows, UTF-32 elsewhere
  CefString(const wchar_t* src);
  CefString(const std::u16string& src);
  CefString(const char16* src);
  // Attaches to a string inside a CEF structure without taking ownership.
  CefString(const cef_string_t* src);
  ~CefString();

  CefString& operator=(const CefString& str);
  CefString& operator=(CefString&& str) noexcept;

  const char16* c_str() const;
  size_t length() const;
  size_t size() const { return length(); }
  bool empty() const;
  void clear();
  int compare(const CefString& str) const;

  std::string ToString() const;  // UTF-8; unpaired surrogates become U+FFFD
  std::wstring ToWString() const;
  std::u16string ToString16() const;

  bool FromString(const std::string& str);
  bool FromWString(const std::wstring& str);
  bool FromString16(const std::u16string& str);

  const cef_string_t* GetStruct() const { return string_; }
  cef_string_t* GetWritableStruct() { return string_; }

  operator std::string() const { return ToString(); }
  operator std::wstring() const { return ToWString(); }
  operator std::u16string() const { return ToString16(); }

 private:
  void Assign(const char16* text, size_t length);

  cef_string_t* string_;
  bool owner_;
};

inline bool operator==(const CefString& a, const CefString& b) {
  return a.compare(b) == 0;
}
inline bool operator!=(const CefString& a, const CefString& b) {
  return a.compare(b) != 0;
}
inline bool operator<(const CefString& a, const CefString& b) {
  return a.compare(b) < 0;
}

#endif  // CEF_INCLUDE_INTERNAL_CEF_STRING_H_
