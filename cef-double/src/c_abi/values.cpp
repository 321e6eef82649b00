// The double's value structs beyond lists of simple entries: the members lists and
// dictionaries share (entries by index or by key), binaries, CefValue boxes, and the
// exports that make them. Each member forwards to the engine; structs passed in carry a
// reference that is released when the call returns.
#include <string>
#include <vector>

#include "half.h"
#include "include/internal/cef_string_list.h"

namespace cef_double {
namespace {

template <class S>
constexpr Kind KindOf();
template <>
constexpr Kind KindOf<cef_list_value_t>() {
  return Kind::kList;
}
template <>
constexpr Kind KindOf<cef_dictionary_value_t>() {
  return Kind::kDictionary;
}
template <>
constexpr Kind KindOf<cef_binary_value_t>() {
  return Kind::kBinary;
}
template <>
constexpr Kind KindOf<cef_value_t>() {
  return Kind::kBox;
}

Slot SlotOf(size_t index) {
  Slot slot;
  slot.index = index;
  return slot;
}

Slot SlotOf(const cef_string_t* key) {
  Slot slot;
  slot.key = In(key);
  return slot;
}

Simple Make(cef_value_type_t type) {
  Simple value;
  value.type = static_cast<int>(type);
  return value;
}

// The simple values the setters take, as the engine's.
Simple BoolValue(int value) {
  Simple simple = Make(VTYPE_BOOL);
  simple.b = value != 0;
  return simple;
}
Simple IntValue(int value) {
  Simple simple = Make(VTYPE_INT);
  simple.i = value;
  return simple;
}
Simple DoubleValue(double value) {
  Simple simple = Make(VTYPE_DOUBLE);
  simple.d = value;
  return simple;
}
Simple StringValue(const cef_string_t* value) {
  Simple simple = Make(VTYPE_STRING);
  simple.s = In(value);
  return simple;
}

// Members every value struct has.

template <class S>
int CEF_CALLBACK IsValid(S* self) {
  return static_cast<int>(ValueQuery(KindOf<S>(), ObjOf(self), ValueAsk::kIsValid));
}
template <class S>
int CEF_CALLBACK IsOwned(S* self) {
  return static_cast<int>(ValueQuery(KindOf<S>(), ObjOf(self), ValueAsk::kIsOwned));
}
template <class S>
int CEF_CALLBACK IsReadOnly(S* self) {
  return static_cast<int>(ValueQuery(KindOf<S>(), ObjOf(self), ValueAsk::kIsReadOnly));
}
template <class S>
int CEF_CALLBACK IsSame(S* self, S* that) {
  Arg<S> other(that);
  return other.obj() && ValueIsSame(KindOf<S>(), ObjOf(self), other.obj());
}
template <class S>
int CEF_CALLBACK IsEqual(S* self, S* that) {
  Arg<S> other(that);
  return other.obj() && ValueIsEqual(KindOf<S>(), ObjOf(self), other.obj());
}
template <class S>
size_t CEF_CALLBACK GetSize(S* self) {
  return static_cast<size_t>(ValueQuery(KindOf<S>(), ObjOf(self), ValueAsk::kSize));
}
template <class S>
int CEF_CALLBACK Clear(S* self) {
  return static_cast<int>(ValueQuery(KindOf<S>(), ObjOf(self), ValueAsk::kClear));
}

// Entries of lists (K = size_t) and dictionaries (K = const cef_string_t*).

template <class S, class K>
int CEF_CALLBACK Remove(S* self, K key) {
  return EntryRemove(KindOf<S>(), ObjOf(self), SlotOf(key));
}
template <class S, class K>
cef_value_type_t CEF_CALLBACK GetType(S* self, K key) {
  return static_cast<cef_value_type_t>(EntryGet(KindOf<S>(), ObjOf(self), SlotOf(key)).type);
}
template <class S, class K>
int CEF_CALLBACK GetBool(S* self, K key) {
  return EntryGet(KindOf<S>(), ObjOf(self), SlotOf(key)).b;
}
template <class S, class K>
int CEF_CALLBACK GetInt(S* self, K key) {
  return EntryGet(KindOf<S>(), ObjOf(self), SlotOf(key)).i;
}
template <class S, class K>
double CEF_CALLBACK GetDouble(S* self, K key) {
  return EntryGet(KindOf<S>(), ObjOf(self), SlotOf(key)).d;
}
template <class S, class K>
cef_string_userfree_t CEF_CALLBACK GetString(S* self, K key) {
  return Out(EntryGet(KindOf<S>(), ObjOf(self), SlotOf(key)).s);
}
template <class S, class K>
cef_value_t* CEF_CALLBACK GetValue(S* self, K key) {
  return BoxOut(EntryGetHandle(KindOf<S>(), ObjOf(self), SlotOf(key), Kind::kBox));
}
template <class S, class K>
cef_binary_value_t* CEF_CALLBACK GetBinary(S* self, K key) {
  return BinaryValueOut(EntryGetHandle(KindOf<S>(), ObjOf(self), SlotOf(key), Kind::kBinary));
}
template <class S, class K>
cef_dictionary_value_t* CEF_CALLBACK GetDictionary(S* self, K key) {
  return DictionaryValueOut(
      EntryGetHandle(KindOf<S>(), ObjOf(self), SlotOf(key), Kind::kDictionary));
}
template <class S, class K>
cef_list_value_t* CEF_CALLBACK GetList(S* self, K key) {
  return ListOut(EntryGetHandle(KindOf<S>(), ObjOf(self), SlotOf(key), Kind::kList));
}
template <class S, class K>
int CEF_CALLBACK SetNull(S* self, K key) {
  return EntrySet(KindOf<S>(), ObjOf(self), SlotOf(key), Make(VTYPE_NULL));
}
template <class S, class K, class V, Simple (*Value)(V)>
int CEF_CALLBACK SetSimple(S* self, K key, V value) {
  return EntrySet(KindOf<S>(), ObjOf(self), SlotOf(key), Value(value));
}
template <class S, class K, class V>
int CEF_CALLBACK SetHandle(S* self, K key, V* value) {
  Arg<V> given(value);
  return given.obj() &&
         EntrySetHandle(KindOf<S>(), ObjOf(self), SlotOf(key), KindOf<V>(), given.obj());
}

template <class S, class K>
void FillEntries(S* s) {
  s->is_valid = IsValid<S>;
  s->is_owned = IsOwned<S>;
  s->is_read_only = IsReadOnly<S>;
  s->is_same = IsSame<S>;
  s->is_equal = IsEqual<S>;
  s->get_size = GetSize<S>;
  s->clear = Clear<S>;
  s->remove = Remove<S, K>;
  s->get_type = GetType<S, K>;
  s->get_value = GetValue<S, K>;
  s->get_bool = GetBool<S, K>;
  s->get_int = GetInt<S, K>;
  s->get_double = GetDouble<S, K>;
  s->get_string = GetString<S, K>;
  s->get_binary = GetBinary<S, K>;
  s->get_dictionary = GetDictionary<S, K>;
  s->get_list = GetList<S, K>;
  s->set_value = SetHandle<S, K, cef_value_t>;
  s->set_null = SetNull<S, K>;
  s->set_bool = SetSimple<S, K, int, BoolValue>;
  s->set_int = SetSimple<S, K, int, IntValue>;
  s->set_double = SetSimple<S, K, double, DoubleValue>;
  s->set_string = SetSimple<S, K, const cef_string_t*, StringValue>;
  s->set_binary = SetHandle<S, K, cef_binary_value_t>;
  s->set_dictionary = SetHandle<S, K, cef_dictionary_value_t>;
  s->set_list = SetHandle<S, K, cef_list_value_t>;
}

// CefValue boxes

template <class V>
V* BoxHandleOut(Obj* o);
template <>
cef_binary_value_t* BoxHandleOut(Obj* o) {
  return BinaryValueOut(o);
}
template <>
cef_dictionary_value_t* BoxHandleOut(Obj* o) {
  return DictionaryValueOut(o);
}
template <>
cef_list_value_t* BoxHandleOut(Obj* o) {
  return ListOut(o);
}

template <class V>
V* CEF_CALLBACK BoxGetAny(cef_value_t* self) {
  return BoxHandleOut<V>(BoxGetHandle(ObjOf(self), KindOf<V>()));
}

template <class V>
int CEF_CALLBACK BoxSetAny(cef_value_t* self, V* value) {
  Arg<V> given(value);
  return given.obj() && BoxSetHandle(ObjOf(self), KindOf<V>(), given.obj());
}

template <class V, Simple (*Value)(V)>
int CEF_CALLBACK BoxSetSimple(cef_value_t* self, V value) {
  return BoxSet(ObjOf(self), Value(value));
}

}  // namespace

void FillListValues(cef_list_value_t* s) {
  FillEntries<cef_list_value_t, size_t>(s);
}

void FillDictionary(cef_dictionary_value_t* s) {
  FillEntries<cef_dictionary_value_t, const cef_string_t*>(s);
  s->copy = [](cef_dictionary_value_t* self, int exclude_empty_children) CEF_CALLBACK {
    return DictionaryValueOut(
        ValueCopy(Kind::kDictionary, ObjOf(self), exclude_empty_children != 0));
  };
  s->has_key = [](cef_dictionary_value_t* self, const cef_string_t* key)
                   CEF_CALLBACK -> int { return DictionaryHasKey(ObjOf(self), In(key)); };
  s->get_keys = [](cef_dictionary_value_t* self, cef_string_list_t keys) CEF_CALLBACK -> int {
    std::vector<std::u16string> names;
    const bool ok = DictionaryKeys(ObjOf(self), names);
    StringListOut(keys, names);
    return ok;
  };
}

void FillBinary(cef_binary_value_t* s) {
  s->is_valid = IsValid<cef_binary_value_t>;
  s->is_owned = IsOwned<cef_binary_value_t>;
  s->is_same = IsSame<cef_binary_value_t>;
  s->is_equal = IsEqual<cef_binary_value_t>;
  s->get_size = GetSize<cef_binary_value_t>;
  s->copy = [](cef_binary_value_t* self) CEF_CALLBACK {
    return BinaryValueOut(ValueCopy(Kind::kBinary, ObjOf(self), false));
  };
  s->get_data =
      [](cef_binary_value_t* self, void* buffer, size_t buffer_size, size_t data_offset)
          CEF_CALLBACK { return BinaryData(ObjOf(self), buffer, buffer_size, data_offset); };
}

void FillBox(cef_value_t* s) {
  s->is_valid = IsValid<cef_value_t>;
  s->is_owned = IsOwned<cef_value_t>;
  s->is_read_only = IsReadOnly<cef_value_t>;
  s->is_same = IsSame<cef_value_t>;
  s->is_equal = IsEqual<cef_value_t>;
  s->copy = [](cef_value_t* self)
                CEF_CALLBACK { return BoxOut(ValueCopy(Kind::kBox, ObjOf(self), false)); };
  s->get_type = [](cef_value_t* self) CEF_CALLBACK {
    return static_cast<cef_value_type_t>(BoxGet(ObjOf(self)).type);
  };
  s->get_bool = [](cef_value_t* self) CEF_CALLBACK -> int { return BoxGet(ObjOf(self)).b; };
  s->get_int = [](cef_value_t* self) CEF_CALLBACK -> int { return BoxGet(ObjOf(self)).i; };
  s->get_double = [](cef_value_t* self) CEF_CALLBACK { return BoxGet(ObjOf(self)).d; };
  s->get_string = [](cef_value_t* self) CEF_CALLBACK { return Out(BoxGet(ObjOf(self)).s); };
  s->get_binary = BoxGetAny<cef_binary_value_t>;
  s->get_dictionary = BoxGetAny<cef_dictionary_value_t>;
  s->get_list = BoxGetAny<cef_list_value_t>;
  s->set_null = [](cef_value_t* self)
                    CEF_CALLBACK -> int { return BoxSet(ObjOf(self), Make(VTYPE_NULL)); };
  s->set_bool = BoxSetSimple<int, BoolValue>;
  s->set_int = BoxSetSimple<int, IntValue>;
  s->set_double = BoxSetSimple<double, DoubleValue>;
  s->set_string = BoxSetSimple<const cef_string_t*, StringValue>;
  s->set_binary = BoxSetAny<cef_binary_value_t>;
  s->set_dictionary = BoxSetAny<cef_dictionary_value_t>;
  s->set_list = BoxSetAny<cef_list_value_t>;
}

}  // namespace cef_double

using namespace cef_double;

extern "C" {

CEF_EXPORT cef_value_t* cef_value_create() {
  return BoxOut(BoxCreate());
}

CEF_EXPORT cef_binary_value_t* cef_binary_value_create(const void* data, size_t data_size) {
  return BinaryValueOut(BinaryCreate(data, data_size));
}

CEF_EXPORT cef_dictionary_value_t* cef_dictionary_value_create() {
  return DictionaryValueOut(DictionaryCreate());
}

}  // extern "C"
