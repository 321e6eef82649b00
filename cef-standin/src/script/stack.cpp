// The frames of the calls under way, read from Duktape's call stack.
#include "stack.h"

#include <duktape.h>

#include <cstring>
#include <deque>
#include <map>
#include <utility>

#include "engine.h"
#include "protected.h"

namespace cef_standin {
namespace script {
namespace {

// A hidden property: script cannot see it.
constexpr const char* kRunTopKey =
    "\xFF"
    "runTop";

enum Kind { kFunction = 0, kEval = 1, kRunTop = 2 };

struct Source {
  std::u16string text;
  int offset = 0;
};

// Script name -> the latest source run under it, and the order the names came in.
struct Sources {
  static constexpr size_t kKept = 32;
  std::map<std::u16string, Source> byName;
  std::deque<std::u16string> order;
};

Sources& KnownSources() {
  static auto* sources = new Sources();  // never destroyed, as the heap is not
  return *sources;
}

bool IsNameChar(char16_t c) {
  return c == u'_' || c == u'$' || (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') ||
         (c >= u'A' && c <= u'Z') || c > 0x7F;
}

// Duktape keeps no columns. A frame's column is where its line calls the function the
// next frame in runs: the first place the line names that function and opens a call
// (`myfunc(`, `obj.myfunc (`), as V8 gives the position of the called name. 0 when the
// source is not known, the callee has no name or the line does not name it.
int Column(const std::u16string& scriptName, int line, const std::u16string& callee) {
  if (callee.empty() || line < 1) {
    return 0;
  }
  const Sources& sources = KnownSources();
  auto found = sources.byName.find(scriptName);
  if (found == sources.byName.end() || line <= found->second.offset) {
    return 0;
  }
  const std::u16string text = SourceLine(found->second.text, line - found->second.offset);
  for (size_t at = text.find(callee); at != std::u16string::npos; at = text.find(callee, at + 1)) {
    size_t after = at + callee.size();
    while (after < text.size() && (text[after] == u' ' || text[after] == u'\t')) {
      ++after;
    }
    const bool startsName = at == 0 || !IsNameChar(text[at - 1]);
    if (startsName && after < text.size() && text[after] == u'(') {
      return static_cast<int>(at) + 1;
    }
  }
  return 0;
}

std::u16string RowText(duk_context* ctx, duk_idx_t row, duk_uarridx_t index) {
  duk_get_prop_index(ctx, row, index);
  duk_size_t length = 0;
  const char* bytes = duk_is_string(ctx, -1) ? duk_get_lstring(ctx, -1, &length) : "";
  std::u16string text = FromEngineString(bytes, length);
  duk_pop(ctx);
  return text;
}

int RowNumber(duk_context* ctx, duk_idx_t row, duk_uarridx_t index) {
  duk_get_prop_index(ctx, row, index);
  const int number = duk_is_number(ctx, -1) ? duk_get_int(ctx, -1) : 0;
  duk_pop(ctx);
  return number;
}

// Replaces the value at the top with "" unless it is a string.
void StringOrEmpty(duk_context* ctx) {
  if (!duk_is_string(ctx, -1)) {
    duk_pop(ctx);
    duk_push_string(ctx, "");
  }
}

}  // namespace

std::u16string SourceLine(const std::u16string& source, int line) {
  if (line < 1) {
    return std::u16string();
  }
  size_t start = 0;
  for (int i = 1; i < line; ++i) {
    start = source.find(u'\n', start);
    if (start == std::u16string::npos) {
      return std::u16string();
    }
    ++start;
  }
  size_t end = source.find(u'\n', start);
  std::u16string text = source.substr(start, end == std::u16string::npos ? end : end - start);
  if (!text.empty() && text.back() == u'\r') {
    text.pop_back();
  }
  return text;
}

void PushRawStack(duk_context* ctx, int limit) {
  duk_push_array(ctx);       // [frames]
  duk_push_string(ctx, "");  // [frames callee]
  duk_uarridx_t count = 0;
  for (duk_int_t level = -1; static_cast<int>(count) < limit; --level) {
    duk_inspect_callstack_entry(ctx, level);  // [frames callee entry]
    if (!duk_is_object(ctx, -1)) {
      duk_pop(ctx);
      break;
    }
    duk_get_prop_string(ctx, -1, "lineNumber");  // [... entry line]
    duk_get_prop_string(ctx, -2, "function");    // [... entry line fn]
    duk_get_prop_string(ctx, -1, "name");        // [... entry line fn name]
    StringOrEmpty(ctx);
    // Native functions are not frames of a script's stack; they still name the callee.
    if (duk_is_ecmascript_function(ctx, -2)) {
      int kind = kFunction;
      duk_get_prop_string(ctx, -2, kRunTopKey);
      if (duk_to_boolean(ctx, -1)) {
        kind = kRunTop;
      } else if (std::strcmp(duk_get_string(ctx, -2), "eval") == 0) {
        kind = kEval;
      }
      duk_pop(ctx);
      duk_push_array(ctx);  // [frames callee entry line fn name row]
      duk_dup(ctx, -2);
      duk_put_prop_index(ctx, -2, 0);
      duk_get_prop_string(ctx, -3, "fileName");
      StringOrEmpty(ctx);
      duk_put_prop_index(ctx, -2, 1);
      duk_dup(ctx, -4);
      duk_put_prop_index(ctx, -2, 2);
      duk_dup(ctx, -6);
      duk_put_prop_index(ctx, -2, 3);
      duk_push_int(ctx, kind);
      duk_put_prop_index(ctx, -2, 4);
      duk_put_prop_index(ctx, -7, count++);
    }
    // This function is the callee of the frame outside it.
    duk_replace(ctx, -5);  // [frames callee=name entry line fn]
    duk_pop_3(ctx);
  }
  duk_pop(ctx);  // [frames]
}

std::vector<StackFrame> ReadRawStack(duk_context* ctx, int index) {
  std::vector<StackFrame> frames;
  if (!duk_is_array(ctx, index)) {
    return frames;
  }
  index = duk_normalize_index(ctx, index);
  const duk_size_t count = duk_get_length(ctx, index);
  for (duk_uarridx_t i = 0; i < count; ++i) {
    duk_get_prop_index(ctx, index, i);
    const duk_idx_t row = duk_get_top_index(ctx);
    StackFrame frame;
    const int kind = RowNumber(ctx, row, 4);
    if (kind == kFunction) {
      frame.functionName = RowText(ctx, row, 0);
    }
    frame.isEval = kind == kEval;
    frame.line = RowNumber(ctx, row, 2);
    // Eval code has no script of its own (Duktape calls it "input"), nor a kept source.
    if (!frame.isEval) {
      frame.scriptName = RowText(ctx, row, 1);
      frame.column = Column(frame.scriptName, frame.line, RowText(ctx, row, 3));
    }
    duk_pop(ctx);
    frames.push_back(std::move(frame));
  }
  return frames;
}

std::vector<StackFrame> CurrentStack(duk_context* ctx, int limit) {
  std::vector<StackFrame> frames;
  if (!ctx || limit <= 0) {
    return frames;
  }
  auto work = [limit](duk_context* inner) -> duk_ret_t {
    PushRawStack(inner, limit);
    return 1;
  };
  if (Protected(ctx, 0, work)) {
    frames = ReadRawStack(ctx, -1);
  }
  duk_pop(ctx);
  return frames;
}

void RememberSource(const std::u16string& scriptName, const std::u16string& source, int offset) {
  Sources& sources = KnownSources();
  auto [at, added] = sources.byName.insert_or_assign(scriptName, Source{source, offset});
  (void)at;
  if (added) {
    sources.order.push_back(scriptName);
    if (sources.order.size() > Sources::kKept) {
      sources.byName.erase(sources.order.front());
      sources.order.pop_front();
    }
  }
}

void MarkRunTop(duk_context* ctx) {
  duk_push_true(ctx);
  duk_put_prop_string(ctx, -2, kRunTopKey);
}

}  // namespace script
}  // namespace cef_standin
