// Load-state notifications of a browser (not used by this program beyond its name).
#ifndef CEF_INCLUDE_CEF_LOAD_HANDLER_H_
#define CEF_INCLUDE_CEF_LOAD_HANDLER_H_

#include "include/cef_base.h"

class CefLoadHandler : public virtual CefBaseRefCounted {};

#endif  // CEF_INCLUDE_CEF_LOAD_HANDLER_H_
