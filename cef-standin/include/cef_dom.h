// The DOM of a frame's document as the renderer sees it. Documents and nodes are
// snapshots that are valid only while CEF runs the visitor they were given to.
#ifndef CEF_INCLUDE_CEF_DOM_H_
#define CEF_INCLUDE_CEF_DOM_H_

#include <map>

#include "include/cef_base.h"

typedef enum {
  DOM_DOCUMENT_TYPE_UNKNOWN = 0,
  DOM_DOCUMENT_TYPE_HTML,
  DOM_DOCUMENT_TYPE_XHTML,
  DOM_DOCUMENT_TYPE_PLUGIN,
} cef_dom_document_type_t;

typedef enum {
  DOM_NODE_TYPE_UNSUPPORTED = 0,
  DOM_NODE_TYPE_ELEMENT,
  DOM_NODE_TYPE_ATTRIBUTE,
  DOM_NODE_TYPE_TEXT,
  DOM_NODE_TYPE_CDATA_SECTION,
  DOM_NODE_TYPE_PROCESSING_INSTRUCTIONS,
  DOM_NODE_TYPE_COMMENT,
  DOM_NODE_TYPE_DOCUMENT,
  DOM_NODE_TYPE_DOCUMENT_TYPE,
  DOM_NODE_TYPE_DOCUMENT_FRAGMENT,
} cef_dom_node_type_t;

class CefDOMDocument;
class CefDOMNode;

// Implemented by the application to read a document (CefFrame::VisitDOM).
class CefDOMVisitor : public virtual CefBaseRefCounted {
 public:
  // Called on the renderer's main thread; `document` is valid during this call only.
  virtual void Visit(CefRefPtr<CefDOMDocument> document) = 0;
};

class CefDOMDocument : public virtual CefBaseRefCounted {
 public:
  typedef cef_dom_document_type_t Type;

  virtual Type GetType() = 0;
  virtual CefRefPtr<CefDOMNode> GetDocument() = 0;
  // The BODY element of an HTML document; null when there is none.
  virtual CefRefPtr<CefDOMNode> GetBody() = 0;
  virtual CefRefPtr<CefDOMNode> GetHead() = 0;
  virtual CefString GetTitle() = 0;
  virtual CefRefPtr<CefDOMNode> GetElementById(const CefString& id) = 0;
  virtual CefRefPtr<CefDOMNode> GetFocusedNode() = 0;
  virtual bool HasSelection() = 0;
  virtual int GetSelectionStartOffset() = 0;
  virtual int GetSelectionEndOffset() = 0;
  virtual CefString GetSelectionAsMarkup() = 0;
  virtual CefString GetSelectionAsText() = 0;
  virtual CefString GetBaseURL() = 0;
  virtual CefString GetCompleteURL(const CefString& partialURL) = 0;
};

class CefDOMNode : public virtual CefBaseRefCounted {
 public:
  typedef std::map<CefString, CefString> AttributeMap;
  typedef cef_dom_node_type_t Type;

  virtual Type GetType() = 0;
  virtual bool IsText() = 0;
  virtual bool IsElement() = 0;
  virtual bool IsEditable() = 0;
  virtual bool IsFormControlElement() = 0;
  virtual CefString GetFormControlElementType() = 0;
  virtual bool IsSame(CefRefPtr<CefDOMNode> that) = 0;
  virtual CefString GetName() = 0;
  virtual CefString GetValue() = 0;
  virtual bool SetValue(const CefString& value) = 0;
  // The node with its markup; for text alone see GetElementInnerText.
  virtual CefString GetAsMarkup() = 0;
  virtual CefRefPtr<CefDOMDocument> GetDocument() = 0;
  virtual CefRefPtr<CefDOMNode> GetParent() = 0;
  virtual CefRefPtr<CefDOMNode> GetPreviousSibling() = 0;
  virtual CefRefPtr<CefDOMNode> GetNextSibling() = 0;
  virtual bool HasChildren() = 0;
  virtual CefRefPtr<CefDOMNode> GetFirstChild() = 0;
  virtual CefRefPtr<CefDOMNode> GetLastChild() = 0;

  // Element nodes only.
  virtual CefString GetElementTagName() = 0;
  virtual bool HasElementAttributes() = 0;
  virtual bool HasElementAttribute(const CefString& attrName) = 0;
  virtual CefString GetElementAttribute(const CefString& attrName) = 0;
  virtual void GetElementAttributes(AttributeMap& attrMap) = 0;
  virtual bool SetElementAttribute(const CefString& attrName, const CefString& value) = 0;
  // The element's DOM textContent: every text node below it, script and style text and
  // text hidden by CSS included, with no line breaks from layout.
  virtual CefString GetElementInnerText() = 0;
};

#endif  // CEF_INCLUDE_CEF_DOM_H_
