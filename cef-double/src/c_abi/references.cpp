// The C half's reference bookkeeping (see c_abi/references.h): the books of every shell
// made, the calls into the executable under way, and the check at process end.
#include "references.h"

#include <cstdio>
#include <map>
#include <vector>

namespace cef_double {
namespace {

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

}  // namespace

void Fault(const char* kind, const char* problem) {
  std::fprintf(stderr, "libcef double: reference fault: %s %s\n", kind, problem);
  LogJson("{\"event\":\"ReferenceFault\",\"object\":" + Quote(kind) +
          ",\"problem\":" + Quote(problem) + "}");
}

void* NewShellMemory(size_t size, size_t headerOffset) {
  size = (size + 7) & ~size_t{7};
  Books& b = books();
  LockBooks();
  if (b.chunkLeft < size) {
    b.chunk = static_cast<char*>(::operator new(kChunk));
    b.chunkLeft = kChunk;
  }
  void* memory = b.chunk;
  b.chunk += size;
  b.chunkLeft -= size;
  auto* h = reinterpret_cast<Header*>(static_cast<char*>(memory) + headerOffset);
  h->magic = 0;  // not yet counted: Make marks it alive when it is whole
  h->serial = b.nextSerial++;
  b.shells.push_back(h);
  UnlockBooks();
  return memory;
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

bool OnRendererThread(const char* kind, const char* call) {
  if (CurrentlyOn(TID_RENDERER)) {
    return true;
  }
  Fault(kind, (std::string(call) + " called on another thread than the renderer thread").c_str());
  return false;
}

InEntry::InEntry() {
  books().inEntry.fetch_add(1);
}
InEntry::~InEntry() {
  books().inEntry.fetch_sub(1);
}

CallingExecutable::CallingExecutable() {
  EnterExecutable();
}
CallingExecutable::~CallingExecutable() {
  LeaveExecutable();
}

void CannotGoOn(const char* kind, const char* problem) {
  Fault(kind, problem);
  std::fprintf(stderr, "libcef double: cannot answer a call through %s; ending the process\n",
               kind);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  for (;;) {
  }
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

template <class S>
Exe* KeepExe(S* s) {
  return Keep(s);
}
template Exe* KeepExe(cef_task_t*);
template Exe* KeepExe(cef_app_t*);

void ExeRelease(Exe* object) {
  auto* base = reinterpret_cast<cef_base_ref_counted_t*>(object);
  books().exeHeld.fetch_sub(1);
  CallingExecutable calling;
  base->release(base);
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
