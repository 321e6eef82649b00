// The C half of the V8 kinds beyond the simple ones (dates, array buffers with their
// release callback) and of what a value made by the executable keeps: its function's
// handler and its count of external memory.
#include "half.h"
#include "references.h"

namespace cef_double {

void FillValueKinds(cef_v8value_t* s) {
  s->get_date_value = [](cef_v8value_t* self)
                          CEF_CALLBACK { return CefTimeOf<cef_time_t>(V8DateValue(ObjOf(self))); };
  // The callback the executable gave, with a reference for the caller.
  s->get_array_buffer_release_callback = [](cef_v8value_t* self) CEF_CALLBACK {
    return ExeBack<cef_v8array_buffer_release_callback_t>(V8ArrayBufferReleaser(ObjOf(self)));
  };
  s->neuter_array_buffer = [](cef_v8value_t* self)
                               CEF_CALLBACK -> int { return V8NeuterArrayBuffer(ObjOf(self)); };
  // The handler the executable made the function with, with a reference for the caller.
  s->get_function_handler = [](cef_v8value_t* self) CEF_CALLBACK {
    return ExeBack<cef_v8handler_t>(V8FunctionHandler(ObjOf(self)));
  };
  s->get_externally_allocated_memory = [](cef_v8value_t* self)
                                           CEF_CALLBACK { return V8ExternalMemory(ObjOf(self)); };
  s->adjust_externally_allocated_memory = [](cef_v8value_t* self, int change) CEF_CALLBACK {
    return V8AdjustExternalMemory(ObjOf(self), change);
  };
}

void ArrayBufferRelease(Exe* releaser, void* buffer) {
  auto* s = ExeStruct<cef_v8array_buffer_release_callback_t>(releaser);
  if (s->release_buffer) {
    CallingExecutable calling;
    s->release_buffer(s, buffer);
  }
}

}  // namespace cef_double

using namespace cef_double;

extern "C" {

// Off the renderer's thread both are reported, and the engine answers null.
CEF_EXPORT cef_v8value_t* cef_v8value_create_date(const cef_time_t* date) {
  if (!date) {
    return nullptr;
  }
  OnRendererThread("cef_v8value_t", "cef_v8value_create_date");
  return ValueOut(V8CreateDate(CivilOf(*date)));
}

CEF_EXPORT cef_v8value_t* cef_v8value_create_array_buffer(
    void* buffer,
    size_t length,
    cef_v8array_buffer_release_callback_t* release_callback) {
  // The buffer keeps the callback until it lets go of the memory.
  OnRendererThread("cef_v8value_t", "cef_v8value_create_array_buffer");
  return ValueOut(V8CreateArrayBuffer(buffer, length, Keep(release_callback)));
}

}  // extern "C"
