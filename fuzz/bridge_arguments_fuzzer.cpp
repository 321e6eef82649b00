// The bridge's argument conversion, checked against its rule: a page calls a bridge
// function with arbitrary values (booleans, any number, any UTF-16 string, undefined,
// null, objects, arrays, functions, dates, invalid values), and the message that leaves
// through the first browser's main frame must carry exactly what the rule gives:
// invalid values take no index; booleans, numbers (as doubles) and strings are written
// at theirs; any other value uses its index up unwritten (null when a later index is
// written, absent at the end).
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "FuzzCheck.h"
#include "cef/BridgeFunctionNames.h"
#include "cef/ZeltoCefApp.h"
#include "standin/browser.h"
#include "standin/renderer_process.h"

namespace {

using Json = nlohmann::json;

// What the message must hold at an argument's index.
struct Expected {
  CefValueType type = VTYPE_NULL;
  bool boolean = false;
  double number = 0;
  std::u16string text;
};

bool sameDouble(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

// One page value from the input; `written` says what the message must carry for it,
// `takesIndex` whether it uses an index at all.
Json pageValue(FuzzedDataProvider& input, Expected& written, bool& writes, bool& takesIndex) {
  writes = false;
  takesIndex = true;
  switch (input.ConsumeIntegralInRange<int>(0, 12)) {
    case 0: {
      written.type = VTYPE_BOOL;
      written.boolean = input.ConsumeBool();
      writes = true;
      return written.boolean;
    }
    case 1: {
      // 32-bit integers answer IsInt too; the double test still comes first.
      const int32_t value = input.ConsumeIntegral<int32_t>();
      written.type = VTYPE_DOUBLE;
      written.number = value;
      writes = true;
      return value;
    }
    case 2: {
      const double value = input.ConsumeFloatingPoint<double>();
      written.type = VTYPE_DOUBLE;
      // A message's list keeps NaN and the infinities as 0.
      written.number = std::isfinite(value) ? value : 0.0;
      writes = true;
      if (std::isnan(value)) {
        return Json{{"$", "number"}, {"value", "NaN"}};
      }
      if (std::isinf(value)) {
        return Json{{"$", "number"}, {"value", value > 0 ? "Infinity" : "-Infinity"}};
      }
      if (value == 0 && std::signbit(value)) {
        return Json{{"$", "number"}, {"value", "-0"}};
      }
      return value;
    }
    case 3: {
      // Any UTF-16 code units, unpaired surrogates and NULs included, as a page may hold.
      Json units = Json::array();
      written.text.clear();
      const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, 40);
      for (std::size_t i = 0; i < length && input.remaining_bytes() > 0; ++i) {
        const char16_t unit = input.ConsumeIntegral<uint16_t>();
        units.push_back(static_cast<uint16_t>(unit));
        written.text += unit;
      }
      // The message keeps strings in UTF-8: unpaired surrogates arrive as U+FFFD.
      written.text = CefString(CefString(written.text).ToString()).ToString16();
      written.type = VTYPE_STRING;
      writes = true;
      return Json{{"$", "utf16"}, {"units", units}};
    }
    case 4:
      return Json{{"$", "undefined"}};
    case 5:
      return nullptr;
    case 6:
      return Json{{"$", "object"}};
    case 7:
      return Json{{"$", "array"}};
    case 8:
      return Json{{"$", "function"}};
    case 9:
      return Json{{"$", "date"}};
    case 10:
      takesIndex = false;
      return Json{{"$", "invalid"}};
    case 11: {
      // Plain UTF-8 text as a page writes it.
      const std::string text = input.ConsumeRandomLengthString(40);
      Json value = Json::parse(Json(text).dump(-1, ' ', false, Json::error_handler_t::ignore));
      const std::u16string units = CefString(value.get<std::string>()).ToString16();
      written.type = VTYPE_STRING;
      written.text = units;
      writes = true;
      return value;
    }
    default:
      return Json{{"$", "object"}, {"member", input.ConsumeIntegral<int32_t>()}};
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);

  CefRefPtr<EmbeddedBrowser::CEF::Core::ZeltoCefApp> app =
      new EmbeddedBrowser::CEF::Core::ZeltoCefApp("C:\\X");
  cef_standin::RendererProcess renderer(app.get());
  CefRefPtr<cef_standin::Browser> first = renderer.CreateBrowser(1);
  CefRefPtr<cef_standin::Browser> second = renderer.CreateBrowser(2);
  CefRefPtr<cef_standin::Frame> nested = first->AddFrame("child");
  renderer.CreateContext(first->mainFrame());
  renderer.CreateContext(nested);
  renderer.CreateContext(second->mainFrame());

  // The call comes from any frame; the message always leaves through browser 1's main frame.
  const CefRefPtr<cef_standin::Frame> callers[] = {first->mainFrame(), nested, second->mainFrame()};
  const CefRefPtr<cef_standin::Frame> caller =
      callers[input.ConsumeIntegralInRange<std::size_t>(0, 2)];
  const std::vector<std::string>& names = EmbeddedBrowser::CEF::Core::kBridgeFunctionNames;
  const std::string function =
      names[input.ConsumeIntegralInRange<std::size_t>(0, names.size() - 1)];

  Json arguments = Json::array();
  std::vector<Expected> expected;  // by index, unwritten ones as null
  std::size_t listSize = 0;
  const std::size_t count = input.ConsumeIntegralInRange<std::size_t>(0, 12);
  for (std::size_t i = 0; i < count; ++i) {
    Expected written;
    bool writes = false;
    bool takesIndex = true;
    arguments.push_back(pageValue(input, written, writes, takesIndex));
    if (!takesIndex) {
      continue;
    }
    expected.push_back(writes ? written : Expected{});
    if (writes) {
      listSize = expected.size();
    }
  }

  const CefV8ValueList values = cef_standin::PageArguments(arguments.dump());
  FUZZ_CHECK(values.size() == arguments.size(), "the stand-in read %zu of %zu arguments",
             values.size(), arguments.size());
  const cef_standin::CallResult result = renderer.Call(caller, function, values);
  FUZZ_CHECK(result.called && result.handled, "%s was not handled", function.c_str());
  FUZZ_CHECK(!result.retval && result.exception.empty(), "the call returned or threw");

  const std::vector<cef_standin::SentMessage>& sent = first->mainFrame()->sent();
  FUZZ_CHECK(sent.size() == 1, "%zu messages left through the first main frame", sent.size());
  FUZZ_CHECK(nested->sent().empty() && second->mainFrame()->sent().empty(),
             "a message left through another frame");
  const cef_standin::SentMessage& message = sent.front();
  FUZZ_CHECK(message.target == PID_BROWSER && message.name == function, "message %s",
             message.name.c_str());
  const CefRefPtr<CefListValue>& list = message.arguments;
  FUZZ_CHECK(list->GetSize() == listSize, "%zu entries, %zu expected: %s", list->GetSize(),
             listSize, cef_standin::DescribeList(list).c_str());
  for (std::size_t index = 0; index < listSize; ++index) {
    const Expected& want = expected[index];
    FUZZ_CHECK(list->GetType(index) == want.type, "entry %zu has type %d, %d expected: %s", index,
               static_cast<int>(list->GetType(index)), static_cast<int>(want.type),
               cef_standin::DescribeList(list).c_str());
    if (want.type == VTYPE_BOOL) {
      FUZZ_CHECK(list->GetBool(index) == want.boolean, "entry %zu", index);
    } else if (want.type == VTYPE_DOUBLE) {
      FUZZ_CHECK(sameDouble(list->GetDouble(index), want.number),
                 "entry %zu: %.17g, %.17g expected", index, list->GetDouble(index), want.number);
    } else if (want.type == VTYPE_STRING) {
      FUZZ_CHECK(list->GetString(index).ToString16() == want.text, "entry %zu: %s", index,
                 cef_standin::DescribeList(list).c_str());
    }
  }
  return 0;
}
