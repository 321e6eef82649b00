// Browser-level handlers of a browser window (not used by this program beyond its name).
#ifndef CEF_INCLUDE_CEF_CLIENT_H_
#define CEF_INCLUDE_CEF_CLIENT_H_

#include "include/cef_base.h"

class CefClient : public virtual CefBaseRefCounted {};

#endif  // CEF_INCLUDE_CEF_CLIENT_H_
