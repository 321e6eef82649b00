#include "values/value_box.h"

namespace cef_standin {
namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

// A handle of the node's kind (binary, list or dictionary): one viewing it, or one owning
// it.
CefRefPtr<CefBaseRefCounted> HandleFor(ValueNode* node, bool readOnly) {
  switch (node->type) {
    case VTYPE_BINARY:
      return ViewBinary(node, readOnly).get();
    case VTYPE_LIST:
      return ViewList(node, readOnly).get();
    default:
      return ViewDictionary(node, readOnly).get();
  }
}

CefRefPtr<CefBaseRefCounted> HandleFor(std::unique_ptr<ValueNode> root) {
  switch (root->type) {
    case VTYPE_BINARY:
      return new BinaryValue(std::move(root));
    case VTYPE_LIST:
      return new ListValue(std::move(root));
    default:
      return new DictionaryValue(std::move(root));
  }
}

}  // namespace

ValueBox::ValueBox(CefRefPtr<CefBaseRefCounted> held, CefValueType type)
    : held_(held), heldType_(type) {}

CefRefPtr<CefValue> BoxEntry(ValueNode* node, bool readOnly) {
  switch (node->type) {
    case VTYPE_BINARY:
    case VTYPE_LIST:
    case VTYPE_DICTIONARY:
      return new ValueBox(HandleFor(node, readOnly), node->type);
    default:
      return new ValueBox(node->Clone());
  }
}

std::unique_ptr<ValueNode> ValueBox::TakeOrCopy(const ValueNode* target) {
  Lock lock(ValuesLock());
  if (ValueHandle* handle = held()) {
    return handle->TakeOrCopy(target);
  }
  return simple_ ? simple_->Clone() : nullptr;
}

void ValueBox::Refer(ValueNode* placed) {
  Lock lock(ValuesLock());
  if (!held_) {
    return;
  }
  // The view is made writable whatever the handle given was.
  held_ = HandleFor(placed, false);
}

bool ValueBox::IsValid() {
  Lock lock(ValuesLock());
  ValueHandle* handle = held();
  return handle ? handle->node() != nullptr : simple_ != nullptr;
}

bool ValueBox::IsOwned() {
  Lock lock(ValuesLock());
  ValueHandle* handle = held();
  return handle && !handle->Owner();
}

bool ValueBox::IsReadOnly() {
  Lock lock(ValuesLock());
  ValueHandle* handle = held();
  return handle && (heldType_ == VTYPE_BINARY || handle->readOnly());
}

bool ValueBox::IsSame(CefRefPtr<CefValue> that) {
  if (that.get() == this) {
    return true;
  }
  auto* other = dynamic_cast<ValueBox*>(that.get());
  Lock lock(ValuesLock());
  if (!other || !held() || !other->held() || other->heldType_ != heldType_) {
    return false;
  }
  return held()->node() && held()->node() == other->held()->node();
}

bool ValueBox::IsEqual(CefRefPtr<CefValue> that) {
  if (that.get() == this) {
    return true;
  }
  auto* other = dynamic_cast<ValueBox*>(that.get());
  Lock lock(ValuesLock());
  if (!other || other->GetType() != GetType()) {
    return false;
  }
  const ValueNode* mine = held() ? held()->node() : simple_.get();
  const ValueNode* theirs = other->held() ? other->held()->node() : other->simple_.get();
  if (!mine || !theirs) {
    return !mine && !theirs;  // invalid values are equal
  }
  return mine->Equals(*theirs);
}

CefRefPtr<CefValue> ValueBox::Copy() {
  Lock lock(ValuesLock());
  if (ValueHandle* handle = held()) {
    if (!handle->node()) {
      return new ValueBox(std::unique_ptr<ValueNode>());
    }
    return new ValueBox(HandleFor(handle->node()->Clone()), heldType_);
  }
  return new ValueBox(simple_ ? simple_->Clone() : nullptr);
}

CefValueType ValueBox::GetType() {
  Lock lock(ValuesLock());
  if (held_) {
    return heldType_;
  }
  return simple_ ? simple_->type : VTYPE_INVALID;
}

bool ValueBox::GetBool() {
  Lock lock(ValuesLock());
  return BoolOf(simple_.get());
}

int ValueBox::GetInt() {
  Lock lock(ValuesLock());
  return IntOf(simple_.get());
}

double ValueBox::GetDouble() {
  Lock lock(ValuesLock());
  return DoubleOf(simple_.get());
}

CefString ValueBox::GetString() {
  Lock lock(ValuesLock());
  return StringOf(simple_.get());
}

CefRefPtr<CefBinaryValue> ValueBox::GetBinary() {
  Lock lock(ValuesLock());
  return heldType_ == VTYPE_BINARY ? dynamic_cast<CefBinaryValue*>(held_.get()) : nullptr;
}

CefRefPtr<CefDictionaryValue> ValueBox::GetDictionary() {
  Lock lock(ValuesLock());
  return heldType_ == VTYPE_DICTIONARY ? dynamic_cast<CefDictionaryValue*>(held_.get()) : nullptr;
}

CefRefPtr<CefListValue> ValueBox::GetList() {
  Lock lock(ValuesLock());
  return heldType_ == VTYPE_LIST ? dynamic_cast<CefListValue*>(held_.get()) : nullptr;
}

bool ValueBox::SetSimple(std::unique_ptr<ValueNode> node) {
  Lock lock(ValuesLock());
  held_ = nullptr;
  heldType_ = VTYPE_INVALID;
  simple_ = std::move(node);
  return true;
}

bool ValueBox::Hold(CefRefPtr<CefBaseRefCounted> held, CefValueType type) {
  if (!held || !HandleOf(held.get())) {
    return false;
  }
  Lock lock(ValuesLock());
  simple_.reset();
  held_ = held;
  heldType_ = type;
  return true;
}

bool ValueBox::SetNull() {
  return SetSimple(std::make_unique<ValueNode>(VTYPE_NULL));
}

bool ValueBox::SetBool(bool value) {
  return SetSimple(BoolNode(value));
}

bool ValueBox::SetInt(int value) {
  return SetSimple(IntNode(value));
}

bool ValueBox::SetDouble(double value) {
  return SetSimple(DoubleNode(value));
}

bool ValueBox::SetString(const CefString& value) {
  return SetSimple(StringNode(value));
}

bool ValueBox::SetBinary(CefRefPtr<CefBinaryValue> value) {
  return Hold(value.get(), VTYPE_BINARY);
}

bool ValueBox::SetDictionary(CefRefPtr<CefDictionaryValue> value) {
  return Hold(value.get(), VTYPE_DICTIONARY);
}

bool ValueBox::SetList(CefRefPtr<CefListValue> value) {
  return Hold(value.get(), VTYPE_LIST);
}

}  // namespace cef_standin

CefRefPtr<CefValue> CefValue::Create() {
  return new cef_standin::ValueBox(std::make_unique<cef_standin::ValueNode>(VTYPE_NULL));
}
