// CEF's fixed-width integer names.
#ifndef CEF_INCLUDE_BASE_CEF_BASICTYPES_H_
#define CEF_INCLUDE_BASE_CEF_BASICTYPES_H_

#include <cstdint>

typedef int32_t int32;
typedef uint32_t uint32;
typedef int64_t int64;

#endif  // CEF_INCLUDE_BASE_CEF_BASICTYPES_H_
