// The C half of the double: libcef.dll's exports and the C structs it hands to the
// executable, each a thin shell around an engine object; and the executable's own
// structs (application, handlers, visitors, tasks) called on the engine's behalf.
//
// References follow CEF's C API: a struct passed in either direction carries one
// reference that the receiver owns, a returned struct carries one, `self` carries none.
// Every struct handed out counts as live until its last release; a release past that
// (or a call on a released struct) is a reference fault, logged at once, and whatever
// the executable still holds when the process ends is logged too. A released struct
// stays poisoned for the rest of the process (its memory is never handed to another),
// so a late call through it is caught however late it comes. Misuse of the C API (a
// null struct, a struct of the wrong size, a renderer object used off the thread it
// was handed out on) is reported the same way.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "c_half.h"

namespace cef_double {
void TrapCalled(const char* what);
}  // namespace cef_double
using cef_double::TrapCalled;

#include "include/cef_api_hash.h"
#include "include/cef_version.h"
#include "include/internal/cef_string_list.h"
#include "member_traps.inc"

namespace cef_double {
namespace {

// ---------------------------------------------------------------------------------------
// Bookkeeping

constexpr uint32_t kAlive = 0x51445631;  // "QDV1"
constexpr uint32_t kDead = 0xDEADD0B1;
// Shells are cut from chunks of this size, which live as long as the process.
constexpr size_t kChunk = 1 << 20;

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

struct Books {
  // Guards what follows, up to exeHeld.
  std::atomic_flag busy = ATOMIC_FLAG_INIT;
  // Every shell ever made, live or released, in the order made.
  std::vector<Header*> shells;
  uint32_t nextSerial = 1;
  char* chunk = nullptr;
  size_t chunkLeft = 0;
  // For each thread inside a call into the executable, the serial of the first shell
  // made since its outermost such call began.
  std::vector<uint32_t> callStarts;

  std::atomic<int> exeHeld{0};  // objects of the executable the double holds
  std::atomic<int> inExe{0};    // calls into the executable under way
  std::atomic<int> inEntry{0};  // cef_execute_process / cef_initialize under way
};

Books& books() {
  static auto* b = new Books();  // never destroyed: read at unload
  return *b;
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
    }
    out += c;
  }
  return out + "\"";
}

void Fault(const char* kind, const char* problem) {
  std::fprintf(stderr, "libcef double: reference fault: %s %s\n", kind, problem);
  LogJson("{\"event\":\"ReferenceFault\",\"object\":" + Quote(kind) +
          ",\"problem\":" + Quote(problem) + "}");
}

// The books' lock. At process end a thread that held it may be gone (ExitProcess ends
// the others first), so the end-of-process check gives up waiting after a while.
bool LockBooks(bool patient = true) {
  for (int spins = 0; books().busy.test_and_set(std::memory_order_acquire); ++spins) {
    if (!patient && spins > (1 << 20)) {
      return false;
    }
  }
  return true;
}
void UnlockBooks() {
  books().busy.clear(std::memory_order_release);
}

// Memory for a new shell, recorded with its serial. Never given back.
template <class Sh>
Sh* NewShell() {
  constexpr size_t size = (sizeof(Sh) + 7) & ~size_t{7};
  static_assert(size <= kChunk, "a shell fits a chunk");
  Books& b = books();
  LockBooks();
  if (b.chunkLeft < size) {
    b.chunk = static_cast<char*>(::operator new(kChunk));
    b.chunkLeft = kChunk;
  }
  auto* shell = reinterpret_cast<Sh*>(b.chunk);
  b.chunk += size;
  b.chunkLeft -= size;
  shell->h.magic = 0;  // not yet counted: Make marks it alive when it is whole
  shell->h.serial = b.nextSerial++;
  b.shells.push_back(&shell->h);
  UnlockBooks();
  return shell;
}

// Calls into the executable: how deep this thread is, and where its outermost began.
thread_local int tCallDepth = 0;
thread_local uint32_t tCallStart = 0;

void EnterExecutable() {
  books().inExe.fetch_add(1);
  if (tCallDepth++ == 0) {
    LockBooks();
    tCallStart = books().nextSerial;
    books().callStarts.push_back(tCallStart);
    UnlockBooks();
  }
}

void LeaveExecutable() {
  if (--tCallDepth == 0) {
    LockBooks();
    std::vector<uint32_t>& starts = books().callStarts;
    for (size_t i = 0; i < starts.size(); ++i) {
      if (starts[i] == tCallStart) {
        starts[i] = starts.back();
        starts.pop_back();
        break;
      }
    }
    UnlockBooks();
  }
  books().inExe.fetch_sub(1);
}

// The C name of a struct type, for reports ("_cef_frame_t" -> "cef_frame_t").
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
bool BoundToRenderer(Kind kind) {
  switch (kind) {
    case Kind::kBrowser:
    case Kind::kFrame:
    case Kind::kContext:
    case Kind::kValue:
    case Kind::kDocument:
    case Kind::kNode:
      return true;
    default:
      return false;
  }
}

struct InEntry {
  InEntry() { books().inEntry.fetch_add(1); }
  ~InEntry() { books().inEntry.fetch_sub(1); }
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
[[noreturn]] void CannotGoOn(const char* kind, const char* problem) {
  Fault(kind, problem);
  std::fprintf(stderr, "libcef double: cannot answer a call through %s; ending the process\n",
               kind);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  for (;;) {
  }
}

}  // namespace

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

namespace {

// An engine handle returned with one reference: as a new shell.
template <class S>
S* Hand(Obj* obj, Kind kind, const char* name, void (*fill)(S*)) {
  S* s = Make(obj, kind, name, fill);
  if (obj) {
    ObjRelease(kind, obj);
  }
  return s;
}

Exe* Keep(cef_base_ref_counted_t* base) {
  if (!base) {
    return nullptr;
  }
  if (!base->add_ref || !base->release) {
    Fault("cef_base_ref_counted_t", "an object of the executable without add_ref or release");
    return nullptr;
  }
  books().exeHeld.fetch_add(1);
  return reinterpret_cast<Exe*>(base);
}

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

// ---------------------------------------------------------------------------------------
// Structs of the double

#define SELF_OBJ(self) ObjOf(self)

void FillBrowser(cef_browser_t* s);
void FillFrame(cef_frame_t* s);
void FillContext(cef_v8context_t* s);
void FillValue(cef_v8value_t* s);
void FillMessage(cef_process_message_t* s);
void FillList(cef_list_value_t* s);
void FillDocument(cef_domdocument_t* s);
void FillNode(cef_domnode_t* s);
void FillCommandLine(cef_command_line_t* s);

cef_browser_t* BrowserOut(Obj* o) {
  return Hand(o, Kind::kBrowser, "cef_browser_t", FillBrowser);
}
cef_frame_t* FrameOut(Obj* o) {
  return Hand(o, Kind::kFrame, "cef_frame_t", FillFrame);
}
cef_v8context_t* ContextOut(Obj* o) {
  return Hand(o, Kind::kContext, "cef_v8context_t", FillContext);
}
cef_v8value_t* ValueOut(Obj* o) {
  return Hand(o, Kind::kValue, "cef_v8value_t", FillValue);
}
cef_process_message_t* MessageOut(Obj* o) {
  return Hand(o, Kind::kMessage, "cef_process_message_t", FillMessage);
}
cef_domnode_t* NodeOut(Obj* o) {
  return Hand(o, Kind::kNode, "cef_domnode_t", FillNode);
}

// Borrowed engine handles as shells for the executable (each with its own reference).
cef_browser_t* BrowserLent(Obj* o) {
  return Make(o, Kind::kBrowser, "cef_browser_t", FillBrowser);
}
cef_frame_t* FrameLent(Obj* o) {
  return Make(o, Kind::kFrame, "cef_frame_t", FillFrame);
}
cef_v8context_t* ContextLent(Obj* o) {
  return Make(o, Kind::kContext, "cef_v8context_t", FillContext);
}

// Browser

void FillBrowser(cef_browser_t* s) {
  s->is_valid = [](cef_browser_t* self) CEF_CALLBACK -> int { return BrowserIsValid(ObjOf(self)); };
  s->get_identifier = [](cef_browser_t* self)
                          CEF_CALLBACK -> int { return BrowserId(ObjOf(self)); };
  s->is_same = [](cef_browser_t* self, cef_browser_t* that) CEF_CALLBACK -> int {
    Arg<cef_browser_t> other(that);
    return other.obj() && BrowserIsSame(ObjOf(self), other.obj());
  };
  s->is_popup = [](cef_browser_t* self) CEF_CALLBACK -> int { return BrowserIsPopup(ObjOf(self)); };
  s->has_document = [](cef_browser_t* self)
                        CEF_CALLBACK -> int { return BrowserHasDocument(ObjOf(self)); };
  s->get_main_frame = [](cef_browser_t* self)
                          CEF_CALLBACK { return FrameOut(BrowserMainFrame(ObjOf(self))); };
  s->get_focused_frame = [](cef_browser_t* self)
                             CEF_CALLBACK { return FrameOut(BrowserFocusedFrame(ObjOf(self))); };
  s->get_frame_byident = [](cef_browser_t* self, int64 id)
                             CEF_CALLBACK { return FrameOut(BrowserFrameById(ObjOf(self), id)); };
  s->get_frame = [](cef_browser_t* self, const cef_string_t* name)
                     CEF_CALLBACK { return FrameOut(BrowserFrameByName(ObjOf(self), In(name))); };
  s->get_frame_count = [](cef_browser_t* self)
                           CEF_CALLBACK { return BrowserFrameCount(ObjOf(self)); };
  s->get_frame_names = [](cef_browser_t* self, cef_string_list_t names)
                           CEF_CALLBACK { StringListOut(names, BrowserFrameNames(ObjOf(self))); };
  s->is_loading = [](cef_browser_t*) CEF_CALLBACK -> int { return 0; };
  s->can_go_back = [](cef_browser_t*) CEF_CALLBACK -> int { return 0; };
  s->can_go_forward = [](cef_browser_t*) CEF_CALLBACK -> int { return 0; };
}

// Frame

void FillFrame(cef_frame_t* s) {
  s->is_valid = [](cef_frame_t* self) CEF_CALLBACK -> int { return FrameIsValid(ObjOf(self)); };
  s->is_main = [](cef_frame_t* self) CEF_CALLBACK -> int { return FrameIsMain(ObjOf(self)); };
  s->is_focused = [](cef_frame_t* self) CEF_CALLBACK -> int { return FrameIsFocused(ObjOf(self)); };
  s->get_name = [](cef_frame_t* self) CEF_CALLBACK { return Out(FrameName(ObjOf(self))); };
  s->get_identifier = [](cef_frame_t* self) CEF_CALLBACK -> int64 { return FrameId(ObjOf(self)); };
  s->get_url = [](cef_frame_t* self) CEF_CALLBACK { return Out(FrameUrl(ObjOf(self))); };
  s->get_parent = [](cef_frame_t* self) CEF_CALLBACK { return FrameOut(FrameParent(ObjOf(self))); };
  s->get_browser = [](cef_frame_t* self)
                       CEF_CALLBACK { return BrowserOut(FrameBrowser(ObjOf(self))); };
  s->get_v8context = [](cef_frame_t* self)
                         CEF_CALLBACK { return ContextOut(FrameV8Context(ObjOf(self))); };
  s->visit_dom = [](cef_frame_t* self, cef_domvisitor_t* visitor)
                     CEF_CALLBACK { FrameVisitDom(ObjOf(self), Keep(visitor)); };
  s->send_process_message = [](cef_frame_t* self, cef_process_id_t target,
                               cef_process_message_t* message) CEF_CALLBACK {
    Arg<cef_process_message_t> m(message);
    if (m.obj()) {
      FrameSendProcessMessage(ObjOf(self), static_cast<int>(target), m.obj());
    }
  };
  s->execute_java_script =
      [](cef_frame_t* self, const cef_string_t* code, const cef_string_t* url, int line)
          CEF_CALLBACK { FrameExecuteJavaScript(ObjOf(self), In(code), In(url), line); };
  s->load_url = [](cef_frame_t* self, const cef_string_t* url)
                    CEF_CALLBACK { FrameLoadUrl(ObjOf(self), In(url)); };
}

// V8 context

void FillContext(cef_v8context_t* s) {
  s->is_valid = [](cef_v8context_t* self)
                    CEF_CALLBACK -> int { return ContextIsValid(ObjOf(self)); };
  s->get_browser = [](cef_v8context_t* self)
                       CEF_CALLBACK { return BrowserOut(ContextBrowser(ObjOf(self))); };
  s->get_frame = [](cef_v8context_t* self)
                     CEF_CALLBACK { return FrameOut(ContextFrame(ObjOf(self))); };
  s->get_global = [](cef_v8context_t* self)
                      CEF_CALLBACK { return ValueOut(ContextGlobal(ObjOf(self))); };
  s->enter = [](cef_v8context_t* self) CEF_CALLBACK -> int { return ContextEnter(ObjOf(self)); };
  s->exit = [](cef_v8context_t* self) CEF_CALLBACK -> int { return ContextExit(ObjOf(self)); };
  s->is_same = [](cef_v8context_t* self, cef_v8context_t* that) CEF_CALLBACK -> int {
    Arg<cef_v8context_t> other(that);
    return other.obj() && ContextIsSame(ObjOf(self), other.obj());
  };
}

// V8 value

template <V8Ask kWhat>
int CEF_CALLBACK Ask(cef_v8value_t* self) {
  return static_cast<int>(V8Query(ObjOf(self), kWhat));
}

cef_v8value_t* RunFunction(cef_v8value_t* self,
                           cef_v8context_t* context,
                           cef_v8value_t* object,
                           size_t count,
                           cef_v8value_t* const* arguments) {
  Arg<cef_v8context_t> ctx(context);
  Arg<cef_v8value_t> receiver(object);
  std::vector<Obj*> args;
  std::vector<cef_v8value_t*> held;
  for (size_t i = 0; i < count; ++i) {
    held.push_back(arguments[i]);
    args.push_back(ObjOf(arguments[i]));
  }
  Obj* result = nullptr;
  bool complete = true;
  for (Obj* a : args) {
    complete = complete && a;
  }
  if (complete) {
    result = V8Execute(ObjOf(self), ctx.obj(), receiver.obj(), args);
  }
  for (cef_v8value_t* h : held) {
    if (h) {
      h->base.release(&h->base);
    }
  }
  return ValueOut(result);
}

void FillValue(cef_v8value_t* s) {
  s->is_valid = Ask<V8Ask::kIsValid>;
  s->is_undefined = Ask<V8Ask::kIsUndefined>;
  s->is_null = Ask<V8Ask::kIsNull>;
  s->is_bool = Ask<V8Ask::kIsBool>;
  s->is_int = Ask<V8Ask::kIsInt>;
  s->is_uint = Ask<V8Ask::kIsUInt>;
  s->is_double = Ask<V8Ask::kIsDouble>;
  s->is_date = Ask<V8Ask::kIsDate>;
  s->is_string = Ask<V8Ask::kIsString>;
  s->is_object = Ask<V8Ask::kIsObject>;
  s->is_array = Ask<V8Ask::kIsArray>;
  s->is_array_buffer = Ask<V8Ask::kIsArrayBuffer>;
  s->is_function = Ask<V8Ask::kIsFunction>;
  s->is_user_created = Ask<V8Ask::kIsUserCreated>;
  s->has_exception = Ask<V8Ask::kHasException>;
  s->clear_exception = Ask<V8Ask::kClearException>;
  s->will_rethrow_exceptions = Ask<V8Ask::kWillRethrowExceptions>;
  s->get_bool_value = Ask<V8Ask::kBoolValue>;
  s->get_array_length = Ask<V8Ask::kArrayLength>;
  s->get_int_value = [](cef_v8value_t* self) CEF_CALLBACK -> int32 {
    return static_cast<int32>(V8Query(ObjOf(self), V8Ask::kIntValue));
  };
  s->get_uint_value = [](cef_v8value_t* self) CEF_CALLBACK -> uint32 {
    return static_cast<uint32>(V8Query(ObjOf(self), V8Ask::kUIntValue));
  };
  s->get_double_value = [](cef_v8value_t* self) CEF_CALLBACK { return V8Double(ObjOf(self)); };
  s->get_string_value = [](cef_v8value_t* self) CEF_CALLBACK { return Out(V8String(ObjOf(self))); };
  s->get_function_name = [](cef_v8value_t* self)
                             CEF_CALLBACK { return Out(V8FunctionName(ObjOf(self))); };
  s->is_same = [](cef_v8value_t* self, cef_v8value_t* that) CEF_CALLBACK -> int {
    Arg<cef_v8value_t> other(that);
    return other.obj() && V8IsSame(ObjOf(self), other.obj());
  };
  s->set_rethrow_exceptions = [](cef_v8value_t* self, int rethrow) CEF_CALLBACK -> int {
    return V8SetRethrow(ObjOf(self), rethrow != 0);
  };
  s->has_value_bykey = [](cef_v8value_t* self, const cef_string_t* key)
                           CEF_CALLBACK -> int { return V8HasKey(ObjOf(self), In(key)); };
  s->has_value_byindex = [](cef_v8value_t* self, int index)
                             CEF_CALLBACK -> int { return V8HasIndex(ObjOf(self), index); };
  s->delete_value_bykey = [](cef_v8value_t* self, const cef_string_t* key)
                              CEF_CALLBACK -> int { return V8DeleteKey(ObjOf(self), In(key)); };
  s->delete_value_byindex = [](cef_v8value_t* self, int index)
                                CEF_CALLBACK -> int { return V8DeleteIndex(ObjOf(self), index); };
  s->get_value_bykey = [](cef_v8value_t* self, const cef_string_t* key)
                           CEF_CALLBACK { return ValueOut(V8GetKey(ObjOf(self), In(key))); };
  s->get_value_byindex = [](cef_v8value_t* self, int index)
                             CEF_CALLBACK { return ValueOut(V8GetIndex(ObjOf(self), index)); };
  s->set_value_bykey = [](cef_v8value_t* self, const cef_string_t* key, cef_v8value_t* value,
                          cef_v8_propertyattribute_t attribute) CEF_CALLBACK -> int {
    Arg<cef_v8value_t> v(value);
    return v.obj() && V8SetKey(ObjOf(self), In(key), v.obj(), static_cast<int>(attribute));
  };
  s->set_value_byindex = [](cef_v8value_t* self, int index, cef_v8value_t* value)
                             CEF_CALLBACK -> int {
    Arg<cef_v8value_t> v(value);
    return v.obj() && V8SetIndex(ObjOf(self), index, v.obj());
  };
  s->get_keys = [](cef_v8value_t* self, cef_string_list_t keys) CEF_CALLBACK -> int {
    std::vector<std::u16string> names;
    const bool ok = V8Keys(ObjOf(self), names);
    StringListOut(keys, names);
    return ok;
  };
  s->execute_function =
      [](cef_v8value_t* self, cef_v8value_t* object, size_t count, cef_v8value_t* const* arguments)
          CEF_CALLBACK { return RunFunction(self, nullptr, object, count, arguments); };
  s->execute_function_with_context =
      [](cef_v8value_t* self, cef_v8context_t* context, cef_v8value_t* object, size_t count,
         cef_v8value_t* const* arguments)
          CEF_CALLBACK { return RunFunction(self, context, object, count, arguments); };
  FillValueAccessor(s);
}

// Process message and list value

void FillMessage(cef_process_message_t* s) {
  s->is_valid = [](cef_process_message_t* self)
                    CEF_CALLBACK -> int { return MessageIsValid(ObjOf(self)); };
  s->is_read_only = [](cef_process_message_t* self)
                        CEF_CALLBACK -> int { return MessageIsReadOnly(ObjOf(self)); };
  s->copy = [](cef_process_message_t* self)
                CEF_CALLBACK { return MessageOut(MessageCopy(ObjOf(self))); };
  s->get_name = [](cef_process_message_t* self)
                    CEF_CALLBACK { return Out(MessageName(ObjOf(self))); };
  s->get_argument_list = [](cef_process_message_t* self)
                             CEF_CALLBACK { return ListOut(MessageArguments(ObjOf(self))); };
}

void FillList(cef_list_value_t* s) {
  s->copy = [](cef_list_value_t* self) CEF_CALLBACK { return ListOut(ListCopy(ObjOf(self))); };
  s->set_size = [](cef_list_value_t* self, size_t size)
                    CEF_CALLBACK -> int { return ListSetSize(ObjOf(self), size); };
  // The members lists share with dictionaries (c_values.cpp).
  FillListValues(s);
}

// DOM

void FillDocument(cef_domdocument_t* s) {
  s->get_body = [](cef_domdocument_t* self)
                    CEF_CALLBACK { return NodeOut(DocumentBody(ObjOf(self))); };
  s->get_title = [](cef_domdocument_t* self)
                     CEF_CALLBACK { return Out(DocumentTitle(ObjOf(self))); };
}

void FillNode(cef_domnode_t* s) {
  s->is_text = [](cef_domnode_t* self) CEF_CALLBACK -> int { return NodeIsText(ObjOf(self)); };
  s->is_element = [](cef_domnode_t* self)
                      CEF_CALLBACK -> int { return NodeIsElement(ObjOf(self)); };
  s->get_name = [](cef_domnode_t* self) CEF_CALLBACK { return Out(NodeName(ObjOf(self))); };
  s->get_element_tag_name = [](cef_domnode_t* self)
                                CEF_CALLBACK { return Out(NodeTagName(ObjOf(self))); };
  s->get_element_inner_text = [](cef_domnode_t* self)
                                  CEF_CALLBACK { return Out(NodeInnerText(ObjOf(self))); };
}

// Command line and scheme registrar

void FillCommandLine(cef_command_line_t* s) {
  s->is_read_only = [](cef_command_line_t* self)
                        CEF_CALLBACK -> int { return CommandLineIsReadOnly(ObjOf(self)); };
  s->get_command_line_string = [](cef_command_line_t* self)
                                   CEF_CALLBACK { return Out(CommandLineString(ObjOf(self))); };
  s->get_program = [](cef_command_line_t* self)
                       CEF_CALLBACK { return Out(CommandLineProgram(ObjOf(self))); };
  s->set_program = [](cef_command_line_t* self, const cef_string_t* program)
                       CEF_CALLBACK { CommandLineSetProgram(ObjOf(self), In(program)); };
  s->has_switches = [](cef_command_line_t* self)
                        CEF_CALLBACK -> int { return CommandLineHasSwitches(ObjOf(self)); };
  s->has_switch = [](cef_command_line_t* self, const cef_string_t* name)
                      CEF_CALLBACK -> int { return CommandLineHasSwitch(ObjOf(self), In(name)); };
  s->get_switch_value = [](cef_command_line_t* self, const cef_string_t* name) CEF_CALLBACK {
    return Out(CommandLineSwitchValue(ObjOf(self), In(name)));
  };
  s->append_switch = [](cef_command_line_t* self, const cef_string_t* name)
                         CEF_CALLBACK { CommandLineAppendSwitch(ObjOf(self), In(name)); };
  s->append_switch_with_value =
      [](cef_command_line_t* self, const cef_string_t* name, const cef_string_t* value)
          CEF_CALLBACK { CommandLineAppendSwitchWithValue(ObjOf(self), In(name), In(value)); };
  s->has_arguments = [](cef_command_line_t* self)
                         CEF_CALLBACK -> int { return CommandLineHasArguments(ObjOf(self)); };
  s->append_argument = [](cef_command_line_t* self, const cef_string_t* argument)
                           CEF_CALLBACK { CommandLineAppendArgument(ObjOf(self), In(argument)); };
  s->get_argv = [](cef_command_line_t* self, cef_string_list_t argv)
                    CEF_CALLBACK { StringListOut(argv, CommandLineArgv(ObjOf(self))); };
  FillCommandLineMore(s);
}

// The registrar is scoped: the struct lives for the one call, its `del` left null as
// CEF leaves it.
struct RegistrarShell {
  cef_scheme_registrar_t s;
  Registrar* registrar;
};

}  // namespace

cef_list_value_t* ListOut(Obj* o) {
  return Hand(o, Kind::kList, "cef_list_value_t", FillList);
}
cef_dictionary_value_t* DictionaryValueOut(Obj* o) {
  return Hand(o, Kind::kDictionary, "cef_dictionary_value_t", FillDictionary);
}
cef_binary_value_t* BinaryValueOut(Obj* o) {
  return Hand(o, Kind::kBinary, "cef_binary_value_t", FillBinary);
}
cef_value_t* BoxOut(Obj* o) {
  return Hand(o, Kind::kBox, "cef_value_t", FillBox);
}
cef_command_line_t* CommandLineOut(Obj* o) {
  return Hand(o, Kind::kCommandLine, "cef_command_line_t", FillCommandLine);
}

// The structs whose members live in the other files of the C half.
template Obj* ObjOf(cef_list_value_t*);
template Obj* ObjOf(cef_dictionary_value_t*);
template Obj* ObjOf(cef_binary_value_t*);
template Obj* ObjOf(cef_value_t*);
template Obj* ObjOf(cef_command_line_t*);
template Obj* ObjOf(cef_v8value_t*);
template Obj* ObjOf(cef_task_runner_t*);
template Obj* ObjOf(cef_waitable_event_t*);

// ---------------------------------------------------------------------------------------
// The bookkeeping for the other files of the C half (c_half.h)

template <class S>
Exe* KeepExe(S* s) {
  return Keep(s);
}
template Exe* KeepExe(cef_task_t*);
void StringListOut(cef_string_list_t list, const std::vector<std::u16string>& items) {
  for (const auto& item : items) {
    const cef_string_t text = Lend(item);
    cef_string_list_append(list, &text);
  }
}
CallingExecutable::CallingExecutable() {
  EnterExecutable();
}
CallingExecutable::~CallingExecutable() {
  LeaveExecutable();
}
cef_v8value_t* ValueLent(Obj* o) {
  return Make(o, Kind::kValue, "cef_v8value_t", FillValue);
}
cef_task_runner_t* TaskRunnerOut(Obj* runner) {
  return Hand(runner, Kind::kTaskRunner, "cef_task_runner_t", FillTaskRunner);
}
cef_waitable_event_t* WaitableEventOut(Obj* event) {
  return Hand(event, Kind::kWaitableEvent, "cef_waitable_event_t", FillWaitableEvent);
}

// ---------------------------------------------------------------------------------------
// Calls into the executable's structs

void ExeRelease(Exe* object) {
  auto* base = reinterpret_cast<cef_base_ref_counted_t*>(object);
  books().exeHeld.fetch_sub(1);
  CallingExecutable calling;
  base->release(base);
}

void AppOnBeforeCommandLineProcessing(Exe* app, const std::u16string& type, Obj* commandLine) {
  auto* s = ExeStruct<cef_app_t>(app);
  if (!s->on_before_command_line_processing) {
    return;
  }
  const cef_string_t text = Lend(type);
  CallingExecutable calling;
  s->on_before_command_line_processing(
      s, &text, Make(commandLine, Kind::kCommandLine, "cef_command_line_t", FillCommandLine));
}

void AppOnRegisterCustomSchemes(Exe* app, Registrar* registrar) {
  auto* s = ExeStruct<cef_app_t>(app);
  if (!s->on_register_custom_schemes) {
    return;
  }
  RegistrarShell shell = {};
  TrapFill(&shell.s);
  shell.s.base.size = sizeof(cef_scheme_registrar_t);
  shell.s.base.del = nullptr;
  shell.registrar = registrar;
  shell.s.add_custom_scheme = [](cef_scheme_registrar_t* self, const cef_string_t* name,
                                 int options) CEF_CALLBACK -> int {
    return RegistrarAddCustomScheme(reinterpret_cast<RegistrarShell*>(self)->registrar, In(name),
                                    options);
  };
  CallingExecutable calling;
  s->on_register_custom_schemes(s, &shell.s);
}

Exe* AppBrowserProcessHandler(Exe* app) {
  auto* s = ExeStruct<cef_app_t>(app);
  if (!s->get_browser_process_handler) {
    return nullptr;
  }
  CallingExecutable calling;
  cef_browser_process_handler_t* handler = s->get_browser_process_handler(s);
  return Keep(handler);
}

Exe* AppRenderProcessHandler(Exe* app) {
  auto* s = ExeStruct<cef_app_t>(app);
  if (!s->get_render_process_handler) {
    return nullptr;
  }
  CallingExecutable calling;
  cef_render_process_handler_t* handler = s->get_render_process_handler(s);
  return Keep(handler);
}

void BrowserHandlerOnContextInitialized(Exe* handler) {
  auto* s = ExeStruct<cef_browser_process_handler_t>(handler);
  if (s->on_context_initialized) {
    CallingExecutable calling;
    s->on_context_initialized(s);
  }
}

void BrowserHandlerOnBeforeChildProcessLaunch(Exe* handler, Obj* commandLine) {
  auto* s = ExeStruct<cef_browser_process_handler_t>(handler);
  if (s->on_before_child_process_launch) {
    CallingExecutable calling;
    s->on_before_child_process_launch(
        s, Make(commandLine, Kind::kCommandLine, "cef_command_line_t", FillCommandLine));
  }
}

void RenderHandlerOnWebKitInitialized(Exe* handler) {
  auto* s = ExeStruct<cef_render_process_handler_t>(handler);
  if (s->on_web_kit_initialized) {
    CallingExecutable calling;
    s->on_web_kit_initialized(s);
  }
}

void RenderHandlerOnBrowserCreated(Exe* handler, Obj* browser) {
  auto* s = ExeStruct<cef_render_process_handler_t>(handler);
  if (s->on_browser_created) {
    CallingExecutable calling;
    s->on_browser_created(s, BrowserLent(browser), nullptr);
  }
}

void RenderHandlerOnBrowserDestroyed(Exe* handler, Obj* browser) {
  auto* s = ExeStruct<cef_render_process_handler_t>(handler);
  if (s->on_browser_destroyed) {
    CallingExecutable calling;
    s->on_browser_destroyed(s, BrowserLent(browser));
  }
}

void RenderHandlerOnContextCreated(Exe* handler, Obj* browser, Obj* frame, Obj* context) {
  auto* s = ExeStruct<cef_render_process_handler_t>(handler);
  if (s->on_context_created) {
    CallingExecutable calling;
    s->on_context_created(s, BrowserLent(browser), FrameLent(frame), ContextLent(context));
  }
}

void RenderHandlerOnContextReleased(Exe* handler, Obj* browser, Obj* frame, Obj* context) {
  auto* s = ExeStruct<cef_render_process_handler_t>(handler);
  if (s->on_context_released) {
    CallingExecutable calling;
    s->on_context_released(s, BrowserLent(browser), FrameLent(frame), ContextLent(context));
  }
}

bool RenderHandlerOnProcessMessageReceived(Exe* handler,
                                           Obj* browser,
                                           Obj* frame,
                                           int source,
                                           Obj* message) {
  auto* s = ExeStruct<cef_render_process_handler_t>(handler);
  if (!s->on_process_message_received) {
    return false;
  }
  CallingExecutable calling;
  return s->on_process_message_received(
             s, BrowserLent(browser), FrameLent(frame), static_cast<cef_process_id_t>(source),
             Make(message, Kind::kMessage, "cef_process_message_t", FillMessage)) != 0;
}

bool V8HandlerExecute(Exe* handler,
                      const std::u16string& name,
                      Obj* receiver,
                      const std::vector<Obj*>& arguments,
                      Obj** retval,
                      std::u16string& exception) {
  auto* s = ExeStruct<cef_v8handler_t>(handler);
  if (!s->execute) {
    return false;
  }
  const cef_string_t text = Lend(name);
  std::vector<cef_v8value_t*> args;
  for (Obj* argument : arguments) {
    args.push_back(ValueLent(argument));
  }
  cef_v8value_t* result = nullptr;
  cef_string_t thrown = {};
  int handled = 0;
  {
    CallingExecutable calling;
    handled = s->execute(s, &text, ValueLent(receiver), args.size(),
                         args.empty() ? nullptr : args.data(), &result, &thrown);
  }
  return V8Answer(handled, result, &thrown, retval, exception);
}

void DomVisitorVisit(Exe* visitor, Obj* document) {
  auto* s = ExeStruct<cef_domvisitor_t>(visitor);
  if (s->visit) {
    CallingExecutable calling;
    s->visit(s, Make(document, Kind::kDocument, "cef_domdocument_t", FillDocument));
  }
}

void TaskExecute(Exe* task) {
  auto* s = ExeStruct<cef_task_t>(task);
  if (s->execute) {
    CallingExecutable calling;
    s->execute(s);
  }
}

void TrapCalled(const char* what) {
  std::fprintf(stderr, "libcef double: unmodeled call %s\n", what);
  LogUnmodeled(what);
}

// Whether CEF has already ended the object behind a struct: a destroyed browser and its
// frames, a released context and its values, a document or node after its visit, a
// command line after its hook, a value taken from its owner. A reference kept to one
// can only be a leak.
bool Ended(Kind kind, Obj* obj) {
  switch (kind) {
    case Kind::kBrowser:
      return !BrowserIsValid(obj);
    case Kind::kFrame:
      return !FrameIsValid(obj);
    case Kind::kContext:
      return !ContextIsValid(obj);
    case Kind::kValue:
      return V8Query(obj, V8Ask::kIsValid) == 0;
    case Kind::kDocument:
    case Kind::kNode:
      return true;
    case Kind::kCommandLine:
      return !CommandLineIsValid(obj);
    case Kind::kList:
    case Kind::kDictionary:
    case Kind::kBinary:
    case Kind::kBox:
      return ValueQuery(kind, obj, ValueAsk::kIsValid) == 0;
    default:
      return false;
  }
}

void CheckObjects(const char* when) {
  Books& b = books();
  // A process may end inside a call (the application calling exit()) or while CEF runs
  // (the watchdog ending it). The application's objects are alive then, and what they
  // hold may be their state: of the structs from before the calls under way, the check
  // reports those whose object CEF has already ended. What the double handed into those
  // calls (and what the executable got during them: exit() unwinds none of its frames)
  // is rightly held. A process that ends outside any call must hold nothing.
  const bool inCall = b.inExe.load() > 0;
  const bool midCall = inCall || b.inEntry.load() > 0;
  std::map<std::string, int> live;
  const bool locked = LockBooks(false);
  uint32_t allowedFrom = UINT32_MAX;
  for (uint32_t start : b.callStarts) {
    allowedFrom = start < allowedFrom ? start : allowedFrom;
  }
  for (const Header* h : b.shells) {
    if (h->magic == kAlive && h->serial < allowedFrom && (!midCall || Ended(h->kind, h->obj))) {
      ++live[h->name];
    }
  }
  if (locked) {
    UnlockBooks();
  }
  if (!live.empty()) {
    std::string objects;
    for (const auto& [name, count] : live) {
      objects += (objects.empty() ? "" : ",") + Quote(name) + ":" + std::to_string(count);
    }
    std::fprintf(stderr, "libcef double: objects still referenced at %s\n", when);
    LogJson(
        "{\"event\":\"ReferenceFault\",\"problem\":\"still referenced\",\"when\":" + Quote(when) +
        ",\"inside_a_call\":" + (inCall ? "true" : "false") + ",\"objects\":{" + objects + "}}");
  }
  // Objects of the executable that the double itself still holds. While CEF runs (inside
  // cef_execute_process, or between cef_initialize and cef_shutdown) it rightly holds
  // the application and what hangs on its pages.
  const int held = b.exeHeld.load();
  if (!midCall && held != 0 && !BrowserContextRunning()) {
    LogJson(
        "{\"event\":\"ReferenceFault\",\"problem\":\"objects of the executable still "
        "held\",\"when\":" +
        Quote(when) + ",\"count\":" + std::to_string(held) + "}");
  }
}

}  // namespace cef_double

using namespace cef_double;

// ---------------------------------------------------------------------------------------
// Exports

extern "C" {

CEF_EXPORT const char* cef_api_hash(int entry) {
  switch (entry) {
    case 0:
      return CEF_API_HASH_PLATFORM;
    case 1:
      return CEF_API_HASH_UNIVERSAL;
    case 2:
      return CEF_COMMIT_HASH;
    default:
      return nullptr;
  }
}

CEF_EXPORT int cef_version_info(int entry) {
  static const int kInfo[] = {CEF_VERSION_MAJOR,    CEF_VERSION_MINOR,    CEF_VERSION_PATCH,
                              CEF_COMMIT_NUMBER,    CHROME_VERSION_MAJOR, CHROME_VERSION_MINOR,
                              CHROME_VERSION_BUILD, CHROME_VERSION_PATCH};
  return entry >= 0 && entry < 8 ? kInfo[entry] : 0;
}

CEF_EXPORT void cef_enable_highdpi_support() {
  EnableHighDpiSupport();
}

CEF_EXPORT int cef_execute_process(const cef_main_args_t* args,
                                   cef_app_t* application,
                                   void* windows_sandbox_info) {
  (void)args;
  int code = 0;
  {
    InEntry entry;
    code = ExecuteProcess(Keep(application), windows_sandbox_info != nullptr);
  }
  return code;
}

CEF_EXPORT int cef_initialize(const cef_main_args_t* args,
                              const struct _cef_settings_t* s,
                              cef_app_t* application,
                              void* windows_sandbox_info) {
  (void)args;
  Settings settings;
  if (s) {
    settings.no_sandbox = s->no_sandbox != 0;
    settings.browser_subprocess_path = In(&s->browser_subprocess_path);
    settings.multi_threaded_message_loop = s->multi_threaded_message_loop != 0;
    settings.external_message_pump = s->external_message_pump != 0;
    settings.windowless_rendering_enabled = s->windowless_rendering_enabled != 0;
    settings.command_line_args_disabled = s->command_line_args_disabled != 0;
    settings.cache_path = In(&s->cache_path);
    settings.root_cache_path = In(&s->root_cache_path);
    settings.user_data_path = In(&s->user_data_path);
    settings.locale = In(&s->locale);
    settings.log_file = In(&s->log_file);
    settings.log_severity = static_cast<int>(s->log_severity);
    settings.remote_debugging_port = s->remote_debugging_port;
    settings.accept_language_list = In(&s->accept_language_list);
  }
  InEntry entry;
  return Initialize(settings, Keep(application), windows_sandbox_info != nullptr);
}

CEF_EXPORT int cef_post_task(cef_thread_id_t thread, cef_task_t* task) {
  if (!task) {
    return 0;
  }
  return PostTask(static_cast<int>(thread), Keep(task));
}

CEF_EXPORT int cef_currently_on(cef_thread_id_t thread) {
  return CurrentlyOn(static_cast<int>(thread));
}

CEF_EXPORT cef_process_message_t* cef_process_message_create(const cef_string_t* name) {
  return MessageOut(MessageCreate(In(name)));
}

CEF_EXPORT cef_list_value_t* cef_list_value_create() {
  return ListOut(ListCreate());
}

CEF_EXPORT cef_command_line_t* cef_command_line_create() {
  return CommandLineOut(CommandLineCreate());
}

CEF_EXPORT cef_v8context_t* cef_v8context_get_current_context() {
  return ContextOut(ContextCurrent());
}
CEF_EXPORT cef_v8context_t* cef_v8context_get_entered_context() {
  return ContextOut(ContextEntered());
}
CEF_EXPORT int cef_v8context_in_context() {
  return ContextInContext();
}

CEF_EXPORT cef_v8value_t* cef_v8value_create_undefined() {
  return ValueOut(V8Create(V8Make::kUndefined, 0));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_null() {
  return ValueOut(V8Create(V8Make::kNull, 0));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_bool(int value) {
  return ValueOut(V8Create(V8Make::kBool, value != 0));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_int(int32 value) {
  return ValueOut(V8Create(V8Make::kInt, value));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_uint(uint32 value) {
  return ValueOut(V8Create(V8Make::kUInt, value));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_double(double value) {
  return ValueOut(V8Create(V8Make::kDouble, value));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_string(const cef_string_t* value) {
  return ValueOut(V8CreateString(In(value)));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_object(cef_v8accessor_t* accessor,
                                                    cef_v8interceptor_t* interceptor) {
  // The object keeps both for its life.
  return ValueOut(V8CreateObject(Keep(accessor), Keep(interceptor)));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_array(int length) {
  return ValueOut(V8Create(V8Make::kArray, length));
}
CEF_EXPORT cef_v8value_t* cef_v8value_create_function(const cef_string_t* name,
                                                      cef_v8handler_t* handler) {
  return ValueOut(V8CreateFunction(In(name), Keep(handler)));
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_DETACH) {
    CheckObjects("process end");
  }
  return TRUE;
}
