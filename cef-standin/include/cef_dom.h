// Placeholder: the renderer's API comes with the renderer work.
#ifndef CEF_INCLUDE_CEF_DOM_H_
#define CEF_INCLUDE_CEF_DOM_H_

#include "include/cef_base.h"

class CefDOMNode : public virtual CefBaseRefCounted {};
class CefDOMDocument : public virtual CefBaseRefCounted {};
class CefDOMVisitor : public virtual CefBaseRefCounted {};

#endif  // CEF_INCLUDE_CEF_DOM_H_
