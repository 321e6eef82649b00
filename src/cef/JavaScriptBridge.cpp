// The JavaScript bridge: the bridge functions on every page's window, the message
// router's functions beside them, and the V8 handler that turns a call into a process
// message to the browser process.
#include "cef/ZeltoCefApp.h"

#include "include/cef_process_message.h"
#include "include/cef_v8.h"

namespace EmbeddedBrowser {
namespace CEF {
namespace Core {
namespace {

// Writes one valid call argument at `index`. Booleans, numbers and strings travel;
// anything else (undefined, null, objects, arrays, functions, dates) leaves the index
// unwritten. Numbers are tested as doubles first, so every number travels as a double.
void WriteArgument(const CefRefPtr<CefProcessMessage>& message,
                   size_t index,
                   const CefRefPtr<CefV8Value>& argument) {
  if (argument->IsBool()) {
    message->GetArgumentList()->SetBool(index, argument->GetBoolValue());
  } else if (argument->IsDouble()) {
    message->GetArgumentList()->SetDouble(index, argument->GetDoubleValue());
  } else if (argument->IsInt()) {
    message->GetArgumentList()->SetInt(index, argument->GetIntValue());
  } else if (argument->IsString()) {
    message->GetArgumentList()->SetString(index, argument->GetStringValue());
  }
}

}  // namespace

void ZeltoCefApp::OnWebKitInitialized() {
  // One router per renderer process, with the default function names.
  CefMessageRouterConfig config;
  mMessageRouter = CefMessageRouterRendererSide::Create(config);
}

void ZeltoCefApp::OnContextCreated(CefRefPtr<CefBrowser> browser,
                                   CefRefPtr<CefFrame> frame,
                                   CefRefPtr<CefV8Context> context) {
  // The first browser seen keeps carrying the bridge messages until it is destroyed.
  if (!mBrowser) {
    mBrowser = browser;
  }

  CefRefPtr<CefV8Value> window = context ? context->GetGlobal() : nullptr;
  if (window) {
    CefRefPtr<CefV8Handler> handler = this;
    for (const std::string& name : mBridgeFunctionNames) {
      window->SetValue(name, CefV8Value::CreateFunction(name, handler), V8_PROPERTY_ATTRIBUTE_NONE);
    }
  }

  if (mMessageRouter) {
    mMessageRouter->OnContextCreated(browser, frame, context);
  }
}

void ZeltoCefApp::OnContextReleased(CefRefPtr<CefBrowser> browser,
                                    CefRefPtr<CefFrame> frame,
                                    CefRefPtr<CefV8Context> context) {
  if (mMessageRouter) {
    mMessageRouter->OnContextReleased(browser, frame, context);
  }
}

void ZeltoCefApp::OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) {
  if (browser && mBrowser && browser->IsSame(mBrowser)) {
    mBrowser = nullptr;
  }
}

bool ZeltoCefApp::Execute(const CefString& name,
                          CefRefPtr<CefV8Value> /*object*/,
                          const CefV8ValueList& arguments,
                          CefRefPtr<CefV8Value>& /*retval*/,
                          CefString& /*exception*/) {
  if (!mBrowser) {
    return false;
  }
  // Without a main frame there is nothing to send through: the call is not handled.
  CefRefPtr<CefFrame> mainFrame = mBrowser->GetMainFrame();
  if (!mainFrame) {
    return false;
  }

  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
  // Invalid arguments take no index; every valid one does, written or not.
  size_t index = 0;
  for (const CefRefPtr<CefV8Value>& argument : arguments) {
    if (!argument || !argument->IsValid()) {
      continue;
    }
    WriteArgument(message, index, argument);
    ++index;
  }

  // The page's call yields undefined at once; nothing waits for an answer.
  mainFrame->SendProcessMessage(PID_BROWSER, message);
  return true;
}

}  // namespace Core
}  // namespace CEF
}  // namespace EmbeddedBrowser
