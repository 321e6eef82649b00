// Misuses a libcef.dll on purpose, to show that the project's double reports it:
//   double_misuse.exe <path of libcef.dll> twice|leak|clean|late|null|size|thread
// makes one process message through the library's C export, then releases it twice
// ("twice"), never ("leak") or once ("clean"); or releases it once more after thousands
// of other messages came and went and a new one was made ("late": that new one must
// keep its reference); or calls its is_valid with a null self ("null"); or posts a task
// whose size field is wrong ("size"); or asks a V8 value made on this thread from
// another ("thread"). Returns 0, or 3 when the library let a late release hit another
// object.
#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <thread>

#include "c_api_layout.h"

namespace {

using c_api::RefCounted;
using c_api::Task;
using c_api::Text;

using CreateMessage = RefCounted* (*)(const Text* name);
using CreateInt = RefCounted* (*)(int value);
using PostTask = int (*)(int thread, RefCounted* task);
// The first member after the base: is_valid for messages and V8 values alike.
using IsValid = int(__stdcall*)(RefCounted* self);

IsValid isValidOf(RefCounted* s) {
  return reinterpret_cast<IsValid*>(s + 1)[0];
}

template <class F>
F exported(HMODULE library, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

int __stdcall Keep(RefCounted*) {
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: double_misuse.exe <libcef.dll> twice|leak|clean\n");
    return 2;
  }
  HMODULE library = LoadLibraryW(argv[1]);
  if (!library) {
    std::fprintf(stderr, "cannot load the library\n");
    return 2;
  }
  auto create = reinterpret_cast<CreateMessage>(
      reinterpret_cast<void*>(GetProcAddress(library, "cef_process_message_create")));
  if (!create) {
    std::fprintf(stderr, "no cef_process_message_create\n");
    return 2;
  }
  std::wstring name = L"probe";
  Text text = {&name[0], name.size(), nullptr};
  RefCounted* message = create(&text);
  if (!message) {
    std::fprintf(stderr, "no message\n");
    return 2;
  }
  const std::wstring mode = argv[2];
  if (mode == L"twice") {
    message->release(message);
    message->release(message);
  } else if (mode == L"clean") {
    message->release(message);
  } else if (mode == L"late") {
    message->release(message);
    // 4,096 others made and released: enough for a library that reuses released memory
    // after a quarantine of that length to give the stale one's memory to `fresh`.
    for (int i = 0; i < 4096; ++i) {
      RefCounted* other = create(&text);
      other->release(other);
    }
    RefCounted* fresh = create(&text);
    message->release(message);
    const bool freshIntact = fresh->hasOneRef(fresh) == 1;
    fresh->release(fresh);
    return freshIntact ? 0 : 3;
  } else if (mode == L"null") {
    isValidOf(message)(nullptr);
    message->release(message);
  } else if (mode == L"size") {
    message->release(message);
    // A cef_task_t whose size field claims a bare base struct.
    static Task task = {};
    task.base.size = sizeof(RefCounted);
    task.base.addRef = [](RefCounted*) __stdcall {};
    task.base.release = Keep;
    task.base.hasOneRef = Keep;
    task.base.hasAtLeastOneRef = Keep;
    task.execute = [](Task*) __stdcall {};
    exported<PostTask>(library, "cef_post_task")(0, &task.base);  // TID_UI: no UI thread here
  } else if (mode == L"thread") {
    message->release(message);
    RefCounted* value = exported<CreateInt>(library, "cef_v8value_create_int")(5);
    std::thread([value] { isValidOf(value)(value); }).join();
    value->release(value);
  }
  return 0;
}
