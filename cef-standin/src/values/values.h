// The stand-in's values: trees of nodes (null, bool, int, double, string, binary, list,
// dictionary), reached through handles. A handle either owns a tree (made by Create or
// Copy, or holding a process message's arguments) or views one node inside a tree it
// does not own (what GetList, GetDictionary and GetBinary give). A view turns invalid
// once its node leaves the tree (replaced, removed, cleared) or the tree's owner goes;
// an owner handle set into a container gives its tree away and turns invalid, while the
// views inside the tree stay valid. Strings and keys are held as UTF-8, as CEF holds
// them. One lock guards every tree, so values may be used from any thread.
#ifndef CEF_STANDIN_SRC_VALUES_VALUES_H_
#define CEF_STANDIN_SRC_VALUES_VALUES_H_

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "include/cef_values.h"

namespace cef_standin {

class ValueHandle;

// The lock of every value tree (recursive: a handle's release may run inside a call).
std::recursive_mutex& ValuesLock();

struct ValueNode {
  CefValueType type = VTYPE_NULL;
  bool boolValue = false;
  int intValue = 0;
  double doubleValue = 0;
  std::string stringValue;  // UTF-8, as CEF keeps it: unpaired surrogates are U+FFFD
  std::vector<char> bytes;
  std::vector<std::unique_ptr<ValueNode>> items;              // a list's entries
  std::map<std::string, std::unique_ptr<ValueNode>> members;  // a dictionary's, keys UTF-8
  ValueNode* parent = nullptr;
  std::vector<ValueHandle*> views;  // handles viewing this node (not owning it)

  explicit ValueNode(CefValueType t = VTYPE_NULL) : type(t) {}
  ValueNode(const ValueNode&) = delete;
  ValueNode& operator=(const ValueNode&) = delete;

  // A deep copy with no views; with `withoutEmpty`, lists and dictionaries left empty
  // are left out (the answer is null when this node itself is one).
  std::unique_ptr<ValueNode> Clone(bool withoutEmpty = false) const;
  bool Equals(const ValueNode& other) const;
  // The root of the tree this node is in.
  const ValueNode* Root() const;
  // Makes `child` this list's last entry; answers it.
  ValueNode* Append(std::unique_ptr<ValueNode> child);
  // Makes `child` this dictionary's member under `key`, in a tree being built (a member
  // there already goes without its views being told); answers it.
  ValueNode* AddMember(const std::string& key, std::unique_ptr<ValueNode> child);
};

// Invalidates every view into `node` and below, and frees it.
void DropNode(std::unique_ptr<ValueNode> node);

// A node of a simple value as lists, dictionaries and CefValue keep it: a string as
// UTF-8; a double that is NaN or infinite, which JSON cannot hold, as 0.
std::unique_ptr<ValueNode> BoolNode(bool value);
std::unique_ptr<ValueNode> IntNode(int value);
std::unique_ptr<ValueNode> DoubleNode(double value);
std::unique_ptr<ValueNode> StringNode(const CefString& value);

// What CEF's getters answer for a node (or none): its value when it is of that type, an
// int read as a double too; else false, 0 or an empty string.
bool BoolOf(const ValueNode* node);
int IntOf(const ValueNode* node);
double DoubleOf(const ValueNode* node);
CefString StringOf(const ValueNode* node);

// What list, dictionary and binary handles share.
class ValueHandle {
 public:
  ValueHandle(const ValueHandle&) = delete;
  ValueHandle& operator=(const ValueHandle&) = delete;

  // Holds the values lock.
  bool Attached() const;
  // Made owning a tree (whether it still holds it or gave it away).
  bool Owner() const { return owning_; }
  ValueNode* node() const { return node_; }
  // What another process hands over is read-only, down to every view.
  void MarkReadOnly() { readOnly_ = true; }
  bool readOnly() const { return readOnly_; }
  // The node to put into `target`'s tree: the whole tree of an owner (which turns
  // invalid), else a copy of the viewed node. Null when detached, or when the owner's
  // tree holds `target` itself.
  std::unique_ptr<ValueNode> TakeOrCopy(const ValueNode* target);
  // Whether `that` (a handle of the same kind) views the same node, or an equal one; a
  // handle is the same as itself even once invalid.
  bool SameAs(CefBaseRefCounted* that);
  bool EqualTo(CefBaseRefCounted* that);

 protected:
  ValueHandle(std::unique_ptr<ValueNode> root, bool readOnly);
  ValueHandle(ValueNode* viewed, bool readOnly);
  virtual ~ValueHandle();

  bool Writable() const { return node_ && !readOnly_; }

 private:
  friend void DropNode(std::unique_ptr<ValueNode> node);
  void Forget() { node_ = nullptr; }

  ValueNode* node_;
  std::unique_ptr<ValueNode> owned_;
  bool owning_;
  bool readOnly_;
};

class BinaryValue : public CefBinaryValue, public ValueHandle {
 public:
  BinaryValue(std::unique_ptr<ValueNode> root) : ValueHandle(std::move(root), true) {}
  BinaryValue(ValueNode* viewed) : ValueHandle(viewed, true) {}

  bool IsValid() override;
  bool IsOwned() override;
  bool IsSame(CefRefPtr<CefBinaryValue> that) override;
  bool IsEqual(CefRefPtr<CefBinaryValue> that) override;
  CefRefPtr<CefBinaryValue> Copy() override;
  size_t GetSize() override;
  size_t GetData(void* buffer, size_t buffer_size, size_t data_offset) override;

 private:
  IMPLEMENT_REFCOUNTING(BinaryValue);
};

// A list or dictionary handle: the entry operations both share, by index or by key.
template <class Interface, class Key>
class ContainerValue : public Interface, public ValueHandle {
 public:
  bool IsValid() override;
  bool IsOwned() override;
  bool IsReadOnly() override;
  bool IsSame(CefRefPtr<Interface> that) override;
  bool IsEqual(CefRefPtr<Interface> that) override;
  size_t GetSize() override;
  bool Clear() override;
  bool Remove(Key key) override;
  CefValueType GetType(Key key) override;
  CefRefPtr<CefValue> GetValue(Key key) override;
  bool GetBool(Key key) override;
  int GetInt(Key key) override;
  double GetDouble(Key key) override;
  CefString GetString(Key key) override;
  CefRefPtr<CefBinaryValue> GetBinary(Key key) override;
  CefRefPtr<CefDictionaryValue> GetDictionary(Key key) override;
  CefRefPtr<CefListValue> GetList(Key key) override;
  bool SetValue(Key key, CefRefPtr<CefValue> value) override;
  bool SetNull(Key key) override;
  bool SetBool(Key key, bool value) override;
  bool SetInt(Key key, int value) override;
  bool SetDouble(Key key, double value) override;
  bool SetString(Key key, const CefString& value) override;
  bool SetBinary(Key key, CefRefPtr<CefBinaryValue> value) override;
  bool SetDictionary(Key key, CefRefPtr<CefDictionaryValue> value) override;
  bool SetList(Key key, CefRefPtr<CefListValue> value) override;

  // Writes an entry; false when read-only or detached. Returns the node as placed.
  ValueNode* Put(Key key, std::unique_ptr<ValueNode> node);

 protected:
  using ValueHandle::ValueHandle;

 private:
  // The entry at the key, or null; getters hand out views of it, so it is not const.
  ValueNode* Find(Key key) const;
  // Detaches the entry from the tree and invalidates its views; false when missing.
  bool Take(Key key);
  bool PutHandle(Key key, ValueHandle* handle);
};

using ListKey = size_t;
using DictionaryKey = const CefString&;

class ListValue : public ContainerValue<CefListValue, ListKey> {
 public:
  // An empty list owning its tree.
  ListValue();
  explicit ListValue(std::unique_ptr<ValueNode> root, bool readOnly = false)
      : ContainerValue(std::move(root), readOnly) {}
  ListValue(ValueNode* viewed, bool readOnly) : ContainerValue(viewed, readOnly) {}

  CefRefPtr<CefListValue> Copy() override;
  bool SetSize(size_t size) override;
  // Gives up the tree as a new owner; this handle turns invalid.
  CefRefPtr<ListValue> Detach();

 private:
  IMPLEMENT_REFCOUNTING(ListValue);
};

class DictionaryValue : public ContainerValue<CefDictionaryValue, DictionaryKey> {
 public:
  DictionaryValue();
  explicit DictionaryValue(std::unique_ptr<ValueNode> root, bool readOnly = false)
      : ContainerValue(std::move(root), readOnly) {}
  DictionaryValue(ValueNode* viewed, bool readOnly) : ContainerValue(viewed, readOnly) {}

  CefRefPtr<CefDictionaryValue> Copy(bool exclude_empty_children) override;
  bool HasKey(const CefString& key) override;
  bool GetKeys(KeyList& keys) override;

 private:
  IMPLEMENT_REFCOUNTING(DictionaryValue);
};

// A handle of the right kind for a node inside a tree (binary, list or dictionary).
CefRefPtr<CefBinaryValue> ViewBinary(ValueNode* node, bool readOnly);
CefRefPtr<CefDictionaryValue> ViewDictionary(ValueNode* node, bool readOnly);
CefRefPtr<CefListValue> ViewList(ValueNode* node, bool readOnly);

// The handle behind a CefBinaryValue / CefListValue / CefDictionaryValue of the
// stand-in, or null for anything else.
ValueHandle* HandleOf(CefBaseRefCounted* value);

// A copy of any list's tree: the stand-in's own, or read through CEF's API. An empty
// list for a null or detached one.
std::unique_ptr<ValueNode> ListTree(CefRefPtr<CefListValue> list);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_VALUES_VALUES_H_
