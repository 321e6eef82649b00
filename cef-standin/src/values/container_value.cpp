// What lists and dictionaries share: entries read and written by index or by key.
#include "values/value_box.h"
#include "values/values.h"

namespace cef_standin {
namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

// The entry at a list index or under a dictionary key.
ValueNode* EntryAt(const ValueNode& node, size_t index) {
  return index < node.items.size() ? node.items[index].get() : nullptr;
}

ValueNode* EntryAt(const ValueNode& node, const CefString& key) {
  auto found = node.members.find(key.ToString());
  return found == node.members.end() ? nullptr : found->second.get();
}

// Removes the entry, or answers null when there is none.
std::unique_ptr<ValueNode> Unlink(ValueNode& node, size_t index) {
  if (index >= node.items.size()) {
    return nullptr;
  }
  std::unique_ptr<ValueNode> entry = std::move(node.items[index]);
  node.items.erase(node.items.begin() + static_cast<std::ptrdiff_t>(index));
  return entry;
}

std::unique_ptr<ValueNode> Unlink(ValueNode& node, const CefString& key) {
  auto found = node.members.find(key.ToString());
  if (found == node.members.end()) {
    return nullptr;
  }
  std::unique_ptr<ValueNode> entry = std::move(found->second);
  node.members.erase(found);
  return entry;
}

// Places an entry: a list index past the end grows the list with null entries; an
// entry already there is replaced.
ValueNode* Link(ValueNode& node, size_t index, std::unique_ptr<ValueNode> entry) {
  while (node.items.size() <= index) {
    node.Append(std::make_unique<ValueNode>(VTYPE_NULL));
  }
  DropNode(std::move(node.items[index]));
  entry->parent = &node;
  node.items[index] = std::move(entry);
  return node.items[index].get();
}

ValueNode* Link(ValueNode& node, const CefString& key, std::unique_ptr<ValueNode> entry) {
  std::unique_ptr<ValueNode>& slot = node.members[key.ToString()];
  DropNode(std::move(slot));
  entry->parent = &node;
  slot = std::move(entry);
  return slot.get();
}

}  // namespace

template <class I, class K>
bool ContainerValue<I, K>::IsValid() {
  return Attached();
}

template <class I, class K>
bool ContainerValue<I, K>::IsOwned() {
  return !Owner();
}

template <class I, class K>
bool ContainerValue<I, K>::IsReadOnly() {
  return readOnly();
}

template <class I, class K>
bool ContainerValue<I, K>::IsSame(CefRefPtr<I> that) {
  return SameAs(that.get());
}

template <class I, class K>
bool ContainerValue<I, K>::IsEqual(CefRefPtr<I> that) {
  return EqualTo(that.get());
}

template <class I, class K>
size_t ContainerValue<I, K>::GetSize() {
  Lock lock(ValuesLock());
  if (!node()) {
    return 0;
  }
  return node()->type == VTYPE_LIST ? node()->items.size() : node()->members.size();
}

template <class I, class K>
bool ContainerValue<I, K>::Clear() {
  Lock lock(ValuesLock());
  if (!Writable()) {
    return false;
  }
  for (auto& item : node()->items) {
    DropNode(std::move(item));
  }
  node()->items.clear();
  for (auto& member : node()->members) {
    DropNode(std::move(member.second));
  }
  node()->members.clear();
  return true;
}

template <class I, class K>
bool ContainerValue<I, K>::Take(K key) {
  std::unique_ptr<ValueNode> entry = Unlink(*node(), key);
  if (!entry) {
    return false;
  }
  DropNode(std::move(entry));
  return true;
}

template <class I, class K>
bool ContainerValue<I, K>::Remove(K key) {
  Lock lock(ValuesLock());
  return Writable() && Take(key);
}

template <class I, class K>
ValueNode* ContainerValue<I, K>::Find(K key) const {
  return node() ? EntryAt(*node(), key) : nullptr;
}

template <class I, class K>
CefValueType ContainerValue<I, K>::GetType(K key) {
  Lock lock(ValuesLock());
  const ValueNode* entry = Find(key);
  return entry ? entry->type : VTYPE_INVALID;
}

template <class I, class K>
CefRefPtr<CefValue> ContainerValue<I, K>::GetValue(K key) {
  Lock lock(ValuesLock());
  ValueNode* entry = Find(key);
  return entry ? BoxEntry(entry, readOnly()) : nullptr;
}

template <class I, class K>
bool ContainerValue<I, K>::GetBool(K key) {
  Lock lock(ValuesLock());
  return BoolOf(Find(key));
}

template <class I, class K>
int ContainerValue<I, K>::GetInt(K key) {
  Lock lock(ValuesLock());
  return IntOf(Find(key));
}

template <class I, class K>
double ContainerValue<I, K>::GetDouble(K key) {
  Lock lock(ValuesLock());
  return DoubleOf(Find(key));
}

template <class I, class K>
CefString ContainerValue<I, K>::GetString(K key) {
  Lock lock(ValuesLock());
  return StringOf(Find(key));
}

template <class I, class K>
CefRefPtr<CefBinaryValue> ContainerValue<I, K>::GetBinary(K key) {
  Lock lock(ValuesLock());
  ValueNode* entry = Find(key);
  return entry && entry->type == VTYPE_BINARY ? ViewBinary(entry, readOnly()) : nullptr;
}

template <class I, class K>
CefRefPtr<CefDictionaryValue> ContainerValue<I, K>::GetDictionary(K key) {
  Lock lock(ValuesLock());
  ValueNode* entry = Find(key);
  return entry && entry->type == VTYPE_DICTIONARY ? ViewDictionary(entry, readOnly()) : nullptr;
}

template <class I, class K>
CefRefPtr<CefListValue> ContainerValue<I, K>::GetList(K key) {
  Lock lock(ValuesLock());
  ValueNode* entry = Find(key);
  return entry && entry->type == VTYPE_LIST ? ViewList(entry, readOnly()) : nullptr;
}

template <class I, class K>
ValueNode* ContainerValue<I, K>::Put(K key, std::unique_ptr<ValueNode> entry) {
  Lock lock(ValuesLock());
  if (!Writable() || !entry) {
    return nullptr;
  }
  return Link(*node(), key, std::move(entry));
}

template <class I, class K>
bool ContainerValue<I, K>::PutHandle(K key, ValueHandle* handle) {
  Lock lock(ValuesLock());
  if (!Writable() || !handle) {
    return false;
  }
  return Put(key, handle->TakeOrCopy(node())) != nullptr;
}

template <class I, class K>
bool ContainerValue<I, K>::SetValue(K key, CefRefPtr<CefValue> value) {
  auto* box = dynamic_cast<ValueBox*>(value.get());
  Lock lock(ValuesLock());
  if (!Writable() || !box) {
    return false;
  }
  ValueNode* placed = Put(key, box->TakeOrCopy(node()));
  if (placed) {
    box->Refer(placed);
  }
  return placed != nullptr;
}

template <class I, class K>
bool ContainerValue<I, K>::SetNull(K key) {
  return Put(key, std::make_unique<ValueNode>(VTYPE_NULL)) != nullptr;
}

template <class I, class K>
bool ContainerValue<I, K>::SetBool(K key, bool value) {
  return Put(key, BoolNode(value)) != nullptr;
}

template <class I, class K>
bool ContainerValue<I, K>::SetInt(K key, int value) {
  return Put(key, IntNode(value)) != nullptr;
}

template <class I, class K>
bool ContainerValue<I, K>::SetDouble(K key, double value) {
  return Put(key, DoubleNode(value)) != nullptr;
}

template <class I, class K>
bool ContainerValue<I, K>::SetString(K key, const CefString& value) {
  return Put(key, StringNode(value)) != nullptr;
}

template <class I, class K>
bool ContainerValue<I, K>::SetBinary(K key, CefRefPtr<CefBinaryValue> value) {
  return PutHandle(key, HandleOf(value.get()));
}

template <class I, class K>
bool ContainerValue<I, K>::SetDictionary(K key, CefRefPtr<CefDictionaryValue> value) {
  return PutHandle(key, HandleOf(value.get()));
}

template <class I, class K>
bool ContainerValue<I, K>::SetList(K key, CefRefPtr<CefListValue> value) {
  return PutHandle(key, HandleOf(value.get()));
}

template class ContainerValue<CefListValue, ListKey>;
template class ContainerValue<CefDictionaryValue, DictionaryKey>;

}  // namespace cef_standin
