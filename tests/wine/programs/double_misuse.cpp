// Misuses a libcef.dll on purpose, to show that the project's double reports it:
//   double_misuse.exe <path of libcef.dll> twice|leak|clean
// makes one process message through the library's C export, then releases it twice
// ("twice"), never ("leak") or once ("clean"), and returns 0.
#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <string>

namespace {

// The leading members every reference-counted struct of CEF's C API starts with, and a
// CEF string: the only layouts this program relies on.
struct RefCounted {
  size_t size;
  void(__stdcall* addRef)(RefCounted* self);
  int(__stdcall* release)(RefCounted* self);
  int(__stdcall* hasOneRef)(RefCounted* self);
  int(__stdcall* hasAtLeastOneRef)(RefCounted* self);
};

struct Text {
  wchar_t* str;
  size_t length;
  void (*dtor)(wchar_t* str);
};

using CreateMessage = RefCounted* (*)(const Text* name);

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
  }
  return 0;
}
