// The stand-in's DOM: an HTML document with an optional BODY element, handed to a
// visitor and detached when the visit ends, after which it answers nothing.
#ifndef CEF_STANDIN_SRC_PAGE_DOM_DOCUMENT_H_
#define CEF_STANDIN_SRC_PAGE_DOM_DOCUMENT_H_

#include <optional>
#include <string>

#include "include/cef_dom.h"

namespace cef_standin {

class DomDocument;

// The BODY element.
class DomBody : public CefDOMNode {
 public:
  DomBody(CefRefPtr<DomDocument> document, const std::u16string& text);

  Type GetType() override;
  bool IsText() override { return false; }
  bool IsElement() override;
  bool IsEditable() override { return false; }
  bool IsFormControlElement() override { return false; }
  CefString GetFormControlElementType() override { return CefString(); }
  bool IsSame(CefRefPtr<CefDOMNode> that) override { return that.get() == this; }
  CefString GetName() override;
  CefString GetValue() override { return CefString(); }
  bool SetValue(const CefString& value) override { return false; }
  CefString GetAsMarkup() override;
  CefRefPtr<CefDOMDocument> GetDocument() override;
  CefRefPtr<CefDOMNode> GetParent() override { return nullptr; }
  CefRefPtr<CefDOMNode> GetPreviousSibling() override { return nullptr; }
  CefRefPtr<CefDOMNode> GetNextSibling() override { return nullptr; }
  bool HasChildren() override { return false; }
  CefRefPtr<CefDOMNode> GetFirstChild() override { return nullptr; }
  CefRefPtr<CefDOMNode> GetLastChild() override { return nullptr; }
  CefString GetElementTagName() override;
  bool HasElementAttributes() override { return false; }
  bool HasElementAttribute(const CefString& attrName) override { return false; }
  CefString GetElementAttribute(const CefString& attrName) override { return CefString(); }
  void GetElementAttributes(AttributeMap& attrMap) override {}
  bool SetElementAttribute(const CefString& attrName, const CefString& value) override {
    return false;
  }
  CefString GetElementInnerText() override;

 private:
  bool Attached() const;

  CefRefPtr<DomDocument> document_;
  const std::u16string text_;

  IMPLEMENT_REFCOUNTING(DomBody);
};

class DomDocument : public CefDOMDocument {
 public:
  explicit DomDocument(std::optional<std::u16string> bodyText);

  bool attached() const { return attached_; }
  // The visit is over: the document and its nodes stop answering.
  void Detach();

  Type GetType() override;
  CefRefPtr<CefDOMNode> GetDocument() override { return nullptr; }
  CefRefPtr<CefDOMNode> GetBody() override;
  CefRefPtr<CefDOMNode> GetHead() override { return nullptr; }
  CefString GetTitle() override { return CefString(); }
  CefRefPtr<CefDOMNode> GetElementById(const CefString& id) override { return nullptr; }
  CefRefPtr<CefDOMNode> GetFocusedNode() override { return nullptr; }
  bool HasSelection() override { return false; }
  int GetSelectionStartOffset() override { return 0; }
  int GetSelectionEndOffset() override { return 0; }
  CefString GetSelectionAsMarkup() override { return CefString(); }
  CefString GetSelectionAsText() override { return CefString(); }
  CefString GetBaseURL() override { return CefString(); }
  CefString GetCompleteURL(const CefString& partialURL) override { return CefString(); }

 private:
  std::optional<std::u16string> bodyText_;
  CefRefPtr<DomBody> body_;  // made on first request, dropped at Detach
  bool attached_ = true;

  IMPLEMENT_REFCOUNTING(DomDocument);
};

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_PAGE_DOM_DOCUMENT_H_
