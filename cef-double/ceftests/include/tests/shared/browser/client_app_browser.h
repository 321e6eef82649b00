// The yardstick's stand-in for the test client's browser application. The renderer-side
// tests it compiles name it only; none of them adds browser delegates.
#ifndef CEF_DOUBLE_CEFTESTS_CLIENT_APP_BROWSER_H_
#define CEF_DOUBLE_CEFTESTS_CLIENT_APP_BROWSER_H_

#include <set>

#include "include/cef_app.h"

namespace client {

class ClientAppBrowser : public CefApp {
 public:
  class Delegate : public virtual CefBaseRefCounted {};
  typedef std::set<CefRefPtr<Delegate>> DelegateSet;
};

}  // namespace client

#endif  // CEF_DOUBLE_CEFTESTS_CLIENT_APP_BROWSER_H_
