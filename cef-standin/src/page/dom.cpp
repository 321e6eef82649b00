#include "page/dom.h"

#include <duktape.h>

#include <cstdio>
#include <string>

#include "base/event_log.h"
#include "base/frame_identity.h"
#include "base/utf.h"
#include "page/host.h"
#include "page/natives.h"
#include "script/protected.h"
#include "v8/context.h"
#include "v8/run.h"
#include "v8/uncaught_exception.h"

namespace cef_standin {
namespace {

// Hidden properties: a native's environment; the window's hooks into its document.
#define PAGE_DOM_HOOKS DUK_HIDDEN_SYMBOL("domHooks")

// The document, in the page's own script: `native` is what only C++ can do (frames).
constexpr const char kDocumentSource[] = R"js(function (window, native) {
  var later = window.setTimeout;
  var frames = [];  // {element, frame}: iframe elements in the document and their frames
  function Element(tagName) {
    this.tagName = tagName;
    this.id = '';
    this.parentElement = null;
    this.children = [];
  }
  function IFrameElement() {
    Element.call(this, 'IFRAME');
    this.src = '';
    this.onload = null;
  }
  IFrameElement.prototype = Object.create(Element.prototype);
  IFrameElement.prototype.constructor = IFrameElement;
  Object.defineProperty(IFrameElement.prototype, 'contentWindow', {
    get: function () {
      for (var i = 0; i < frames.length; ++i) {
        if (frames[i].element === this) { return native.frameWindow(frames[i].frame); }
      }
      return null;
    }
  });
  var body = new Element('BODY');
  function connected(element) {
    for (; element; element = element.parentElement) {
      if (element === body) { return true; }
    }
    return false;
  }
  // An iframe entering the document loads its page, then its onload runs as a task.
  function attach(element) {
    if (element instanceof IFrameElement) {
      frames.push({element: element, frame: native.loadFrame(String(element.src), String(element.id))});
      later(function () {
        if (typeof element.onload === 'function') { element.onload.call(element); }
      }, 0);
    }
    for (var i = 0; i < element.children.length; ++i) { attach(element.children[i]); }
  }
  // One leaving it takes its frame with it.
  function detach(element) {
    for (var i = 0; i < element.children.length; ++i) { detach(element.children[i]); }
    for (var j = 0; j < frames.length; ++j) {
      if (frames[j].element === element) {
        var frame = frames[j].frame;
        frames.splice(j, 1);
        native.unloadFrame(frame);
        return;
      }
    }
  }
  Element.prototype.appendChild = function (child) {
    if (!(child instanceof Element)) {
      throw new TypeError("Failed to execute 'appendChild' on 'Node': parameter 1 is not of type 'Node'.");
    }
    if (child.parentElement) { child.parentElement.removeChild(child); }
    this.children.push(child);
    child.parentElement = this;
    if (connected(this)) { attach(child); }
    return child;
  };
  Element.prototype.removeChild = function (child) {
    for (var i = 0; i < this.children.length; ++i) {
      if (this.children[i] === child) {
        this.children.splice(i, 1);
        child.parentElement = null;
        if (connected(this)) { detach(child); }
        return child;
      }
    }
    var error = new Error("Failed to execute 'removeChild' on 'Node': The node to be removed is not a child of this node.");
    error.name = 'NotFoundError';
    throw error;
  };
  function find(element, id) {
    for (var i = 0; i < element.children.length; ++i) {
      var child = element.children[i];
      if (child.id === id) { return child; }
      var inside = find(child, id);
      if (inside) { return inside; }
    }
    return null;
  }
  var document = {
    body: body,
    getElementById: function (id) { return find(body, String(id)); },
    createElement: function (tagName) {
      var tag = String(tagName).toUpperCase();
      return tag === 'IFRAME' ? new IFrameElement() : new Element(tag);
    }
  };
  Object.defineProperty(window, 'document', {value: document, enumerable: true});
  return {
    appendParsed: function (id, src) {
      var element = new IFrameElement();
      element.id = id;
      element.src = src;
      body.appendChild(element);
    }
  };
})js";

// The frame whose page is the environment, or null.
CefRefPtr<CefFrame> FrameOfEnvironment(int environment) {
  CefRefPtr<V8Context> context = V8Context::OfEnvironment(environment);
  CefRefPtr<CefFrame> frame = context ? context->GetFrame() : nullptr;
  return FrameIdentityOf(frame.get()) ? frame : nullptr;
}

int EnvironmentOfFrame(CefRefPtr<CefFrame> frame) {
  auto* context = frame ? dynamic_cast<V8Context*>(frame->GetV8Context().get()) : nullptr;
  return context && context->IsValid() ? context->environment() : 0;
}

// The C++ work of the natives below: done in functions of their own, which return before
// Duktape may throw, so that no C++ frame is ever unwound by its longjmp.

void LogAlert(int environment, const char* text, size_t length) {
  const FrameIdentity* frame = FrameIdentityOf(FrameOfEnvironment(environment).get());
  const std::u16string message = script::FromEngineString(text, length);
  const std::string utf8 = Utf16ToUtf8(message.data(), message.size());
  std::fprintf(stderr, "cef-standin: alert: %s\n", utf8.c_str());
  nlohmann::json event = {{"event", "Alert"}, {"text", utf8}};
  if (frame) {
    event["browser"] = frame->browserId();
    event["frame"] = frame->label();
  }
  LogEvent(event);
}

int ParentEnvironment(int environment) {
  CefRefPtr<CefFrame> frame = FrameOfEnvironment(environment);
  if (!frame) {
    return 0;
  }
  CefRefPtr<CefFrame> parent =
      frame->IsMain() ? CefRefPtr<CefFrame>(frame.get()) : frame->GetParent();
  return EnvironmentOfFrame(parent);
}

double LoadChildFrame(int environment,
                      const char* src,
                      size_t srcLength,
                      const char* id,
                      size_t idLength) {
  CefRefPtr<CefFrame> parent = FrameOfEnvironment(environment);
  PageHost* host = PageHost::Current();
  if (!parent || !host) {
    return 0;
  }
  CefRefPtr<CefFrame> child = host->LoadChildPage(parent, script::FromEngineString(src, srcLength),
                                                  script::FromEngineString(id, idLength));
  return child ? static_cast<double>(child->GetIdentifier()) : 0;
}

CefRefPtr<CefFrame> ChildFrame(int environment, double identifier) {
  CefRefPtr<CefFrame> parent = FrameOfEnvironment(environment);
  CefRefPtr<CefBrowser> browser = parent ? parent->GetBrowser() : nullptr;
  CefRefPtr<CefFrame> child = browser ? browser->GetFrame(static_cast<int64>(identifier)) : nullptr;
  return FrameIdentityOf(child.get()) ? child : nullptr;
}

int ChildEnvironment(int environment, double identifier) {
  return EnvironmentOfFrame(ChildFrame(environment, identifier).get());
}

void UnloadChildFrame(int environment, double identifier) {
  CefRefPtr<CefFrame> child = ChildFrame(environment, identifier);
  if (PageHost* host = PageHost::Current(); child && host) {
    host->RemoveChildFrame(child);
  }
}

// alert(text)
duk_ret_t AlertNative(duk_context* ctx) {
  const int environment = EnvironmentOfNative(ctx);
  if (duk_get_top(ctx) == 0) {
    duk_push_string(ctx, "");
  }
  duk_size_t length = 0;
  const char* text = duk_safe_to_lstring(ctx, 0, &length);
  LogAlert(environment, text, length);
  return 0;
}

// window.parent
duk_ret_t ParentGetter(duk_context* ctx) {
  PushWindowOf(ctx, ParentEnvironment(EnvironmentOfNative(ctx)));
  return 1;
}

// native.loadFrame(src, id): the new child frame's identifier, 0 when none was made.
duk_ret_t LoadFrameNative(duk_context* ctx) {
  const int environment = EnvironmentOfNative(ctx);
  duk_size_t srcLength = 0;
  duk_size_t idLength = 0;
  const char* src = duk_to_lstring(ctx, 0, &srcLength);
  const char* id = duk_to_lstring(ctx, 1, &idLength);
  const double frame = LoadChildFrame(environment, src, srcLength, id, idLength);
  script::LeaveIfHeapGivenUp();  // the child's page scripts ran nested
  duk_push_number(ctx, frame);
  return 1;
}

// native.frameWindow(frame): the window of the child frame's page, or null.
duk_ret_t FrameWindowNative(duk_context* ctx) {
  const int environment = EnvironmentOfNative(ctx);
  PushWindowOf(ctx, ChildEnvironment(environment, duk_to_number(ctx, 0)));
  return 1;
}

// native.unloadFrame(frame): the child frame's page goes and the frame is detached.
duk_ret_t UnloadFrameNative(duk_context* ctx) {
  const int environment = EnvironmentOfNative(ctx);
  UnloadChildFrame(environment, duk_to_number(ctx, 0));
  return 0;
}

// Runs the document's source with the window and the natives; leaves its hooks.
duk_ret_t MakeDocument(duk_context* thread, void* data) {
  const int environment = *static_cast<const int*>(data);
  duk_push_string(thread, kDocumentSource);
  duk_push_string(thread, "document");
  duk_compile(thread, DUK_COMPILE_FUNCTION);
  duk_push_global_object(thread);
  duk_push_bare_object(thread);
  PushPageNative(thread, LoadFrameNative, 2, environment);
  duk_put_prop_string(thread, -2, "loadFrame");
  PushPageNative(thread, FrameWindowNative, 1, environment);
  duk_put_prop_string(thread, -2, "frameWindow");
  PushPageNative(thread, UnloadFrameNative, 1, environment);
  duk_put_prop_string(thread, -2, "unloadFrame");
  duk_call(thread, 2);
  return 1;
}

}  // namespace

void InstallPageDom(duk_hthread* thread, int environment) {
  duk_push_global_object(thread);
  // alert: a window's own function, writable, enumerable, configurable.
  DefineWindowFunction(thread, "alert", AlertNative, environment);
  // parent: a getter, as a window's.
  duk_push_string(thread, "parent");
  PushPageNative(thread, ParentGetter, 0, environment);
  duk_def_prop(thread, -3,
               DUK_DEFPROP_HAVE_GETTER | DUK_DEFPROP_SET_ENUMERABLE | DUK_DEFPROP_SET_CONFIGURABLE);
  // document, and the hooks C++ appends the parsed page's frames through.
  int data = environment;
  if (duk_safe_call(thread, MakeDocument, &data, 0, 1) == DUK_EXEC_SUCCESS) {
    duk_put_prop_string(thread, -2, PAGE_DOM_HOOKS);
  } else {
    duk_pop(thread);
  }
  duk_pop(thread);
}

bool AppendParsedFrame(CefRefPtr<CefFrame> frame,
                       const std::u16string& id,
                       const std::u16string& src) {
  CefRefPtr<CefV8Context> context = frame ? frame->GetV8Context() : nullptr;
  auto* own = dynamic_cast<V8Context*>(context.get());
  script::Engine& engine = script::Engine::Get();
  duk_context* thread = own && own->IsValid() ? engine.Thread(own->environment()) : nullptr;
  if (!thread || !own->Enter()) {
    return false;
  }
  const std::string idText = script::ToEngineString(id);
  const std::string srcText = script::ToEngineString(src);
  // hooks.appendParsed, hooks, id, src
  // The hook, its object and the arguments, pushed protected: a page's run may be at its
  // memory limit when its frame loads a child.
  auto push = [&idText, &srcText](duk_context* ctx) -> duk_ret_t {
    duk_push_bare_array(ctx);
    duk_push_global_object(ctx);
    duk_get_prop_string(ctx, -1, PAGE_DOM_HOOKS);
    duk_get_prop_string(ctx, -1, "appendParsed");
    duk_put_prop_index(ctx, -4, 0);
    duk_put_prop_index(ctx, -3, 1);
    duk_pop(ctx);
    duk_push_lstring(ctx, idText.data(), idText.size());
    duk_put_prop_index(ctx, -2, 2);
    duk_push_lstring(ctx, srcText.data(), srcText.size());
    duk_put_prop_index(ctx, -2, 3);
    return 1;
  };
  if (!script::Protected(thread, 0, push)) {
    duk_pop(thread);
    own->Exit();
    return false;
  }
  for (duk_uarridx_t i = 0; i < 4; ++i) {
    duk_get_prop_index(thread, -1 - static_cast<duk_idx_t>(i), i);
  }
  duk_remove(thread, -5);
  const script::RunResult run = script::CallOnStack(thread, 2, engine.limits());
  own->Exit();
  ReportUncaughtException(context, run);
  return true;
}

}  // namespace cef_standin
