// The engine half of the double for values, strings and command lines: lists,
// dictionaries, binaries and CefValue boxes of the stand-in's engine behind plain
// functions. A handle is the engine's interface pointer of its kind.
#include <string>
#include <vector>

#include "base/utf.h"
#include "handles.h"
#include "include/cef_command_line.h"
#include "include/cef_values.h"
#include "neutral.h"

namespace cef_double {
namespace {

CefString Key(const Slot& slot) {
  return CefString(slot.key);
}

// Runs `f` on the list or the dictionary with its entry's index or key.
template <class F>
auto WithEntry(Kind kind, Obj* container, const Slot& slot, F f) {
  if (kind == Kind::kList) {
    return f(As<CefListValue>(container), slot.index);
  }
  return f(As<CefDictionaryValue>(container), Key(slot));
}

Simple Read(CefValueType type, bool b, int i, double d, const CefString& s) {
  Simple out;
  out.type = static_cast<int>(type);
  out.b = b;
  out.i = i;
  out.d = d;
  out.s = s.ToString16();
  return out;
}

}  // namespace

int64_t ValueQuery(Kind kind, Obj* value, ValueAsk what) {
  switch (kind) {
    case Kind::kList: {
      CefListValue* list = As<CefListValue>(value);
      switch (what) {
        case ValueAsk::kIsValid:
          return list->IsValid();
        case ValueAsk::kIsOwned:
          return list->IsOwned();
        case ValueAsk::kIsReadOnly:
          return list->IsReadOnly();
        case ValueAsk::kSize:
          return static_cast<int64_t>(list->GetSize());
        case ValueAsk::kClear:
          return list->Clear();
      }
      break;
    }
    case Kind::kDictionary: {
      CefDictionaryValue* dictionary = As<CefDictionaryValue>(value);
      switch (what) {
        case ValueAsk::kIsValid:
          return dictionary->IsValid();
        case ValueAsk::kIsOwned:
          return dictionary->IsOwned();
        case ValueAsk::kIsReadOnly:
          return dictionary->IsReadOnly();
        case ValueAsk::kSize:
          return static_cast<int64_t>(dictionary->GetSize());
        case ValueAsk::kClear:
          return dictionary->Clear();
      }
      break;
    }
    case Kind::kBinary: {
      CefBinaryValue* binary = As<CefBinaryValue>(value);
      switch (what) {
        case ValueAsk::kIsValid:
          return binary->IsValid();
        case ValueAsk::kIsOwned:
          return binary->IsOwned();
        case ValueAsk::kIsReadOnly:
          return 1;
        case ValueAsk::kSize:
          return static_cast<int64_t>(binary->GetSize());
        case ValueAsk::kClear:
          return 0;
      }
      break;
    }
    case Kind::kBox: {
      CefValue* box = As<CefValue>(value);
      switch (what) {
        case ValueAsk::kIsValid:
          return box->IsValid();
        case ValueAsk::kIsOwned:
          return box->IsOwned();
        case ValueAsk::kIsReadOnly:
          return box->IsReadOnly();
        default:
          return 0;
      }
    }
    default:
      break;
  }
  return 0;
}

bool ValueIsSame(Kind kind, Obj* value, Obj* other) {
  switch (kind) {
    case Kind::kList:
      return As<CefListValue>(value)->IsSame(As<CefListValue>(other));
    case Kind::kDictionary:
      return As<CefDictionaryValue>(value)->IsSame(As<CefDictionaryValue>(other));
    case Kind::kBinary:
      return As<CefBinaryValue>(value)->IsSame(As<CefBinaryValue>(other));
    case Kind::kBox:
      return As<CefValue>(value)->IsSame(As<CefValue>(other));
    default:
      return false;
  }
}

bool ValueIsEqual(Kind kind, Obj* value, Obj* other) {
  switch (kind) {
    case Kind::kList:
      return As<CefListValue>(value)->IsEqual(As<CefListValue>(other));
    case Kind::kDictionary:
      return As<CefDictionaryValue>(value)->IsEqual(As<CefDictionaryValue>(other));
    case Kind::kBinary:
      return As<CefBinaryValue>(value)->IsEqual(As<CefBinaryValue>(other));
    case Kind::kBox:
      return As<CefValue>(value)->IsEqual(As<CefValue>(other));
    default:
      return false;
  }
}

Obj* ValueCopy(Kind kind, Obj* value, bool excludeEmptyChildren) {
  switch (kind) {
    case Kind::kList:
      return Give(As<CefListValue>(value)->Copy());
    case Kind::kDictionary:
      return Give(As<CefDictionaryValue>(value)->Copy(excludeEmptyChildren));
    case Kind::kBinary:
      return Give(As<CefBinaryValue>(value)->Copy());
    case Kind::kBox:
      return Give(As<CefValue>(value)->Copy());
    default:
      return nullptr;
  }
}

Obj* DictionaryCreate() {
  return Give(CefDictionaryValue::Create());
}

bool DictionaryHasKey(Obj* dictionary, const std::u16string& key) {
  return As<CefDictionaryValue>(dictionary)->HasKey(CefString(key));
}

bool DictionaryKeys(Obj* dictionary, std::vector<std::u16string>& keys) {
  CefDictionaryValue::KeyList names;
  const bool ok = As<CefDictionaryValue>(dictionary)->GetKeys(names);
  keys = Texts(names);
  return ok;
}

Obj* BinaryCreate(const void* data, size_t size) {
  return Give(CefBinaryValue::Create(data, size));
}

size_t BinaryData(Obj* binary, void* buffer, size_t size, size_t offset) {
  return As<CefBinaryValue>(binary)->GetData(buffer, size, offset);
}

bool EntryRemove(Kind kind, Obj* container, const Slot& slot) {
  return WithEntry(kind, container, slot, [](auto* c, const auto& key) { return c->Remove(key); });
}

Simple EntryGet(Kind kind, Obj* container, const Slot& slot) {
  return WithEntry(kind, container, slot, [](auto* c, const auto& key) {
    return Read(c->GetType(key), c->GetBool(key), c->GetInt(key), c->GetDouble(key),
                c->GetString(key));
  });
}

Obj* EntryGetHandle(Kind kind, Obj* container, const Slot& slot, Kind want) {
  return WithEntry(kind, container, slot, [want](auto* c, const auto& key) -> Obj* {
    switch (want) {
      case Kind::kBox:
        return Give(c->GetValue(key));
      case Kind::kBinary:
        return Give(c->GetBinary(key));
      case Kind::kDictionary:
        return Give(c->GetDictionary(key));
      case Kind::kList:
        return Give(c->GetList(key));
      default:
        return nullptr;
    }
  });
}

bool EntrySet(Kind kind, Obj* container, const Slot& slot, const Simple& value) {
  return WithEntry(kind, container, slot, [&value](auto* c, const auto& key) {
    switch (value.type) {
      case VTYPE_BOOL:
        return c->SetBool(key, value.b);
      case VTYPE_INT:
        return c->SetInt(key, value.i);
      case VTYPE_DOUBLE:
        return c->SetDouble(key, value.d);
      case VTYPE_STRING:
        return c->SetString(key, CefString(value.s));
      default:
        return c->SetNull(key);
    }
  });
}

bool EntrySetHandle(Kind kind, Obj* container, const Slot& slot, Kind what, Obj* value) {
  return WithEntry(kind, container, slot, [what, value](auto* c, const auto& key) {
    switch (what) {
      case Kind::kBox:
        return c->SetValue(key, As<CefValue>(value));
      case Kind::kBinary:
        return c->SetBinary(key, As<CefBinaryValue>(value));
      case Kind::kDictionary:
        return c->SetDictionary(key, As<CefDictionaryValue>(value));
      case Kind::kList:
        return c->SetList(key, As<CefListValue>(value));
      default:
        return false;
    }
  });
}

Obj* BoxCreate() {
  return Give(CefValue::Create());
}

Simple BoxGet(Obj* box) {
  CefValue* v = As<CefValue>(box);
  return Read(v->GetType(), v->GetBool(), v->GetInt(), v->GetDouble(), v->GetString());
}

Obj* BoxGetHandle(Obj* box, Kind want) {
  CefValue* v = As<CefValue>(box);
  switch (want) {
    case Kind::kBinary:
      return Give(v->GetBinary());
    case Kind::kDictionary:
      return Give(v->GetDictionary());
    case Kind::kList:
      return Give(v->GetList());
    default:
      return nullptr;
  }
}

bool BoxSet(Obj* box, const Simple& value) {
  CefValue* v = As<CefValue>(box);
  switch (value.type) {
    case VTYPE_BOOL:
      return v->SetBool(value.b);
    case VTYPE_INT:
      return v->SetInt(value.i);
    case VTYPE_DOUBLE:
      return v->SetDouble(value.d);
    case VTYPE_STRING:
      return v->SetString(CefString(value.s));
    default:
      return v->SetNull();
  }
}

bool BoxSetHandle(Obj* box, Kind what, Obj* value) {
  CefValue* v = As<CefValue>(box);
  switch (what) {
    case Kind::kBinary:
      return v->SetBinary(As<CefBinaryValue>(value));
    case Kind::kDictionary:
      return v->SetDictionary(As<CefDictionaryValue>(value));
    case Kind::kList:
      return v->SetList(As<CefListValue>(value));
    default:
      return false;
  }
}

// Strings

bool ConvertUtf16To8(const std::u16string& text, std::string& out) {
  out = cef_standin::Utf16ToUtf8(text.data(), text.size());
  return cef_standin::IsWellFormedUtf16(text.data(), text.size());
}

bool ConvertUtf8To16(const std::string& text, std::u16string& out) {
  bool wellFormed = true;
  out = cef_standin::Utf8ToUtf16(text, &wellFormed);
  return wellFormed;
}

int CompareUtf16(const char16_t* a, size_t aLength, const char16_t* b, size_t bLength) {
  return cef_standin::CompareUtf16(a, aLength, b, bLength);
}

// Command lines

bool CommandLineIsValid(Obj* commandLine) {
  return As<CefCommandLine>(commandLine)->IsValid();
}

Obj* CommandLineCopy(Obj* commandLine) {
  return Give(As<CefCommandLine>(commandLine)->Copy());
}

Obj* CommandLineGlobal() {
  return Give(CefCommandLine::GetGlobalCommandLine());
}

void CommandLineInitFromString(Obj* commandLine, const std::u16string& text) {
  As<CefCommandLine>(commandLine)->InitFromString(CefString(text));
}

void CommandLineReset(Obj* commandLine) {
  As<CefCommandLine>(commandLine)->Reset();
}

std::vector<std::pair<std::u16string, std::u16string>> CommandLineSwitches(Obj* commandLine) {
  CefCommandLine::SwitchMap switches;
  As<CefCommandLine>(commandLine)->GetSwitches(switches);
  std::vector<std::pair<std::u16string, std::u16string>> out;
  for (const auto& entry : switches) {
    out.emplace_back(entry.first.ToString16(), entry.second.ToString16());
  }
  return out;
}

std::vector<std::u16string> CommandLineArguments(Obj* commandLine) {
  CefCommandLine::ArgumentList arguments;
  As<CefCommandLine>(commandLine)->GetArguments(arguments);
  return Texts(arguments);
}

void CommandLinePrependWrapper(Obj* commandLine, const std::u16string& wrapper) {
  As<CefCommandLine>(commandLine)->PrependWrapper(CefString(wrapper));
}

}  // namespace cef_double
