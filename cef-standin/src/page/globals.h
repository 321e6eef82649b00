// A page's own globals in every environment the script engine makes: its timers
// (timers.h) and the little of its DOM that the stand-in models (dom.h). The renderer
// process asks for them once, before its first context.
#ifndef CEF_STANDIN_SRC_PAGE_GLOBALS_H_
#define CEF_STANDIN_SRC_PAGE_GLOBALS_H_

namespace cef_standin {

// From now on every new environment has a page's globals (the first call adds them).
void UsePageGlobals();

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_PAGE_GLOBALS_H_
