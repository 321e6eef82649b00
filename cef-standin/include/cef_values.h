// Placeholder: the renderer's API comes with the renderer work.
#ifndef CEF_INCLUDE_CEF_VALUES_H_
#define CEF_INCLUDE_CEF_VALUES_H_

#include "include/cef_base.h"

class CefDictionaryValue : public virtual CefBaseRefCounted {};
class CefListValue : public virtual CefBaseRefCounted {};

#endif  // CEF_INCLUDE_CEF_VALUES_H_
