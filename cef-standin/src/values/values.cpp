#include "values/values.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace cef_standin {

std::recursive_mutex& ValuesLock() {
  static auto* lock = new std::recursive_mutex();  // never destroyed: used at exit
  return *lock;
}

// Nodes

std::unique_ptr<ValueNode> ValueNode::Clone(bool withoutEmpty) const {
  auto copy = std::make_unique<ValueNode>(type);
  copy->boolValue = boolValue;
  copy->intValue = intValue;
  copy->doubleValue = doubleValue;
  copy->stringValue = stringValue;
  copy->bytes = bytes;
  for (const auto& item : items) {
    if (auto child = item->Clone(withoutEmpty)) {
      copy->Append(std::move(child));
    }
  }
  for (const auto& [key, member] : members) {
    if (auto child = member->Clone(withoutEmpty)) {
      copy->AddMember(key, std::move(child));
    }
  }
  const bool emptied = (type == VTYPE_LIST && copy->items.empty()) ||
                       (type == VTYPE_DICTIONARY && copy->members.empty());
  return withoutEmpty && emptied ? nullptr : std::move(copy);
}

bool ValueNode::Equals(const ValueNode& other) const {
  if (type != other.type) {
    return false;
  }
  switch (type) {
    case VTYPE_BOOL:
      return boolValue == other.boolValue;
    case VTYPE_INT:
      return intValue == other.intValue;
    case VTYPE_DOUBLE:
      return doubleValue == other.doubleValue;
    case VTYPE_STRING:
      return stringValue == other.stringValue;
    case VTYPE_BINARY:
      return bytes == other.bytes;
    case VTYPE_LIST:
      return std::equal(items.begin(), items.end(), other.items.begin(), other.items.end(),
                        [](const auto& a, const auto& b) { return a->Equals(*b); });
    case VTYPE_DICTIONARY:
      return std::equal(members.begin(), members.end(), other.members.begin(), other.members.end(),
                        [](const auto& a, const auto& b) {
                          return a.first == b.first && a.second->Equals(*b.second);
                        });
    default:
      return true;
  }
}

const ValueNode* ValueNode::Root() const {
  const ValueNode* node = this;
  while (node->parent) {
    node = node->parent;
  }
  return node;
}

ValueNode* ValueNode::Append(std::unique_ptr<ValueNode> child) {
  child->parent = this;
  items.push_back(std::move(child));
  return items.back().get();
}

ValueNode* ValueNode::AddMember(const std::string& key, std::unique_ptr<ValueNode> child) {
  child->parent = this;
  std::unique_ptr<ValueNode>& slot = members[key];
  slot = std::move(child);
  return slot.get();
}

void DropNode(std::unique_ptr<ValueNode> node) {
  if (!node) {
    return;
  }
  std::vector<ValueNode*> pending = {node.get()};
  while (!pending.empty()) {
    ValueNode* current = pending.back();
    pending.pop_back();
    for (ValueHandle* view : current->views) {
      view->Forget();
    }
    current->views.clear();
    for (auto& item : current->items) {
      pending.push_back(item.get());
    }
    for (auto& [key, member] : current->members) {
      pending.push_back(member.get());
    }
  }
}

std::unique_ptr<ValueNode> BoolNode(bool value) {
  auto node = std::make_unique<ValueNode>(VTYPE_BOOL);
  node->boolValue = value;
  return node;
}

std::unique_ptr<ValueNode> IntNode(int value) {
  auto node = std::make_unique<ValueNode>(VTYPE_INT);
  node->intValue = value;
  return node;
}

std::unique_ptr<ValueNode> DoubleNode(double value) {
  auto node = std::make_unique<ValueNode>(VTYPE_DOUBLE);
  node->doubleValue = std::isfinite(value) ? value : 0.0;
  return node;
}

std::unique_ptr<ValueNode> StringNode(const CefString& value) {
  auto node = std::make_unique<ValueNode>(VTYPE_STRING);
  node->stringValue = value.ToString();
  return node;
}

bool BoolOf(const ValueNode* node) {
  return node && node->type == VTYPE_BOOL && node->boolValue;
}

int IntOf(const ValueNode* node) {
  return node && node->type == VTYPE_INT ? node->intValue : 0;
}

double DoubleOf(const ValueNode* node) {
  if (node && node->type == VTYPE_DOUBLE) {
    return node->doubleValue;
  }
  return node && node->type == VTYPE_INT ? node->intValue : 0.0;
}

CefString StringOf(const ValueNode* node) {
  return node && node->type == VTYPE_STRING ? CefString(node->stringValue) : CefString();
}

// Handles

ValueHandle::ValueHandle(std::unique_ptr<ValueNode> root, bool readOnly)
    : node_(root.get()), owned_(std::move(root)), owning_(true), readOnly_(readOnly) {}

ValueHandle::ValueHandle(ValueNode* viewed, bool readOnly)
    : node_(viewed), owning_(false), readOnly_(readOnly) {
  viewed->views.push_back(this);  // the caller holds the values lock
}

ValueHandle::~ValueHandle() {
  std::lock_guard<std::recursive_mutex> lock(ValuesLock());
  if (owned_) {
    DropNode(std::move(owned_));
  } else if (node_) {
    auto& views = node_->views;
    views.erase(std::remove(views.begin(), views.end(), this), views.end());
  }
}

bool ValueHandle::Attached() const {
  std::lock_guard<std::recursive_mutex> lock(ValuesLock());
  return node_ != nullptr;
}

std::unique_ptr<ValueNode> ValueHandle::TakeOrCopy(const ValueNode* target) {
  if (!node_) {
    return nullptr;
  }
  if (!owned_) {
    return node_->Clone();
  }
  if (target && target->Root() == node_) {
    return nullptr;  // a tree cannot be put inside itself
  }
  node_ = nullptr;
  return std::move(owned_);
}

bool ValueHandle::SameAs(CefBaseRefCounted* that) {
  ValueHandle* other = HandleOf(that);
  if (!other || other == this) {
    return other != nullptr;
  }
  std::lock_guard<std::recursive_mutex> lock(ValuesLock());
  return node_ && other->node_ == node_;
}

bool ValueHandle::EqualTo(CefBaseRefCounted* that) {
  ValueHandle* other = HandleOf(that);
  if (!other || other == this) {
    return other != nullptr;
  }
  std::lock_guard<std::recursive_mutex> lock(ValuesLock());
  return node_ && other->node_ && node_->Equals(*other->node_);
}

ValueHandle* HandleOf(CefBaseRefCounted* value) {
  return dynamic_cast<ValueHandle*>(value);
}

// Binaries

bool BinaryValue::IsValid() {
  return Attached();
}

bool BinaryValue::IsOwned() {
  return !Owner();
}

bool BinaryValue::IsSame(CefRefPtr<CefBinaryValue> that) {
  return SameAs(that.get());
}

bool BinaryValue::IsEqual(CefRefPtr<CefBinaryValue> that) {
  return EqualTo(that.get());
}

CefRefPtr<CefBinaryValue> BinaryValue::Copy() {
  std::lock_guard<std::recursive_mutex> lock(ValuesLock());
  return node() ? new BinaryValue(node()->Clone()) : nullptr;
}

size_t BinaryValue::GetSize() {
  std::lock_guard<std::recursive_mutex> lock(ValuesLock());
  return node() ? node()->bytes.size() : 0;
}

size_t BinaryValue::GetData(void* buffer, size_t buffer_size, size_t data_offset) {
  std::lock_guard<std::recursive_mutex> lock(ValuesLock());
  if (!buffer || buffer_size == 0 || !node() || data_offset >= node()->bytes.size()) {
    return 0;
  }
  const size_t size = std::min(buffer_size, node()->bytes.size() - data_offset);
  std::memcpy(buffer, node()->bytes.data() + data_offset, size);
  return size;
}

CefRefPtr<CefBinaryValue> ViewBinary(ValueNode* node, bool) {
  return new BinaryValue(node);
}

CefRefPtr<CefDictionaryValue> ViewDictionary(ValueNode* node, bool readOnly) {
  return new DictionaryValue(node, readOnly);
}

CefRefPtr<CefListValue> ViewList(ValueNode* node, bool readOnly) {
  return new ListValue(node, readOnly);
}

}  // namespace cef_standin

CefRefPtr<CefBinaryValue> CefBinaryValue::Create(const void* data, size_t data_size) {
  if (!data || data_size == 0) {
    return nullptr;
  }
  auto node = std::make_unique<cef_standin::ValueNode>(VTYPE_BINARY);
  const char* bytes = static_cast<const char*>(data);
  node->bytes.assign(bytes, bytes + data_size);
  return new cef_standin::BinaryValue(std::move(node));
}
