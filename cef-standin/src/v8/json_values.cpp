#include "v8/json_values.h"

#include <cmath>
#include <limits>

#include "base/utf.h"
#include "v8/value.h"

namespace cef_standin {
namespace {

using Json = nlohmann::json;

// Deeper nesting is refused rather than recursed into.
constexpr int kMaxDepth = 64;

bool Utf16FromJson(const Json& json, std::u16string& text, std::string& error) {
  const Json* units = json.contains("units") ? &json["units"] : nullptr;
  if (!units || !units->is_array()) {
    error = "\"utf16\" needs \"units\": an array of UTF-16 code units";
    return false;
  }
  for (const Json& unit : *units) {
    if (!unit.is_number_unsigned() || unit.get<uint64_t>() > 0xFFFF) {
      error = "a UTF-16 code unit is a number from 0 to 65535";
      return false;
    }
    text += static_cast<char16_t>(unit.get<uint64_t>());
  }
  return true;
}

bool SpecialNumber(const Json& json, double& number, std::string& error) {
  const std::string name = json.contains("value") && json["value"].is_string()
                               ? json["value"].get<std::string>()
                               : std::string();
  if (name == "NaN") {
    number = std::numeric_limits<double>::quiet_NaN();
  } else if (name == "Infinity") {
    number = std::numeric_limits<double>::infinity();
  } else if (name == "-Infinity") {
    number = -std::numeric_limits<double>::infinity();
  } else if (name == "-0") {
    number = -0.0;
  } else {
    error = "\"number\" takes \"value\": \"NaN\", \"Infinity\", \"-Infinity\" or \"-0\"";
    return false;
  }
  return true;
}

bool PageKind(const Json& json, CefRefPtr<CefV8Value>& value, std::string& error) {
  const Json& kind = json["$"];
  const std::string name = kind.is_string() ? kind.get<std::string>() : std::string();
  if (name == "undefined") {
    value = new V8Value(V8Value::Kind::kUndefined);
  } else if (name == "null") {
    value = new V8Value(V8Value::Kind::kNull);
  } else if (name == "object") {
    value = new V8Value(V8Value::Kind::kObject);
  } else if (name == "array") {
    value = new V8Value(V8Value::Kind::kArray);
  } else if (name == "function") {
    // The page's own function; "name" names it in the log when it is called.
    const Json* functionName = json.contains("name") ? &json["name"] : nullptr;
    if (functionName && !functionName->is_string()) {
      error = "a function's \"name\" is a string";
      return false;
    }
    value = V8Value::Function(
        functionName ? Utf8ToUtf16(functionName->get<std::string>()) : std::u16string(), nullptr);
  } else if (name == "date") {
    value = V8Value::Date(0);
  } else if (name == "invalid") {
    value = new V8Value(V8Value::Kind::kInvalid);
  } else if (name == "utf16") {
    std::u16string text;
    if (!Utf16FromJson(json, text, error)) {
      return false;
    }
    value = V8Value::String(text);
  } else if (name == "number") {
    double number = 0;
    if (!SpecialNumber(json, number, error)) {
      return false;
    }
    value = V8Value::Number(number);
  } else {
    error = "unknown value kind \"$\": " + kind.dump();
    return false;
  }
  return true;
}

bool PageValue(const Json& json, CefRefPtr<CefV8Value>& value, std::string& error, int depth) {
  if (depth > kMaxDepth) {
    error = "values nest too deeply";
    return false;
  }
  switch (json.type()) {
    case Json::value_t::null:
      value = new V8Value(V8Value::Kind::kNull);
      return true;
    case Json::value_t::boolean:
      value = V8Value::Bool(json.get<bool>());
      return true;
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
      value = V8Value::Number(json.get<double>());
      return true;
    case Json::value_t::string:
      value = V8Value::String(Utf8ToUtf16(json.get<std::string>()));
      return true;
    case Json::value_t::array: {
      CefRefPtr<V8Value> array = V8Value::Array(0);
      int index = 0;
      for (const Json& element : json) {
        CefRefPtr<CefV8Value> item;
        if (!PageValue(element, item, error, depth + 1)) {
          return false;
        }
        array->SetValue(index++, item);
      }
      value = array;
      return true;
    }
    case Json::value_t::object: {
      if (json.contains("$")) {
        return PageKind(json, value, error);
      }
      CefRefPtr<V8Value> object = new V8Value(V8Value::Kind::kObject);
      for (const auto& member : json.items()) {
        CefRefPtr<CefV8Value> item;
        if (!PageValue(member.value(), item, error, depth + 1)) {
          return false;
        }
        object->SetValue(member.key(), item, V8_PROPERTY_ATTRIBUTE_NONE);
      }
      value = object;
      return true;
    }
    default:
      error = "not a value: " + json.dump();
      return false;
  }
}

bool StoreEntry(const Json& json, ValueNode& entry, std::string& error, int depth);

bool ListEntries(const Json& json, ValueNode& list, std::string& error, int depth) {
  list.type = VTYPE_LIST;
  for (const Json& element : json) {
    auto entry = std::make_unique<ValueNode>();
    if (!StoreEntry(element, *entry, error, depth + 1)) {
      return false;
    }
    list.Append(std::move(entry));
  }
  return true;
}

bool StoreEntry(const Json& json, ValueNode& entry, std::string& error, int depth) {
  if (depth > kMaxDepth) {
    error = "values nest too deeply";
    return false;
  }
  switch (json.type()) {
    case Json::value_t::null:
      entry.type = VTYPE_NULL;
      return true;
    case Json::value_t::boolean:
      entry.type = VTYPE_BOOL;
      entry.boolValue = json.get<bool>();
      return true;
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned: {
      const bool fits =
          json.is_number_integer()
              ? json.get<int64_t>() >= std::numeric_limits<int>::min() &&
                    json.get<int64_t>() <= std::numeric_limits<int>::max()
              : json.get<uint64_t>() <= static_cast<uint64_t>(std::numeric_limits<int>::max());
      entry.type = fits ? VTYPE_INT : VTYPE_DOUBLE;
      entry.intValue = fits ? static_cast<int>(json.get<int64_t>()) : 0;
      entry.doubleValue = fits ? 0.0 : json.get<double>();
      return true;
    }
    case Json::value_t::number_float:
      entry.type = VTYPE_DOUBLE;
      entry.doubleValue = json.get<double>();
      return true;
    case Json::value_t::string:
      entry.type = VTYPE_STRING;
      entry.stringValue = json.get<std::string>();
      return true;
    case Json::value_t::array:
      return ListEntries(json, entry, error, depth);
    case Json::value_t::object: {
      if (json.contains("$")) {
        if (json["$"] != "utf16") {
          error = "a message argument takes only {\"$\": \"utf16\", ...}";
          return false;
        }
        entry.type = VTYPE_STRING;
        std::u16string units;
        if (!Utf16FromJson(json, units, error)) {
          return false;
        }
        entry.stringValue = Utf16ToUtf8(units.data(), units.size());
        return true;
      }
      entry.type = VTYPE_DICTIONARY;
      for (const auto& member : json.items()) {
        auto child = std::make_unique<ValueNode>();
        if (!StoreEntry(member.value(), *child, error, depth + 1)) {
          return false;
        }
        entry.AddMember(member.key(), std::move(child));
      }
      return true;
    }
    default:
      error = "not a value: " + json.dump();
      return false;
  }
}

Json EntryToJson(const ValueNode& entry);

Json EntriesToJson(const ValueNode& list) {
  Json out = Json::array();
  for (const auto& entry : list.items) {
    out.push_back(EntryToJson(*entry));
  }
  return out;
}

Json EntryToJson(const ValueNode& entry) {
  switch (entry.type) {
    case VTYPE_BOOL:
      return {{"type", "bool"}, {"value", entry.boolValue}};
    case VTYPE_INT:
      return {{"type", "int"}, {"value", entry.intValue}};
    case VTYPE_DOUBLE:
      return {{"type", "double"}, {"value", entry.doubleValue}};
    case VTYPE_STRING:
      return {{"type", "string"}, {"value", entry.stringValue}};
    case VTYPE_BINARY:
      return {{"type", "binary"}};
    case VTYPE_LIST:
      return {{"type", "list"}, {"value", EntriesToJson(entry)}};
    case VTYPE_DICTIONARY: {
      Json members = Json::object();
      for (const auto& [key, child] : entry.members) {
        members[key] = EntryToJson(*child);
      }
      return {{"type", "dictionary"}, {"value", members}};
    }
    default:
      return {{"type", "null"}};
  }
}

const char* KindName(V8Value::Kind kind) {
  switch (kind) {
    case V8Value::Kind::kInvalid:
      return "invalid";
    case V8Value::Kind::kUndefined:
      return "undefined";
    case V8Value::Kind::kNull:
      return "null";
    case V8Value::Kind::kBool:
      return "bool";
    case V8Value::Kind::kInt:
      return "int";
    case V8Value::Kind::kUInt:
      return "uint";
    case V8Value::Kind::kDouble:
      return "double";
    case V8Value::Kind::kDate:
      return "date";
    case V8Value::Kind::kString:
      return "string";
    case V8Value::Kind::kObject:
      return "object";
    case V8Value::Kind::kArray:
      return "array";
    case V8Value::Kind::kFunction:
      return "function";
    case V8Value::Kind::kArrayBuffer:
      return "arraybuffer";
  }
  return "unknown";
}

}  // namespace

bool PageValueFromJson(const Json& json, CefRefPtr<CefV8Value>& value, std::string& error) {
  return PageValue(json, value, error, 0);
}

bool PageArgumentsFromJson(const Json& json, CefV8ValueList& arguments, std::string& error) {
  if (!json.is_array()) {
    error = "\"args\" must be an array";
    return false;
  }
  for (const Json& element : json) {
    CefRefPtr<CefV8Value> value;
    if (!PageValue(element, value, error, 1)) {
      return false;
    }
    arguments.push_back(value);
  }
  return true;
}

bool ListFromJson(const Json& json, CefRefPtr<ListValue>& list, std::string& error) {
  if (!json.is_array()) {
    error = "\"args\" must be an array";
    return false;
  }
  auto tree = std::make_unique<ValueNode>(VTYPE_LIST);
  if (!ListEntries(json, *tree, error, 0)) {
    return false;
  }
  list = new ListValue(std::move(tree));
  return true;
}

Json V8ValueToJson(CefRefPtr<CefV8Value> value) {
  if (!value) {
    return nullptr;
  }
  auto* own = dynamic_cast<V8Value*>(value.get());
  if (!own) {
    return {{"kind", "foreign"}};
  }
  Json out = {{"kind", KindName(own->kind())}};
  switch (own->kind()) {
    case V8Value::Kind::kBool:
      out["value"] = own->GetBoolValue();
      break;
    case V8Value::Kind::kInt:
      out["value"] = own->GetIntValue();
      break;
    case V8Value::Kind::kUInt:
      out["value"] = own->GetUIntValue();
      break;
    case V8Value::Kind::kDouble:
      out["value"] = own->GetDoubleValue();
      break;
    case V8Value::Kind::kString:
      out["value"] = own->GetStringValue().ToString();
      break;
    case V8Value::Kind::kFunction:
      out["name"] = own->GetFunctionName().ToString();
      break;
    default:
      break;
  }
  return out;
}

Json ListToJson(CefRefPtr<CefListValue> list) {
  return EntriesToJson(*ListTree(list));
}

}  // namespace cef_standin
