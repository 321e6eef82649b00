// CEF's smart pointers: CefRefPtr is the wrapper library's scoped_refptr (a counted
// reference to a CefBaseRefCounted object, usable wherever a plain pointer is);
// CefRawPtr is a plain pointer to an object CEF keeps alive for the call.
#ifndef CEF_INCLUDE_INTERNAL_CEF_PTR_H_
#define CEF_INCLUDE_INTERNAL_CEF_PTR_H_

#include "include/base/cef_ref_counted.h"

template <class T>
using CefRefPtr = scoped_refptr<T>;

template <class T>
using CefRawPtr = T*;

#endif  // CEF_INCLUDE_INTERNAL_CEF_PTR_H_
