// The few layouts of CEF's C API that the programs driving a libcef.dll directly rely
// on, written out so that they need no CEF headers.
#pragma once

#include <cstddef>

namespace c_api {

// The leading members of every reference-counted struct.
struct RefCounted {
  size_t size;
  void(__stdcall* addRef)(RefCounted* self);
  int(__stdcall* release)(RefCounted* self);
  int(__stdcall* hasOneRef)(RefCounted* self);
  int(__stdcall* hasAtLeastOneRef)(RefCounted* self);
};

// cef_task_t.
struct Task {
  RefCounted base;
  void(__stdcall* execute)(Task* self);
};

// cef_string_t (UTF-16).
struct Text {
  wchar_t* str;
  size_t length;
  void (*dtor)(wchar_t* str);
};

}  // namespace c_api
