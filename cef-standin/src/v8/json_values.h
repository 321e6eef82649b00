// Scenario JSON to CEF values and back, for the player and the event log.
//
// Page values (JavaScript arguments): a JSON string, number, true/false or null is that
// JavaScript value; {"$": "undefined" | "null" | "object" | "array" | "function" |
// "date" | "invalid"} is a value of that kind ({"$": "function", "name": "onSuccess"}
// names the page's function for the log of its calls); {"$": "utf16", "units": [..]} is a string
// of exactly those UTF-16 code units (unpaired surrogates included); {"$": "number",
// "value": "NaN" | "Infinity" | "-Infinity" | "-0"} is that number; any other JSON
// object or array is a JavaScript object or array with those members.
//
// Message arguments: a string, bool or null is that entry; an integer in int range is
// an int, any other number a double; an array is a nested list, an object a dictionary;
// {"$": "utf16", ...} a string as above.
#ifndef CEF_STANDIN_SRC_V8_JSON_VALUES_H_
#define CEF_STANDIN_SRC_V8_JSON_VALUES_H_

#include <string>

#include <nlohmann/json.hpp>

#include "include/cef_v8.h"
#include "values/values.h"

namespace cef_standin {

// False, with the reason, for JSON that names no value.
bool PageValueFromJson(const nlohmann::json& json,
                       CefRefPtr<CefV8Value>& value,
                       std::string& error);
bool PageArgumentsFromJson(const nlohmann::json& json,
                           CefV8ValueList& arguments,
                           std::string& error);
bool ListFromJson(const nlohmann::json& json, CefRefPtr<ListValue>& list, std::string& error);

// {"kind": ..., "value": ...} for the log.
nlohmann::json V8ValueToJson(CefRefPtr<CefV8Value> value);
// [{"type": ..., "value": ...}, ...] for the log.
nlohmann::json ListToJson(CefRefPtr<CefListValue> list);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_V8_JSON_VALUES_H_
