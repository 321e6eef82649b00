// The door of the yardstick's test framework into the double. Not part of CEF's ABI:
// only the libcef.dll double exports these, so that the yardstick's stand-ins for CEF's
// browser test framework (ceftests/include/) can run renderer-side tests in one process.
// CEF's own test program reaches its renderer through a browser it creates; no browser
// runs against the double, so the framework drives a renderer of the double here:
//
//   cef_double_renderer_open(app)      the calling thread becomes this process's
//                                      renderer thread (TID_RENDERER); CEF asks the
//                                      application for its render-process handler and
//                                      calls OnWebKitInitialized
//   cef_double_renderer_add_page(...) a page the frames can load by URL, as the
//                                      browser's side parsed it (scripts, iframes,
//                                      the body's onload)
//   cef_double_renderer_load(...)      a browser whose main frame loads a page:
//                                      OnBrowserCreated, OnContextCreated, then the
//                                      page's scripts and child frames
//   cef_double_renderer_next_load_end() hands on the frames whose load ended, one at a
//                                      time, for the browser's OnLoadEnd
//   cef_double_renderer_run_tasks()    runs the renderer thread's due tasks
//   cef_double_renderer_next_sent(...) hands on what the frames sent, one message at a
//                                      time, as the receiving side gets it
//   cef_double_renderer_deliver(...)   a message arrives in the renderer
//   cef_double_renderer_destroy(...)   the browser goes: OnContextReleased,
//                                      OnBrowserDestroyed
//   cef_double_renderer_close()        the renderer ends
//
// References follow CEF's C API: structs passed in carry one reference for the double,
// structs returned one for the caller. Every call belongs on the thread that opened the
// renderer.
#ifndef CEF_DOUBLE_INCLUDE_TEST_DOOR_H_
#define CEF_DOUBLE_INCLUDE_TEST_DOOR_H_

#include <stddef.h>

#include "include/capi/cef_app_capi.h"
#include "include/capi/cef_browser_capi.h"
#include "include/capi/cef_frame_capi.h"
#include "include/capi/cef_process_message_capi.h"
#include "include/capi/cef_values_capi.h"

#ifdef BUILDING_CEF_SHARED
#define CEF_DOUBLE_DOOR __declspec(dllexport)
#else
#define CEF_DOUBLE_DOOR __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

// 1 when the renderer opened; 0 when one is open already.
CEF_DOUBLE_DOOR int cef_double_renderer_open(cef_app_t* app);
// `parts` are the page body's <script> bodies and <iframe> srcs in document order;
// `frame_ids[i]` is the id of an iframe part (`is_frame[i]` non-zero), ignored for a
// script. `body_onload` may be null.
CEF_DOUBLE_DOOR void cef_double_renderer_add_page(const cef_string_t* url,
                                                  const cef_string_t* body_onload,
                                                  const cef_string_t* parts,
                                                  const int* is_frame,
                                                  const cef_string_t* frame_ids,
                                                  size_t part_count);
// A null browser when the id is taken or no renderer is open. A URL no page was added
// for loads an empty page.
CEF_DOUBLE_DOOR cef_browser_t* cef_double_renderer_load(int browser_id,
                                                        const cef_string_t* url,
                                                        cef_dictionary_value_t* extra_info);
// The next frame whose load ended (the main frame's after its children's); null when none.
CEF_DOUBLE_DOOR cef_frame_t* cef_double_renderer_next_load_end(void);
CEF_DOUBLE_DOOR size_t cef_double_renderer_run_tasks(void);
// The next message sent through a frame and not yet handed on (read-only, as it
// arrives), with the frame it went through and its target process; null when none.
CEF_DOUBLE_DOOR cef_process_message_t* cef_double_renderer_next_sent(cef_frame_t** frame,
                                                                     cef_process_id_t* target);
CEF_DOUBLE_DOOR int cef_double_renderer_deliver(cef_frame_t* frame,
                                                cef_process_id_t source,
                                                cef_process_message_t* message);
CEF_DOUBLE_DOOR void cef_double_renderer_destroy(cef_browser_t* browser);
CEF_DOUBLE_DOOR void cef_double_renderer_close(void);

#ifdef __cplusplus
}
#endif

#endif  // CEF_DOUBLE_INCLUDE_TEST_DOOR_H_
