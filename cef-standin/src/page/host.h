// What a page asks of the renderer process that shows it: a child frame for an iframe
// that enters the document, and the end of one that leaves it. The renderer process
// is the host and says when it opens and closes; a page finds the one under way
// through PageHost::Current().
#ifndef CEF_STANDIN_SRC_PAGE_HOST_H_
#define CEF_STANDIN_SRC_PAGE_HOST_H_

#include <string>

#include "include/cef_frame.h"

namespace cef_standin {

class PageHost {
 public:
  // The host of this process's pages (the renderer made last that is still open), or null.
  static PageHost* Current();

  // A new child frame of `parent` (named `id` when that name is free) with the page at
  // `url` loaded; null when the browser is gone.
  virtual CefRefPtr<CefFrame> LoadChildPage(CefRefPtr<CefFrame> parent,
                                            const std::u16string& url,
                                            const std::u16string& id) = 0;
  // The frame leaves its browser (an iframe removed).
  virtual void RemoveChildFrame(CefRefPtr<CefFrame> frame) = 0;

 protected:
  virtual ~PageHost() = default;
  // The host opens (itself) or closes (the one it opened over, or null).
  static void SetCurrent(PageHost* host);
};

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_PAGE_HOST_H_
