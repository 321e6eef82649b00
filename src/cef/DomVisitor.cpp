#include "cef/DomVisitor.h"

namespace EmbeddedBrowser {
namespace CEF {
namespace Core {

DomVisitor::DomVisitor(const std::function<void(const std::string&)>& callback)
    : mCallback(callback) {}

void DomVisitor::Visit(CefRefPtr<CefDOMDocument> document) {
  // The text of the body as CEF gives it (its text content), not its markup.
  CefRefPtr<CefDOMNode> body = document ? document->GetBody() : nullptr;
  const std::string text = body ? body->GetElementInnerText().ToString() : std::string();
  // An empty callback would throw into CEF; there is then nobody to tell.
  if (mCallback) {
    mCallback(text);
  }
}

void DomVisitor::AddRef() const {
  mRefCount.AddRef();
}

bool DomVisitor::Release() const {
  if (mRefCount.Release()) {
    delete this;
    return true;
  }
  return false;
}

bool DomVisitor::HasOneRef() const {
  return mRefCount.HasOneRef();
}

bool DomVisitor::HasAtLeastOneRef() const {
  return mRefCount.HasAtLeastOneRef();
}

}  // namespace Core
}  // namespace CEF
}  // namespace EmbeddedBrowser
