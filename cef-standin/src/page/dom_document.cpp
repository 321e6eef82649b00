#include "page/dom_document.h"

namespace cef_standin {
namespace {

std::u16string EscapeMarkup(const std::u16string& text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    switch (c) {
      case u'<':
        out += u"&lt;";
        break;
      case u'>':
        out += u"&gt;";
        break;
      case u'&':
        out += u"&amp;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

DomBody::DomBody(CefRefPtr<DomDocument> document, const std::u16string& text)
    : document_(document), text_(text) {}

bool DomBody::Attached() const {
  return document_ && document_->attached();
}

CefDOMNode::Type DomBody::GetType() {
  return Attached() ? DOM_NODE_TYPE_ELEMENT : DOM_NODE_TYPE_UNSUPPORTED;
}

bool DomBody::IsElement() {
  return Attached();
}

CefString DomBody::GetName() {
  return Attached() ? CefString("BODY") : CefString();
}

CefString DomBody::GetAsMarkup() {
  return Attached() ? CefString(u"<body>" + EscapeMarkup(text_) + u"</body>") : CefString();
}

CefRefPtr<CefDOMDocument> DomBody::GetDocument() {
  return Attached() ? CefRefPtr<CefDOMDocument>(document_) : nullptr;
}

CefString DomBody::GetElementTagName() {
  return Attached() ? CefString("BODY") : CefString();
}

CefString DomBody::GetElementInnerText() {
  return Attached() ? CefString(text_) : CefString();
}

DomDocument::DomDocument(std::optional<std::u16string> bodyText) : bodyText_(std::move(bodyText)) {}

void DomDocument::Detach() {
  attached_ = false;
  body_ = nullptr;  // the body holds the document: let both go
}

CefDOMDocument::Type DomDocument::GetType() {
  return attached_ ? DOM_DOCUMENT_TYPE_HTML : DOM_DOCUMENT_TYPE_UNKNOWN;
}

CefRefPtr<CefDOMNode> DomDocument::GetBody() {
  if (!attached_ || !bodyText_) {
    return nullptr;
  }
  if (!body_) {
    body_ = new DomBody(this, *bodyText_);
  }
  return body_.get();
}

}  // namespace cef_standin
