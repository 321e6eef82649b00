// The C half's reference bookkeeping: every struct the double hands out is a shell (the
// C struct followed by a header) that counts its references, and every object of the
// executable the double holds is counted too.
//
// References follow CEF's C API: a struct passed in either direction carries one
// reference that the receiver owns, a returned struct carries one, `self` carries none.
// Every struct handed out counts as live until its last release; a release past that
// (or a call on a released struct) is a reference fault, logged at once, and whatever
// the executable still holds when the process ends is logged too (CheckObjects). A
// released struct stays poisoned for the rest of the process (its memory is never
// handed to another), so a late call through it is caught however late it comes.
// Misuse of the C API (a null struct or out-slot where CEF requires one, a struct of the
// wrong size, a renderer object used off the thread it was handed out on, V8 asked for
// off the renderer's thread) is reported the same way.
//
// Make() fills a new shell from a prototype that starts with the generated stubs: the
// file that includes this header includes member_traps.inc first.
#ifndef CEF_DOUBLE_SRC_C_REFERENCES_H_
#define CEF_DOUBLE_SRC_C_REFERENCES_H_

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "half.h"

namespace cef_double {

inline constexpr uint32_t kAlive = 0x51445631;  // "QDV1"
inline constexpr uint32_t kDead = 0xDEADD0B1;

struct Header {
  uint32_t magic;
  Kind kind;
  const char* name;  // the struct's C name, for reports
  Obj* obj;
  std::atomic<int> refs;
  uint32_t serial;  // the order in which shells were made
  DWORD thread;     // the thread it was handed out on
};

template <class S>
struct Shell {
  S s;
  Header h;
};

// Shells are cut from chunks of this size, which live as long as the process.
inline constexpr size_t kChunk = 1 << 20;

// Logs a ReferenceFault event (and says so on standard error).
void Fault(const char* kind, const char* problem);
// Memory for a new shell of `size` bytes whose header lies at `headerOffset`, recorded
// with its serial. Never given back.
void* NewShellMemory(size_t size, size_t headerOffset);
template <class Sh>
Sh* NewShell() {
  static_assert(((sizeof(Sh) + 7) & ~size_t{7}) <= kChunk, "a shell fits a chunk");
  return static_cast<Sh*>(NewShellMemory(sizeof(Sh), offsetof(Sh, h)));
}

template <class S>
const char* StructName() {
  static const std::string name = [](std::string text) {
    const size_t at = text.find("S = ");
    text = at == std::string::npos ? "struct" : text.substr(at + 4);
    text = text.substr(0, text.find_first_of(";]"));
    return text.size() > 1 && text[0] == '_' ? text.substr(1) : text;
  }(__PRETTY_FUNCTION__);
  return name.c_str();
}

// Renderer objects: CEF lets only the renderer's thread use them.
bool BoundToRenderer(Kind kind);
// CEF's V8 lives on the renderer's thread only, and answers null elsewhere: true there;
// elsewhere false, with `call` (which would hand out a `kind`) reported.
bool OnRendererThread(const char* kind, const char* call);

// While one lives, cef_execute_process or cef_initialize is under way.
struct InEntry {
  InEntry();
  ~InEntry();
  InEntry(const InEntry&) = delete;
  InEntry& operator=(const InEntry&) = delete;
};

template <class S>
Header* HeaderOf(S* s) {
  return &reinterpret_cast<Shell<S>*>(s)->h;
}

template <class S>
void CEF_CALLBACK ShellAddRef(cef_base_ref_counted_t* self) {
  Header* h = HeaderOf(reinterpret_cast<S*>(self));
  if (h->magic != kAlive || h->refs.fetch_add(1) <= 0) {
    Fault(h->name, "used after its last release (add_ref)");
  }
}

template <class S>
int CEF_CALLBACK ShellRelease(cef_base_ref_counted_t* self) {
  Shell<S>* shell = reinterpret_cast<Shell<S>*>(self);
  Header* h = &shell->h;
  if (h->magic != kAlive) {
    Fault(h->name, "released too often");
    return 0;
  }
  const int left = h->refs.fetch_sub(1) - 1;
  if (left > 0) {
    return 0;
  }
  // Poisoned for good: the header says dead and the memory stays this shell's.
  Obj* obj = h->obj;
  h->obj = nullptr;
  h->magic = kDead;
  if (obj) {
    ObjRelease(h->kind, obj);
  }
  return 1;
}

template <class S>
int CEF_CALLBACK ShellHasOneRef(cef_base_ref_counted_t* self) {
  return HeaderOf(reinterpret_cast<S*>(self))->refs.load() == 1;
}

template <class S>
int CEF_CALLBACK ShellHasAtLeastOneRef(cef_base_ref_counted_t* self) {
  return HeaderOf(reinterpret_cast<S*>(self))->refs.load() >= 1;
}

// A new shell around an engine object (borrowed: the shell takes its own reference),
// with one reference for the receiver. Null for a null object.
template <class S>
S* Make(Obj* obj, Kind kind, const char* name, void (*fill)(S*)) {
  if (!obj) {
    return nullptr;
  }
  // Every shell of a kind starts as a copy of one filled in once: the members the double
  // models, the stubs for the rest.
  static const S prototype = [fill] {
    S s;
    std::memset(static_cast<void*>(&s), 0, sizeof s);
    TrapFill(&s);
    s.base.size = sizeof(S);
    s.base.add_ref = ShellAddRef<S>;
    s.base.release = ShellRelease<S>;
    s.base.has_one_ref = ShellHasOneRef<S>;
    s.base.has_at_least_one_ref = ShellHasAtLeastOneRef<S>;
    fill(&s);
    return s;
  }();
  auto* shell = NewShell<Shell<S>>();
  std::memcpy(static_cast<void*>(&shell->s), &prototype, sizeof(S));
  shell->h.kind = kind;
  shell->h.name = name;
  shell->h.obj = obj;
  shell->h.thread = GetCurrentThreadId();
  new (&shell->h.refs) std::atomic<int>(1);
  ObjAddRef(kind, obj);
  // Last: from here on the end-of-process check counts it.
  std::atomic_thread_fence(std::memory_order_release);
  shell->h.magic = kAlive;
  return &shell->s;
}

// After reporting a call through a struct it cannot find, the double has no object to
// answer with: it ends the process, with exit code 3, rather than crash somewhere later.
[[noreturn]] void CannotGoOn(const char* kind, const char* problem);

template <class S>
Obj* ObjOf(S* s) {
  if (!s) {
    CannotGoOn(StructName<S>(), "null where CEF requires a struct");
  }
  Header* h = HeaderOf(s);
  if (h->magic != kAlive) {
    if (h->magic == kDead) {
      CannotGoOn(h->name, "used after its last release");
    }
    CannotGoOn(StructName<S>(), "not a struct the library handed out");
  }
  if (BoundToRenderer(h->kind) && h->thread != GetCurrentThreadId()) {
    // CEF refuses such a call; the double reports it and answers as if on the thread.
    Fault(h->name, "used on another thread than the renderer thread it was handed out on");
  }
  return h->obj;
}

template <class S>
S* Hand(Obj* obj, Kind kind, const char* name, void (*fill)(S*)) {
  S* s = Make(obj, kind, name, fill);
  if (obj) {
    ObjRelease(kind, obj);
  }
  return s;
}

// An object of the executable passed in, held with its reference (null stays null).
Exe* Keep(cef_base_ref_counted_t* base);

// An object of the executable, checked against the struct it claims to be: CEF's
// wrapper sets `size` to the size of the whole struct.
template <class S>
Exe* Keep(S* s) {
  if (s && s->base.size != sizeof(S)) {
    Fault(StructName<S>(),
          ("has size " + std::to_string(s->base.size) + ", not " + std::to_string(sizeof(S)))
              .c_str());
  }
  return Keep(s ? &s->base : nullptr);
}

}  // namespace cef_double

#endif  // CEF_DOUBLE_SRC_C_REFERENCES_H_
