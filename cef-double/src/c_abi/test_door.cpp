// The C half of the yardstick's door (include/test_door.h): the exports the yardstick's
// test framework drives a renderer of the double with. Not part of CEF's ABI.
#include <string>
#include <vector>

#include "half.h"  // first: it includes <cstring> before CEF's headers
#include "test_door.h"

using namespace cef_double;

extern "C" {

CEF_DOUBLE_DOOR int cef_double_renderer_open(cef_app_t* app) {
  return DoorOpen(KeepExe(app));
}

CEF_DOUBLE_DOOR void cef_double_renderer_add_page(const cef_string_t* url,
                                                  const cef_string_t* body_onload,
                                                  const cef_string_t* parts,
                                                  const int* is_frame,
                                                  const cef_string_t* frame_ids,
                                                  size_t part_count) {
  std::vector<DoorPart> page;
  for (size_t i = 0; parts && i < part_count; ++i) {
    DoorPart part;
    part.frame = is_frame && is_frame[i] != 0;
    part.text = In(&parts[i]);
    if (part.frame && frame_ids) {
      part.id = In(&frame_ids[i]);
    }
    page.push_back(std::move(part));
  }
  DoorAddPage(In(url), body_onload ? In(body_onload) : std::u16string(), page);
}

CEF_DOUBLE_DOOR cef_browser_t* cef_double_renderer_load(int browser_id,
                                                        const cef_string_t* url,
                                                        cef_dictionary_value_t* extra_info) {
  Arg<cef_dictionary_value_t> extra(extra_info);
  return BrowserOut(DoorLoad(browser_id, In(url), extra.obj()));
}

CEF_DOUBLE_DOOR cef_frame_t* cef_double_renderer_next_load_end(void) {
  Obj* frame = DoorNextLoadEnd();
  return frame ? FrameOut(frame) : nullptr;
}

CEF_DOUBLE_DOOR size_t cef_double_renderer_run_tasks(void) {
  return DoorRunTasks();
}

CEF_DOUBLE_DOOR cef_process_message_t* cef_double_renderer_next_sent(cef_frame_t** frame,
                                                                     cef_process_id_t* target) {
  Obj* through = nullptr;
  int to = 0;
  Obj* message = DoorNextSent(&through, &to);
  if (!message) {
    return nullptr;
  }
  if (frame) {
    *frame = FrameOut(through);
  } else {
    ObjRelease(Kind::kFrame, through);
  }
  if (target) {
    *target = static_cast<cef_process_id_t>(to);
  }
  return MessageOut(message);
}

CEF_DOUBLE_DOOR int cef_double_renderer_deliver(cef_frame_t* frame,
                                                cef_process_id_t source,
                                                cef_process_message_t* message) {
  Arg<cef_frame_t> through(frame);
  Arg<cef_process_message_t> arriving(message);
  return DoorDeliver(through.obj(), static_cast<int>(source), arriving.obj());
}

CEF_DOUBLE_DOOR void cef_double_renderer_destroy(cef_browser_t* browser) {
  Arg<cef_browser_t> going(browser);
  DoorDestroy(going.obj());
}

CEF_DOUBLE_DOOR void cef_double_renderer_close(void) {
  DoorClose();
}

}  // extern "C"
