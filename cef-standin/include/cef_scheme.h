// Registration of custom schemes, offered to the application at every process start.
#ifndef CEF_INCLUDE_CEF_SCHEME_H_
#define CEF_INCLUDE_CEF_SCHEME_H_

#include "include/cef_base.h"

class CefSchemeRegistrar : public CefBaseScoped {
 public:
  // Registers a scheme with cef_scheme_options_t bits; false if it cannot be added.
  virtual bool AddCustomScheme(const CefString& scheme_name, int options) = 0;
};

#endif  // CEF_INCLUDE_CEF_SCHEME_H_
