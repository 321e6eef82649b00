// CEF's fixed-width integer names, and char16: the UTF-16 code unit of CEF strings,
// wchar_t on Windows (where wchar_t is UTF-16) and unsigned short elsewhere.
#ifndef CEF_INCLUDE_BASE_CEF_BASICTYPES_H_
#define CEF_INCLUDE_BASE_CEF_BASICTYPES_H_

#include <cstddef>
#include <cstdint>

typedef int32_t int32;
typedef uint32_t uint32;
typedef int64_t int64;

#ifdef _WIN32
typedef wchar_t char16;
#else
typedef unsigned short char16;
#endif

#endif  // CEF_INCLUDE_BASE_CEF_BASICTYPES_H_
