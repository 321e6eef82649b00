// The commands the browser process sends to a renderer: "getDocumentBody" captures the
// text of the main frame's document body and answers with "getDocumentFinished";
// "terminateProc" ends the renderer. Every message then goes to the message router.
#include <cstdlib>

#include "cef/DomVisitor.h"
#include "cef/ZeltoCefApp.h"
#include "include/cef_process_message.h"

namespace EmbeddedBrowser {
namespace CEF {
namespace Core {
namespace {

constexpr char kGetDocumentBody[] = "getDocumentBody";
constexpr char kGetDocumentFinished[] = "getDocumentFinished";
constexpr char kTerminateProc[] = "terminateProc";

// Sends the captured text back: the request's entry 0 echoed at 0, the text at 1.
void SendDocumentFinished(const CefRefPtr<CefProcessMessage>& request,
                          const CefRefPtr<CefBrowser>& browser,
                          const std::string& text) {
  // A browser without a main frame has nothing to send the reply through.
  CefRefPtr<CefFrame> mainFrame = browser->GetMainFrame();
  if (!mainFrame) {
    return;
  }
  CefRefPtr<CefProcessMessage> reply = CefProcessMessage::Create(kGetDocumentFinished);
  reply->GetArgumentList()->SetString(0, request->GetArgumentList()->GetString(0));
  reply->GetArgumentList()->SetString(1, CefString(text));
  mainFrame->SendProcessMessage(PID_BROWSER, reply);
}

// Visits the main frame's document; the reply goes out whenever CEF runs the visitor,
// and the callback keeps the request and the browser alive until then.
void CaptureDocumentBody(const CefRefPtr<CefBrowser>& browser,
                         const CefRefPtr<CefProcessMessage>& request) {
  CefRefPtr<CefFrame> mainFrame = browser ? browser->GetMainFrame() : nullptr;
  if (!mainFrame) {
    return;  // no document to read and nothing to answer through
  }
  auto onText = [request, browser](const std::string& text) {
    SendDocumentFinished(request, browser, text);
  };
  CefRefPtr<CefDOMVisitor> visitor = new DomVisitor(onText);
  mainFrame->VisitDOM(visitor);
}

}  // namespace

bool ZeltoCefApp::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                           CefRefPtr<CefFrame> frame,
                                           CefProcessId source_process,
                                           CefRefPtr<CefProcessMessage> message) {
  if (!message) {
    return false;
  }
  // Only the browser process may give commands; names match exactly, case included.
  const CefString name = message->GetName();
  if (name == kGetDocumentBody) {
    if (source_process == PID_BROWSER) {
      CaptureDocumentBody(browser, message);
    }
  } else if (name == kTerminateProc && source_process == PID_BROWSER) {
    // A normal exit: exit handlers and static destructors run.
    std::exit(0);
  }

  // Every message is also the router's; its answer is the one CEF gets.
  return mMessageRouter
             ? mMessageRouter->OnProcessMessageReceived(browser, frame, source_process, message)
             : false;
}

}  // namespace Core
}  // namespace CEF
}  // namespace EmbeddedBrowser
