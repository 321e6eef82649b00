// The little of a page's DOM that script sees in the stand-in, and nothing more:
//
// - `document.body`, the only element the parsed page has, with `appendChild` and
//   `removeChild`, and `children`;
// - `document.getElementById(id)` (elements in the body), `document.createElement(tag)`
//   (an element with `tagName`, `id`, `parentElement`, `children`);
// - iframe elements (`<iframe src id>` of the page, or made with createElement): `src`,
//   `onload`, `contentWindow` (the window of the child frame's context, null once the
//   element left the document). An iframe entering the body loads its page at once into
//   a new child frame of the renderer (its context, OnContextCreated, its scripts,
//   OnLoadEnd); its `onload` runs as a task afterwards. Leaving the body releases the
//   child frame's context (OnContextReleased) and detaches the frame, also while script of
//   that page still runs;
// - `window.parent` (the parent frame's window; a main frame's is itself; null once the
//   page is gone) and `alert(text)` (an "Alert" event in the log, and a line on stderr).
//
// No other element kinds behave, no events besides an iframe's onload, no styles, no
// layout, no HTML parsing (pages come parsed, see RendererProcess::AddPage).
#ifndef CEF_STANDIN_SRC_PAGE_DOM_H_
#define CEF_STANDIN_SRC_PAGE_DOM_H_

#include <string>

#include "include/cef_frame.h"

struct duk_hthread;

namespace cef_standin {

// Defines `document`, `parent` and `alert` on the global object of `thread`, the script
// environment `environment`.
void InstallPageDom(duk_hthread* thread, int environment);

// The parsed page's <iframe> element: appended to the body of the frame's current page,
// which loads its page into a child frame. False when the frame has no page.
bool AppendParsedFrame(CefRefPtr<CefFrame> frame,
                       const std::u16string& id,
                       const std::u16string& src);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_PAGE_DOM_H_
