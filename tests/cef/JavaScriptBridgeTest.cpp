// The bridge functions on the page, and what a call of one sends to the browser process.
#include <algorithm>
#include <cmath>
#include <ostream>

#include <gmock/gmock.h>

#include "cef/BridgeFunctionNames.h"
#include "cef/RendererFixture.h"
#include "src/v8/objects.h"

namespace renderer_test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using JavaScriptBridgeTest = RendererFixture;

TEST_F(JavaScriptBridgeTest, EveryFrameGetsTheBridgeFunctionsAndTheRouterFunctions) {
  std::vector<std::string> expected = EmbeddedBrowser::CEF::Core::kBridgeFunctionNames;
  expected.push_back("cefQuery");
  expected.push_back("cefQueryCancel");
  std::sort(expected.begin(), expected.end());

  for (const CefRefPtr<Frame>& frame : {main, child}) {
    SCOPED_TRACE(frame->label());
    EXPECT_EQ(renderer.GlobalNames(frame), expected);

    // Installed in list order, enumerable, each a native function of the application.
    CefRefPtr<CefV8Value> window = renderer.ContextOf(frame)->GetGlobal();
    std::vector<CefString> keys;
    ASSERT_TRUE(window->GetKeys(keys));
    std::vector<std::string> enumerable;
    // Beside the window's own built-ins (window, performance).
    const std::vector<std::u16string>& builtIns = cef_standin::script::BuiltInGlobalNames();
    for (const CefString& key : keys) {
      if (std::find(builtIns.begin(), builtIns.end(), key.ToString16()) == builtIns.end()) {
        enumerable.push_back(key.ToString());
      }
    }
    EXPECT_EQ(enumerable, EmbeddedBrowser::CEF::Core::kBridgeFunctionNames);
    for (const std::string& name : EmbeddedBrowser::CEF::Core::kBridgeFunctionNames) {
      CefRefPtr<CefV8Value> function = window->GetValue(name);
      ASSERT_TRUE(function->IsFunction()) << name;
      EXPECT_EQ(function->GetFunctionName().ToString(), name);
      EXPECT_EQ(function->GetFunctionHandler().get(), static_cast<CefV8Handler*>(app.get()));
    }
  }
}

TEST_F(JavaScriptBridgeTest, PagesMayOverwriteAndDeleteTheBridgeFunctions) {
  CefRefPtr<CefV8Value> window = renderer.ContextOf(main)->GetGlobal();
  window->SetValue("ecmShare", CefV8Value::CreateInt(1), V8_PROPERTY_ATTRIBUTE_NONE);
  EXPECT_TRUE(window->GetValue("ecmShare")->IsInt());
  window->DeleteValue("ecmToken");
  EXPECT_FALSE(window->HasValue("ecmToken"));
}

struct Conversion {
  const char* arguments;  // as the page passes them (JSON, see STANDIN.md)
  const char* message;    // the argument list the browser process receives
};

void PrintTo(const Conversion& conversion, std::ostream* out) {
  *out << conversion.arguments;
}

class ArgumentConversionTest : public RendererFixture,
                               public ::testing::WithParamInterface<Conversion> {};

TEST_P(ArgumentConversionTest, CallSendsOneMessageThroughTheMainFrame) {
  cef_standin::CallResult result =
      renderer.Call(main, "filesDropped", cef_standin::PageArguments(GetParam().arguments));

  // The page's call yields undefined and raises nothing.
  EXPECT_TRUE(result.handled);
  EXPECT_FALSE(result.retval);
  EXPECT_EQ(result.exception, "");
  EXPECT_THAT(Sent(main), ElementsAre(std::string("filesDropped ") + GetParam().message));
  EXPECT_THAT(Sent(child), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    JavaScriptBridge,
    ArgumentConversionTest,
    ::testing::Values(
        Conversion{R"(["a", 2.5, true])",
                   R"([{"type":"string","value":"a"},{"type":"double","value":2.5},)"
                   R"({"type":"bool","value":true}])"},
        Conversion{"[]", "[]"},
        // Unsupported kinds use up their index; the gap reads as null.
        Conversion{R"([{"$":"undefined"}, "b"])",
                   R"([{"type":"null"},{"type":"string","value":"b"}])"},
        Conversion{R"(["a", {"$":"object"}])", R"([{"type":"string","value":"a"}])"},
        Conversion{R"([null, {"$":"undefined"}, {"$":"object"}, {"$":"array"}, {"$":"function"},)"
                   R"( {"$":"date"}, {"k": 1}, [1, 2], false])",
                   R"([{"type":"null"},{"type":"null"},{"type":"null"},{"type":"null"},)"
                   R"({"type":"null"},{"type":"null"},{"type":"null"},{"type":"null"},)"
                   R"({"type":"bool","value":false}])"},
        // An invalid value takes no index at all.
        Conversion{R"([{"$":"invalid"}, "a", {"$":"invalid"}, null, "b"])",
                   R"([{"type":"string","value":"a"},{"type":"null"},)"
                   R"({"type":"string","value":"b"}])"},
        Conversion{R"([{"$":"invalid"}])", "[]"},
        // Every number travels as a double, integers included.
        Conversion{R"([7, -3, 0, 3000000000, 2147483647, -2147483648])",
                   R"([{"type":"double","value":7.0},{"type":"double","value":-3.0},)"
                   R"({"type":"double","value":0.0},{"type":"double","value":3000000000.0},)"
                   R"({"type":"double","value":2147483647.0},)"
                   R"({"type":"double","value":-2147483648.0}])"},
        Conversion{R"([{"$":"number","value":"-0"}, 1e300])",
                   R"([{"type":"double","value":-0.0},{"type":"double","value":1e+300}])"},
        Conversion{R"(["", "Grüße 😀"])",
                   R"([{"type":"string","value":""},{"type":"string","value":"Grüße 😀"}])"}));

TEST_F(JavaScriptBridgeTest, ValuesMadeThroughCefTravelByTheSameRules) {
  CefRefPtr<CefV8Value> retval;
  CefString exception;
  // Ints answer IsDouble too, so they travel as doubles; NaN travels as 0, all a list
  // keeps of it.
  CefV8ValueList arguments = {CefV8Value::CreateInt(5),
                              CefV8Value::CreateUInt(4000000000u),
                              CefV8Value::CreateDouble(std::nan("")),
                              CefV8Value::CreateNull(),
                              CefV8Value::CreateString("s"),
                              nullptr};
  ASSERT_TRUE(app->Execute("ecmToken", nullptr, arguments, retval, exception));

  ASSERT_EQ(main->sent().size(), 1u);
  CefRefPtr<CefListValue> list = main->sent()[0].arguments;
  ASSERT_EQ(list->GetSize(), 5u);  // the null pointer counts as no valid argument
  EXPECT_EQ(list->GetType(0), VTYPE_DOUBLE);
  EXPECT_EQ(list->GetDouble(0), 5.0);
  EXPECT_EQ(list->GetDouble(1), 4000000000.0);
  EXPECT_EQ(list->GetType(2), VTYPE_DOUBLE);
  EXPECT_EQ(list->GetDouble(2), 0.0);
  EXPECT_EQ(list->GetType(3), VTYPE_NULL);
  EXPECT_EQ(list->GetString(4).ToString(), "s");
}

TEST_F(JavaScriptBridgeTest, UnpairedSurrogatesArriveAsReplacementCharacters) {
  // The page's string holds them, but a message keeps its strings in UTF-8, so the
  // browser process gets U+FFFD in their place; a proper pair survives.
  renderer.Call(main, "openTab",
                cef_standin::PageArguments(
                    R"([{"$":"utf16","units":[55296, 65, 57343, 55357, 56832, 56832, 55357]}])"));

  ASSERT_EQ(main->sent().size(), 1u);
  EXPECT_EQ(main->sent()[0].arguments->GetString(0).ToString16(),
            u"\xFFFD"
            u"A"
            u"\xFFFD"
            u"\xD83D\xDE00"
            u"\xFFFD\xFFFD");
}

TEST_F(JavaScriptBridgeTest, LargeCallsTravelWhole) {
  std::string thousand = "[";
  for (int i = 0; i < 1000; ++i) {
    thousand += i == 0 ? "" : ",";
    thousand += i % 3 == 0 ? "{\"$\":\"object\"}" : i % 3 == 1 ? "\"s\"" : "1.5";
  }
  thousand += "]";
  cef_standin::CallResult many =
      renderer.Call(main, "embApps", cef_standin::PageArguments(thousand));
  const std::u16string tenMegabytes(10 * 1024 * 1024, u'x');
  cef_standin::CallResult large =
      renderer.Call(main, "embApps", {CefV8Value::CreateString(tenMegabytes)});

  EXPECT_TRUE(many.handled && large.handled);
  EXPECT_EQ(many.exception + large.exception, "");
  ASSERT_EQ(main->sent().size(), 2u);
  // Objects read as null where later arguments follow; the last one cuts the list short.
  CefRefPtr<CefListValue> first = main->sent()[0].arguments;
  EXPECT_EQ(first->GetSize(), 999u);
  EXPECT_EQ(first->GetType(0), VTYPE_NULL);
  EXPECT_EQ(first->GetString(997).ToString(), "s");
  EXPECT_EQ(first->GetDouble(998), 1.5);
  EXPECT_EQ(main->sent()[1].arguments->GetString(0).ToString16(), tenMegabytes);
}

TEST_F(JavaScriptBridgeTest, TheMessageIsNamedAfterTheFunctionAsItWasMade) {
  // A page's alias still calls filesDropped; a name outside the list is not refused.
  CefRefPtr<CefV8Value> window = renderer.ContextOf(main)->GetGlobal();
  window->SetValue("alias", window->GetValue("filesDropped"), V8_PROPERTY_ATTRIBUTE_NONE);
  renderer.Call(main, "alias", {});
  CefRefPtr<CefV8Value> retval;
  CefString exception;
  app->Execute("notInTheList", nullptr, {}, retval, exception);

  EXPECT_THAT(Sent(main), ElementsAre("filesDropped []", "notInTheList []"));
}

TEST_F(JavaScriptBridgeTest, CallsFromAnyFrameOrBrowserGoThroughTheFirstBrowsersMainFrame) {
  CefRefPtr<Browser> second = renderer.CreateBrowser(2);
  renderer.CreateContext(second->mainFrame());

  renderer.Call(child, "ecmShare", cef_standin::PageArguments(R"(["from child"])"));
  renderer.Call(second->mainFrame(), "ecmCancel", cef_standin::PageArguments(R"(["from 2"])"));

  EXPECT_THAT(Sent(main), ElementsAre(R"(ecmShare [{"type":"string","value":"from child"}])",
                                      R"(ecmCancel [{"type":"string","value":"from 2"}])"));
  EXPECT_THAT(Sent(child), IsEmpty());
  EXPECT_THAT(Sent(second->mainFrame()), IsEmpty());
}

TEST_F(JavaScriptBridgeTest, NoBrowserYetMeansTheCallIsNotHandled) {
  CefRefPtr<EmbeddedBrowser::CEF::Core::ZeltoCefApp> fresh =
      new EmbeddedBrowser::CEF::Core::ZeltoCefApp("C:\\X");
  CefRefPtr<CefV8Value> retval = CefV8Value::CreateString("untouched");
  CefString exception = "untouched";

  EXPECT_FALSE(fresh->Execute("filesDropped", nullptr, cef_standin::PageArguments(R"(["a"])"),
                              retval, exception));
  EXPECT_EQ(retval->GetStringValue().ToString(), "untouched");
  EXPECT_EQ(exception.ToString(), "untouched");
}

TEST_F(JavaScriptBridgeTest, TheBrowserIsHeldUntilItIsDestroyed) {
  CefRefPtr<Browser> second = renderer.CreateBrowser(2);
  CefRefPtr<Browser> third = renderer.CreateBrowser(3);
  renderer.CreateContext(second->mainFrame());

  // Another browser going, or none at all, changes nothing; nor do released contexts.
  renderer.DestroyBrowser(third);
  app->OnBrowserDestroyed(nullptr);
  renderer.ReleaseContext(child);
  renderer.Call(second->mainFrame(), "ecmError", {});
  EXPECT_THAT(Sent(main), ElementsAre("ecmError []"));

  // Once the held browser is gone, calls are not handled and send nothing...
  renderer.DestroyBrowser(browser);
  EXPECT_TRUE(browser->HasOneRef()) << "the application still holds the destroyed browser";
  cef_standin::CallResult dropped = renderer.Call(second->mainFrame(), "ecmError", {});
  EXPECT_FALSE(dropped.handled);
  EXPECT_FALSE(dropped.retval);
  EXPECT_EQ(dropped.exception, "");
  EXPECT_THAT(Sent(second->mainFrame()), IsEmpty());

  // ...until the next context is created: its browser is held from then on.
  CefRefPtr<Frame> nested = second->AddFrame("nested");
  renderer.CreateContext(nested);
  renderer.Call(second->mainFrame(), "ecmError", {});
  EXPECT_THAT(Sent(second->mainFrame()), ElementsAre("ecmError []"));
  EXPECT_THAT(Sent(main), ElementsAre("ecmError []"));
}

TEST_F(JavaScriptBridgeTest, HeldBrowserWithoutMainFrameSendsNothing) {
  browser->SetMainFrameAvailable(false);
  cef_standin::CallResult result = renderer.Call(child, "contextMenu", {});
  EXPECT_FALSE(result.handled);
  EXPECT_FALSE(result.retval);
  EXPECT_EQ(result.exception, "");

  // The browser stays held: with its main frame back, calls travel again.
  browser->SetMainFrameAvailable(true);
  EXPECT_TRUE(renderer.Call(child, "contextMenu", {}).handled);
  EXPECT_THAT(Sent(main), ElementsAre("contextMenu []"));
  EXPECT_THAT(Sent(child), IsEmpty());
}

}  // namespace
}  // namespace renderer_test
