#include "values/values.h"

namespace cef_standin {

using Lock = std::lock_guard<std::recursive_mutex>;

ListValue::ListValue() : ContainerValue(std::make_unique<ValueNode>(VTYPE_LIST), false) {}

CefRefPtr<CefListValue> ListValue::Copy() {
  Lock lock(ValuesLock());
  return node() ? new ListValue(node()->Clone()) : nullptr;
}

bool ListValue::SetSize(size_t size) {
  Lock lock(ValuesLock());
  if (!Writable()) {
    return false;
  }
  auto& items = node()->items;
  while (items.size() > size) {
    DropNode(std::move(items.back()));
    items.pop_back();
  }
  while (items.size() < size) {
    node()->Append(std::make_unique<ValueNode>(VTYPE_NULL));
  }
  return true;
}

CefRefPtr<ListValue> ListValue::Detach() {
  Lock lock(ValuesLock());
  std::unique_ptr<ValueNode> tree = TakeOrCopy(nullptr);
  return new ListValue(tree ? std::move(tree) : std::make_unique<ValueNode>(VTYPE_LIST));
}

namespace {

// A node read through CEF's API, for values that are not the stand-in's own.
template <typename Container, typename Key>
std::unique_ptr<ValueNode> ReadEntry(Container& container, const Key& key, int depth) {
  auto entry = std::make_unique<ValueNode>(container->GetType(key));
  switch (entry->type) {
    case VTYPE_BOOL:
      entry->boolValue = container->GetBool(key);
      break;
    case VTYPE_INT:
      entry->intValue = container->GetInt(key);
      break;
    case VTYPE_DOUBLE:
      entry->doubleValue = container->GetDouble(key);
      break;
    case VTYPE_STRING:
      entry->stringValue = container->GetString(key).ToString();
      break;
    case VTYPE_LIST:
      if (CefRefPtr<CefListValue> list = container->GetList(key); list && depth < 64) {
        for (size_t i = 0; i < list->GetSize(); ++i) {
          entry->Append(ReadEntry(list, i, depth + 1));
        }
      }
      break;
    case VTYPE_DICTIONARY:
      if (CefRefPtr<CefDictionaryValue> dictionary = container->GetDictionary(key);
          dictionary && depth < 64) {
        CefDictionaryValue::KeyList keys;
        dictionary->GetKeys(keys);
        for (const CefString& name : keys) {
          entry->AddMember(name.ToString(), ReadEntry(dictionary, name, depth + 1));
        }
      }
      break;
    default:
      entry->type = VTYPE_NULL;
      break;
  }
  return entry;
}

}  // namespace

std::unique_ptr<ValueNode> ListTree(CefRefPtr<CefListValue> list) {
  Lock lock(ValuesLock());
  if (ValueHandle* own = HandleOf(list.get())) {
    return own->node() ? own->node()->Clone() : std::make_unique<ValueNode>(VTYPE_LIST);
  }
  auto tree = std::make_unique<ValueNode>(VTYPE_LIST);
  for (size_t i = 0; list && i < list->GetSize(); ++i) {
    tree->Append(ReadEntry(list, i, 0));
  }
  return tree;
}

}  // namespace cef_standin

CefRefPtr<CefListValue> CefListValue::Create() {
  return new cef_standin::ListValue();
}
