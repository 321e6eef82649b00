// Reads the text of a document's body and hands it, as UTF-8, to a callback.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "cef/RefCount.h"
#include "include/cef_dom.h"

namespace EmbeddedBrowser {
namespace CEF {
namespace Core {

class DomVisitor : public CefDOMVisitor {
 public:
  // The callback receives the body's inner text; a document without a body gives "".
  explicit DomVisitor(const std::function<void(const std::string&)>& callback);
  DomVisitor(const DomVisitor&) = delete;
  DomVisitor& operator=(const DomVisitor&) = delete;

  // CefDOMVisitor: called by CEF on the renderer's main thread.
  void Visit(CefRefPtr<CefDOMDocument> document) override;

  // CefBaseRefCounted: the object's own count; it deletes itself with the last reference.
  void AddRef() const override;
  bool Release() const override;
  bool HasOneRef() const override;
  bool HasAtLeastOneRef() const override;

 private:
  ~DomVisitor() override = default;

  RefCount mRefCount;
  const std::function<void(const std::string&)> mCallback;
};

}  // namespace Core
}  // namespace CEF
}  // namespace EmbeddedBrowser
