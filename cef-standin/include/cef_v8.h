// Placeholder: the renderer's API comes with the renderer work.
#ifndef CEF_INCLUDE_CEF_V8_H_
#define CEF_INCLUDE_CEF_V8_H_

#include "include/cef_base.h"

class CefV8Context : public virtual CefBaseRefCounted {};
class CefV8Exception : public virtual CefBaseRefCounted {};
class CefV8StackTrace : public virtual CefBaseRefCounted {};
class CefV8Value : public virtual CefBaseRefCounted {};
class CefV8Handler : public virtual CefBaseRefCounted {};

#endif  // CEF_INCLUDE_CEF_V8_H_
