#include "v8/extensions.h"

#include <utility>
#include <vector>

#include "base/event_log.h"
#include "base/utf.h"
#include "include/cef_task.h"
#include "v8/run.h"

namespace cef_standin {
namespace {

struct Extension {
  std::u16string name;
  std::u16string code;  // its native declarations blanked out
  std::vector<std::u16string> natives;
  CefRefPtr<CefV8Handler> handler;
};

std::vector<Extension>& Extensions() {
  static auto* extensions = new std::vector<Extension>();
  return *extensions;
}

bool IsNameChar(char16_t c) {
  return c == u'_' || c == u'$' || (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') ||
         (c >= u'A' && c <= u'Z') || c > 0x7F;
}

size_t SkipSpace(const std::u16string& code, size_t at) {
  while (at < code.size() &&
         (code[at] == u' ' || code[at] == u'\t' || code[at] == u'\r' || code[at] == u'\n')) {
    ++at;
  }
  return at;
}

// The declaration `native function name(...);` starting at `at`: the name, and where it
// ends (npos when the text there is no such declaration).
std::pair<std::u16string, size_t> NativeDeclaration(const std::u16string& code, size_t at) {
  constexpr std::u16string_view kNative = u"native";
  constexpr std::u16string_view kFunction = u"function";
  const std::pair<std::u16string, size_t> none{std::u16string(), std::u16string::npos};
  if ((at > 0 && IsNameChar(code[at - 1])) || code.compare(at, kNative.size(), kNative) != 0) {
    return none;
  }
  size_t next = at + kNative.size();
  const size_t keyword = SkipSpace(code, next);
  if (keyword == next || code.compare(keyword, kFunction.size(), kFunction) != 0) {
    return none;
  }
  next = keyword + kFunction.size();
  const size_t nameStart = SkipSpace(code, next);
  size_t nameEnd = nameStart;
  while (nameEnd < code.size() && IsNameChar(code[nameEnd])) {
    ++nameEnd;
  }
  if (nameStart == next || nameEnd == nameStart) {
    return none;
  }
  size_t open = SkipSpace(code, nameEnd);
  const size_t close = open < code.size() && code[open] == u'(' ? code.find(u')', open) : open;
  if (close == std::u16string::npos || close == open) {
    return none;
  }
  size_t end = SkipSpace(code, close + 1);
  end = end < code.size() && code[end] == u';' ? end + 1 : close + 1;
  return {code.substr(nameStart, nameEnd - nameStart), end};
}

// Takes the native declarations out of `code` (blanked with spaces, lines kept, so that
// errors keep their lines and columns) and answers their names. A declaration inside a
// string or a comment is taken too: the code is not parsed.
std::vector<std::u16string> TakeNativeDeclarations(std::u16string& code) {
  std::vector<std::u16string> names;
  for (size_t at = code.find(u"native"); at != std::u16string::npos;
       at = code.find(u"native", at + 1)) {
    auto [name, end] = NativeDeclaration(code, at);
    if (end == std::u16string::npos) {
      continue;
    }
    for (size_t i = at; i < end; ++i) {
      if (code[i] != u'\n') {
        code[i] = u' ';
      }
    }
    names.push_back(std::move(name));
  }
  return names;
}

}  // namespace

void RunExtensions(CefRefPtr<CefV8Context> context) {
  if (Extensions().empty() || !context->Enter()) {
    return;
  }
  CefRefPtr<CefV8Value> window = context->GetGlobal();
  for (const Extension& extension : Extensions()) {
    // Without a handler the declarations bind nothing, and calling them throws.
    for (const std::u16string& native : extension.natives) {
      if (extension.handler && window) {
        window->SetValue(native, CefV8Value::CreateFunction(native, extension.handler),
                         V8_PROPERTY_ATTRIBUTE_NONE);
      }
    }
    const script::RunResult result =
        script::RunInContext(context, extension.code, extension.name, 1);
    if (result.outcome != script::Outcome::kCompleted) {
      LogEvent({{"event", "ExtensionFailed"},
                {"extension", Utf16ToUtf8(extension.name.data(), extension.name.size())},
                {"outcome", script::OutcomeName(result.outcome)},
                {"message",
                 Utf16ToUtf8(result.exception.message.data(), result.exception.message.size())}});
    }
  }
  context->Exit();
}

void ClearExtensions() {
  Extensions().clear();
}

}  // namespace cef_standin

// Only the renderer thread registers extensions, as in CEF.
bool CefRegisterExtension(const CefString& extension_name,
                          const CefString& javascript_code,
                          CefRefPtr<CefV8Handler> handler) {
  if (!CefCurrentlyOn(TID_RENDERER)) {
    return false;
  }
  cef_standin::Extension extension{
      extension_name.ToString16(), javascript_code.ToString16(), {}, handler};
  extension.natives = cef_standin::TakeNativeDeclarations(extension.code);
  cef_standin::Extensions().push_back(std::move(extension));
  return true;
}
