// The stand-in plays CEF 92 wherever this program could tell the difference: the rows
// marked "as CEF 92" in cef-standin/README.md, checked here through CEF's own API.
#include <cmath>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>

#include <gmock/gmock.h>

#include "cef/RendererFixture.h"
#include "include/cef_app.h"
#include "include/cef_command_line.h"
#include "include/cef_values.h"
#include "include/internal/cef_types.h"

namespace renderer_test {
namespace {

using cef_standin::IncomingMessage;
using cef_standin::PageArguments;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// --- API shape: what compiles against the stand-in compiles against CEF 92. -----------

template <typename T, typename = void>
struct HasReset : std::false_type {};
template <typename T>
struct HasReset<T, std::void_t<decltype(std::declval<T&>().reset())>> : std::true_type {};
template <typename T, typename = void>
struct HasRelease : std::false_type {};
template <typename T>
struct HasRelease<T, std::void_t<decltype(std::declval<T&>().release())>> : std::true_type {};
template <typename T, typename = void>
struct HasProductVersion : std::false_type {};
template <typename T>
struct HasProductVersion<T, std::void_t<decltype(std::declval<T&>().product_version)>>
    : std::true_type {};

static_assert(std::is_same<CefRefPtr<CefFrame>, scoped_refptr<CefFrame>>::value,
              "CefRefPtr is the wrapper library's scoped_refptr");
static_assert(!HasReset<CefRefPtr<CefFrame>>::value && !HasRelease<CefRefPtr<CefFrame>>::value,
              "CEF 92's CefRefPtr has neither reset() nor release()");
static_assert(std::is_convertible<CefRefPtr<CefFrame>, CefFrame*>::value,
              "CEF 92's CefRefPtr converts to the plain pointer");
static_assert(std::is_same<CefString, CefStringUTF16>::value, "CefString is CefStringUTF16");
static_assert(std::is_same<CefString::char_type, char16>::value &&
                  std::is_same<decltype(cef_string_t::str), char16*>::value,
              "CEF strings hold char16 units");
#ifdef _WIN32
static_assert(std::is_same<char16, wchar_t>::value, "on Windows a CEF string unit is a wchar_t");
#endif
static_assert(!HasProductVersion<cef_settings_t>::value, "CEF 92 names it user_agent_product");
static_assert(!std::is_nothrow_move_constructible<CefString>::value &&
                  !std::is_nothrow_move_constructible<CefRefPtr<CefFrame>>::value,
              "CEF 92 moves neither: a move is a copy");

TEST(CefApiShapeTest, SettingsCarryTheUserAgentProduct) {
  CefSettings settings;
  CefString(&settings.user_agent_product) = std::string("Quorvane/1");
  EXPECT_EQ(CefString(&settings.user_agent_product).ToString(), "Quorvane/1");
}

// --- Values: strings are held as UTF-8. --------------------------------------------------

struct Utf8Case {
  std::u16string stored;
  std::u16string readBack;
};

void PrintTo(const Utf8Case& c, std::ostream* out) {
  *out << CefString(c.stored).ToString();
}

class ValueStringTest : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(ValueStringTest, ListsAndDictionariesGiveBackWhatUtf8Keeps) {
  const CefString text(GetParam().stored);
  CefRefPtr<CefListValue> list = CefListValue::Create();
  ASSERT_TRUE(list->SetString(0, text));
  EXPECT_EQ(list->GetString(0).ToString16(), GetParam().readBack);

  CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
  ASSERT_TRUE(dictionary->SetString(text, text));
  EXPECT_EQ(dictionary->GetString(GetParam().readBack).ToString16(), GetParam().readBack);
  CefDictionaryValue::KeyList keys;
  ASSERT_TRUE(dictionary->GetKeys(keys));
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].ToString16(), GetParam().readBack);
}

INSTANTIATE_TEST_SUITE_P(
    CefStandin,
    ValueStringTest,
    ::testing::Values(Utf8Case{u"plain Grüße", u"plain Grüße"},
                      Utf8Case{u"\xD83D\xDE00", u"\xD83D\xDE00"},  // a proper pair
                      Utf8Case{u"\xD800", u"\xFFFD"},
                      Utf8Case{u"a\xDFFFz", u"a\xFFFDz"},
                      Utf8Case{u"\xDE00\xD83D", u"\xFFFD\xFFFD"},  // a pair the wrong way round
                      Utf8Case{std::u16string(u"nul\0in", 6), std::u16string(u"nul\0in", 6)}));

TEST(CefValuesTest, DoublesThatJsonCannotHoldAreKeptAsZero) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
  const double cases[] = {std::nan(""), HUGE_VAL, -HUGE_VAL};
  for (size_t i = 0; i < 3; ++i) {
    ASSERT_TRUE(list->SetDouble(i, cases[i]));
    ASSERT_TRUE(dictionary->SetDouble(std::to_string(i), cases[i]));
    EXPECT_EQ(list->GetType(i), VTYPE_DOUBLE);
    EXPECT_EQ(list->GetDouble(i), 0.0);
    EXPECT_EQ(dictionary->GetDouble(std::to_string(i)), 0.0);
  }
  list->SetDouble(3, -0.0);
  EXPECT_TRUE(std::signbit(list->GetDouble(3)));  // finite: kept as it is
}

TEST(CefStringTest, CompareAsCefDoesWithEmbeddedNuls) {
  const CefString a(std::u16string(u"a\0b", 3));
  const CefString b(std::u16string(u"a\0c", 3));
  const CefString longer(std::u16string(u"a\0bc", 4));
#ifdef _WIN32
  // wcsncmp stops at the NUL both share; only the lengths still count.
  EXPECT_TRUE(a == b);
#else
  EXPECT_TRUE(a < b);
#endif
  EXPECT_TRUE(a < longer);
  EXPECT_TRUE(CefString() < a);
  EXPECT_TRUE(CefString("ab") > CefString("a"));
  EXPECT_TRUE(CefString("a") < CefString("b"));
  EXPECT_TRUE(CefString() == CefString(""));
}

TEST(CefCommandLineTest, SwitchesAreLookedUpAsGivenAndLowerCasedOnWindows) {
  CefRefPtr<CefCommandLine> commandLine = CefCommandLine::CreateCommandLine();
  commandLine->InitFromString("prog.exe --Type=renderer arg");
  commandLine->AppendSwitch("--Disable-Thing");
  commandLine->AppendSwitch("plain");
  commandLine->AppendSwitchWithValue("--Key", "Value");
  commandLine->AppendSwitchWithValue("empty", "");

  EXPECT_TRUE(commandLine->HasSwitch("plain"));
  EXPECT_FALSE(commandLine->HasSwitch("--plain"));  // looked up as given
  EXPECT_TRUE(commandLine->HasSwitch("empty"));
#ifdef _WIN32
  EXPECT_TRUE(commandLine->HasSwitch("disable-thing"));
  EXPECT_EQ(commandLine->GetSwitchValue("type").ToString(), "renderer");
  EXPECT_EQ(commandLine->GetSwitchValue("key").ToString(), "Value");
  EXPECT_EQ(commandLine->GetCommandLineString().ToString(),
            "prog.exe --type=renderer --disable-thing --plain --key=Value --empty arg");
#else
  EXPECT_TRUE(commandLine->HasSwitch("Disable-Thing"));
  EXPECT_EQ(commandLine->GetSwitchValue("Type").ToString(), "renderer");
  EXPECT_EQ(commandLine->GetCommandLineString().ToString(),
            "prog.exe --Type=renderer --Disable-Thing --plain --Key=Value --empty arg");
#endif
}

TEST(CefValuesTest, SettersPastTheEndGrowTheListWithNulls) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  ASSERT_TRUE(list->SetInt(2, 7));
  ASSERT_EQ(list->GetSize(), 3u);
  EXPECT_EQ(list->GetType(0), VTYPE_NULL);
  EXPECT_EQ(list->GetType(1), VTYPE_NULL);
  EXPECT_EQ(list->GetType(3), VTYPE_INVALID);
  // An int reads as a double too; nothing else converts.
  EXPECT_EQ(list->GetDouble(2), 7.0);
  EXPECT_EQ(list->GetString(2).ToString(), "");
}

// --- V8 values: the kinds CEF reports. ------------------------------------------------

struct NumberCase {
  const char* page;  // the value as page script hands it over (see STANDIN.md)
  bool isInt, isUInt, isDouble, isDate;
  int32 intValue;
  uint32 uintValue;
  double doubleValue;
};

void PrintTo(const NumberCase& c, std::ostream* out) {
  *out << c.page;
}

class V8NumberKindTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(V8NumberKindTest, AnswersByTheKindV8Reported) {
  const NumberCase& c = GetParam();
  CefRefPtr<CefV8Value> value = cef_standin::PageValue(c.page);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->IsInt(), c.isInt);
  EXPECT_EQ(value->IsUInt(), c.isUInt);
  EXPECT_EQ(value->IsDouble(), c.isDouble);
  EXPECT_EQ(value->IsDate(), c.isDate);
  EXPECT_EQ(value->GetIntValue(), c.intValue);
  EXPECT_EQ(value->GetUIntValue(), c.uintValue);
  EXPECT_EQ(value->GetDoubleValue(), c.doubleValue);
}

INSTANTIATE_TEST_SUITE_P(
    CefStandin,
    V8NumberKindTest,
    ::testing::Values(
        // int32 and uint32 numbers answer to both integer tests, whatever the sign.
        NumberCase{"7", true, true, true, false, 7, 7u, 7.0},
        NumberCase{"-5", true, true, true, false, -5, 4294967291u, -5.0},
        NumberCase{"3000000000", true, true, true, false, -1294967296, 3000000000u, 3e9},
        // Any other number is only a double; a date is no number at all.
        NumberCase{"2.5", false, false, true, false, 0, 0u, 2.5},
        NumberCase{"4294967296", false, false, true, false, 0, 0u, 4294967296.0},
        NumberCase{R"({"$":"number","value":"-0"})", false, false, true, false, 0, 0u, -0.0},
        NumberCase{R"({"$":"date"})", false, false, false, true, 0, 0u, 0.0},
        NumberCase{"true", false, false, false, false, 0, 0u, 0.0}));

TEST(V8NumberKindTest, ValuesMadeThroughCefKeepTheirKind) {
  CefRefPtr<CefV8Value> negative = CefV8Value::CreateInt(-1);
  CefRefPtr<CefV8Value> large = CefV8Value::CreateUInt(4000000000u);
  CefRefPtr<CefV8Value> whole = CefV8Value::CreateDouble(3.0);
  EXPECT_TRUE(negative->IsUInt() && negative->IsInt() && negative->IsDouble());
  EXPECT_EQ(negative->GetUIntValue(), 4294967295u);
  EXPECT_TRUE(large->IsInt() && large->IsUInt() && large->IsDouble());
  EXPECT_EQ(large->GetIntValue(), -294967296);
  // Made as a double, it stays one even when whole.
  EXPECT_FALSE(whole->IsInt() || whole->IsUInt());
  EXPECT_TRUE(whole->IsDouble());
}

// --- Frames and browsers. -------------------------------------------------------------

class RecordingVisitor : public CefDOMVisitor {
 public:
  void Visit(CefRefPtr<CefDOMDocument> document) override {
    ++visits;
    hadDocument = document != nullptr;
    CefRefPtr<CefDOMNode> body = document ? document->GetBody() : nullptr;
    text = body ? body->GetElementInnerText().ToString() : "(no body)";
  }
  int visits = 0;
  bool hadDocument = false;
  std::string text;

  IMPLEMENT_REFCOUNTING(RecordingVisitor);
};

using CefFrameTest = RendererFixture;

TEST_F(CefFrameTest, VisitDomRunsTheVisitorAtOnceAndNeverWithoutADocument) {
  struct Case {
    bool hasDocument;
    std::optional<std::u16string> body;
    int visits;
    const char* text;
  };
  for (const Case& c : {Case{true, u"Hello", 1, "Hello"}, Case{true, std::nullopt, 1, "(no body)"},
                        Case{false, u"Hello", 0, ""}}) {
    SCOPED_TRACE(c.text);
    main->SetHasDocument(c.hasDocument);
    main->SetBodyText(c.body);
    CefRefPtr<RecordingVisitor> visitor = new RecordingVisitor();
    main->VisitDOM(visitor.get());
    EXPECT_EQ(visitor->visits, c.visits);  // before VisitDOM returned
    EXPECT_EQ(visitor->hadDocument, c.visits > 0);
    EXPECT_EQ(visitor->text, c.text);
  }
}

TEST_F(CefFrameTest, ACrossSiteMainFrameIsNotThisProcesssToHandOut) {
  browser->SetMainFrameAvailable(false);
  EXPECT_FALSE(browser->GetMainFrame());
  EXPECT_FALSE(browser->HasDocument());
  // The nested frames that live here still answer.
  EXPECT_EQ(browser->GetFrame("child").get(), static_cast<CefFrame*>(child.get()));

  browser->SetMainFrameAvailable(true);
  EXPECT_EQ(browser->GetMainFrame().get(), static_cast<CefFrame*>(main.get()));
  EXPECT_TRUE(browser->HasDocument());
}

TEST_F(CefFrameTest, MessagesAndFunctionsAsCefHandsThemOver) {
  // What arrives is read-only; what is sent gives up its arguments with it.
  CefRefPtr<CefProcessMessage> incoming = IncomingMessage("x", R"(["a"])");
  EXPECT_TRUE(incoming->IsReadOnly());
  EXPECT_FALSE(incoming->GetArgumentList()->SetString(0, "b"));
  CefRefPtr<CefProcessMessage> outgoing = CefProcessMessage::Create("y");
  EXPECT_FALSE(outgoing->IsReadOnly());
  EXPECT_EQ(outgoing->GetArgumentList()->GetSize(), 0u);
  main->SendProcessMessage(PID_BROWSER, outgoing);
  EXPECT_FALSE(outgoing->IsValid());
  EXPECT_THAT(Sent(main), ElementsAre("y []"));

  // A detached frame drops the message before taking its arguments.
  CefRefPtr<CefProcessMessage> kept = CefProcessMessage::Create("z");
  kept->GetArgumentList()->SetInt(0, 1);
  renderer.DestroyBrowser(browser);
  main->SendProcessMessage(PID_BROWSER, kept);
  EXPECT_TRUE(kept->IsValid());
  EXPECT_EQ(kept->GetArgumentList()->GetInt(0), 1);
  EXPECT_EQ(Sent(main).size(), 1u);

  // A function belongs to a context: none is made outside one.
  EXPECT_FALSE(CefV8Value::CreateFunction("f", app.get()));
}

// --- Contexts as the render-process handler sees them. -----------------------------------

// Notes what a handler can do with the contexts CEF hands it.
class ContextWatcher : public CefApp, public CefRenderProcessHandler {
 public:
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }
  void OnContextCreated(CefRefPtr<CefBrowser>,
                        CefRefPtr<CefFrame>,
                        CefRefPtr<CefV8Context> context) override {
    created = context;
    CefRefPtr<CefV8Context> current = CefV8Context::GetCurrentContext();
    CefRefPtr<CefV8Context> again = CefV8Context::GetCurrentContext();
    currentIsNewEachTime = current.get() != again.get() && current->IsSame(again);
    currentIsTheCreated = current->IsSame(context);
    globalWhileCreated = context->GetGlobal() != nullptr;
  }
  void OnContextReleased(CefRefPtr<CefBrowser>,
                         CefRefPtr<CefFrame>,
                         CefRefPtr<CefV8Context> context) override {
    releasedIsNewButSame = context.get() != created.get() && context->IsSame(created);
    inContextWhileReleased = CefV8Context::InContext();
    globalWhileReleased = context->GetGlobal() != nullptr;
    enteredWhileReleased = context->Enter();
    functionWhileReleased = CefV8Value::CreateFunction("f", new NullHandler()) != nullptr;
  }

  CefRefPtr<CefV8Context> created;
  bool currentIsNewEachTime = false, currentIsTheCreated = false, globalWhileCreated = false;
  bool releasedIsNewButSame = false, inContextWhileReleased = true, globalWhileReleased = true,
       enteredWhileReleased = true, functionWhileReleased = true;

 private:
  class NullHandler : public CefV8Handler {
   public:
    bool Execute(const CefString&,
                 CefRefPtr<CefV8Value>,
                 const CefV8ValueList&,
                 CefRefPtr<CefV8Value>&,
                 CefString&) override {
      return false;
    }
    IMPLEMENT_REFCOUNTING(NullHandler);
  };

  IMPLEMENT_REFCOUNTING(ContextWatcher);
};

TEST(CefV8ContextTest, ContextsAreNewObjectsEachTimeAndAReleasedOneIsNotEntered) {
  CefRefPtr<ContextWatcher> watcher = new ContextWatcher();
  {
    cef_standin::RendererProcess renderer(watcher.get());
    CefRefPtr<Frame> main = renderer.CreateBrowser(1)->mainFrame();
    renderer.CreateContext(main);
    renderer.ReleaseContext(main);
  }
  EXPECT_TRUE(watcher->currentIsNewEachTime);
  EXPECT_TRUE(watcher->currentIsTheCreated);
  EXPECT_TRUE(watcher->globalWhileCreated);
  // Released under a script-forbidden scope: nothing entered, nothing to enter or make.
  EXPECT_TRUE(watcher->releasedIsNewButSame);
  EXPECT_FALSE(watcher->inContextWhileReleased);
  EXPECT_FALSE(watcher->globalWhileReleased);
  EXPECT_FALSE(watcher->enteredWhileReleased);
  EXPECT_FALSE(watcher->functionWhileReleased);
  watcher->created = nullptr;
}

// --- The message router, renderer side, as the application drives it. ---------------

using CefMessageRouterTest = RendererFixture;

TEST_F(CefMessageRouterTest, QueriesCarryTheContextIdItsPageGotOnFirstUse) {
  // The nested frame's page asks first, so its context is 1; request ids count per router.
  renderer.Call(child, "cefQuery", PageArguments(R"([{"request":"one"}])"));
  renderer.Call(main, "cefQuery", PageArguments(R"([{"request":"two","persistent":true}])"));
  renderer.Call(child, "cefQuery", PageArguments(R"([{"request":"three"}])"));

  EXPECT_THAT(Sent(child),
              ElementsAre(R"(cefQueryMsg [{"type":"int","value":1},{"type":"int","value":1},)"
                          R"({"type":"string","value":"one"},{"type":"bool","value":false}])",
                          R"(cefQueryMsg [{"type":"int","value":1},{"type":"int","value":3},)"
                          R"({"type":"string","value":"three"},{"type":"bool","value":false}])"));
  EXPECT_THAT(Sent(main),
              ElementsAre(R"(cefQueryMsg [{"type":"int","value":2},{"type":"int","value":2},)"
                          R"({"type":"string","value":"two"},{"type":"bool","value":true}])"));
}

TEST_F(CefMessageRouterTest, ReleasingAContextCancelsAllItsPendingQueriesThroughItsFrame) {
  renderer.Call(main, "cefQuery", PageArguments(R"([{"request":"a"}])"));
  renderer.Call(main, "cefQuery", PageArguments(R"([{"request":"b"}])"));
  renderer.ReleaseContext(main);

  ASSERT_EQ(Sent(main).size(), 3u);
  // Request id 0: every request of that context, in one message.
  EXPECT_EQ(Sent(main)[2],
            R"(cefQueryCancelMsg [{"type":"int","value":1},{"type":"int","value":0}])");
}

TEST_F(CefMessageRouterTest, ReleasingAContextWithNothingPendingSendsNothing) {
  // One page never used the router; the other's only query was answered.
  renderer.Call(main, "cefQuery", PageArguments(R"([{"request":"a"}])"));
  EXPECT_TRUE(
      renderer.Deliver(main, PID_BROWSER, IncomingMessage("cefQueryMsg", R"([1, 1, true, "ok"])")));
  EXPECT_EQ(renderer.RunPostedTasks(), 1u);
  renderer.ReleaseContext(main);
  renderer.ReleaseContext(child);

  EXPECT_EQ(Sent(main).size(), 1u);
  EXPECT_THAT(Sent(child), IsEmpty());
}

TEST_F(CefMessageRouterTest, ThePageCancelsItsOwnPendingQueryOnce) {
  renderer.Call(main, "cefQuery", PageArguments(R"([{"request":"a"}])"));
  cef_standin::CallResult first = renderer.Call(main, "cefQueryCancel", PageArguments("[1]"));
  cef_standin::CallResult again = renderer.Call(main, "cefQueryCancel", PageArguments("[1]"));
  cef_standin::CallResult zero = renderer.Call(main, "cefQueryCancel", PageArguments("[0]"));
  renderer.Call(child, "cefQuery", PageArguments(R"([{"request":"b"}])"));
  // Another page's request is not this page's to cancel.
  cef_standin::CallResult foreign = renderer.Call(main, "cefQueryCancel", PageArguments("[2]"));

  ASSERT_TRUE(first.retval && again.retval && zero.retval && foreign.retval);
  EXPECT_TRUE(first.retval->GetBoolValue());
  EXPECT_FALSE(again.retval->GetBoolValue());
  EXPECT_FALSE(zero.retval->GetBoolValue());
  EXPECT_FALSE(foreign.retval->GetBoolValue());
  ASSERT_EQ(Sent(main).size(), 2u);
  EXPECT_EQ(Sent(main)[1],
            R"(cefQueryCancelMsg [{"type":"int","value":1},{"type":"int","value":1}])");
}

TEST_F(CefMessageRouterTest, AnswersRunThePagesCallbacksFromAPostedTask) {
  CefV8ValueList query =
      PageArguments(R"([{"request":"a","onSuccess":{"$":"function","name":"ok"},)"
                    R"("onFailure":{"$":"function","name":"fail"}}])");
  CefRefPtr<CefV8Value> onSuccess = query[0]->GetValue("onSuccess");
  CefRefPtr<CefV8Value> onFailure = query[0]->GetValue("onFailure");
  renderer.Call(main, "cefQuery", query);

  // Taken at once, run later: nothing is called before the task runs.
  EXPECT_TRUE(
      renderer.Deliver(main, PID_BROWSER, IncomingMessage("cefQueryMsg", R"([1, 1, true, "r"])")));
  EXPECT_THAT(cef_standin::PageFunctionCalls(onSuccess), IsEmpty());
  EXPECT_EQ(renderer.RunPostedTasks(), 1u);
  EXPECT_THAT(cef_standin::PageFunctionCalls(onSuccess),
              ElementsAre(R"([{"kind":"string","value":"r"}])"));

  // Answered once: a second answer, or one for a query never asked, runs nothing.
  renderer.Deliver(main, PID_BROWSER, IncomingMessage("cefQueryMsg", R"([1, 1, true, "again"])"));
  renderer.Deliver(main, PID_BROWSER,
                   IncomingMessage("cefQueryMsg", R"([1, 9, false, 5, "unknown"])"));
  EXPECT_EQ(renderer.RunPostedTasks(), 2u);
  EXPECT_EQ(cef_standin::PageFunctionCalls(onSuccess).size(), 1u);
  EXPECT_THAT(cef_standin::PageFunctionCalls(onFailure), IsEmpty());

  // A failure runs onFailure(code, message).
  renderer.Call(main, "cefQuery", query);
  renderer.Deliver(main, PID_BROWSER, IncomingMessage("cefQueryMsg", R"([1, 2, false, -3, "no"])"));
  renderer.RunPostedTasks();
  EXPECT_THAT(cef_standin::PageFunctionCalls(onFailure),
              ElementsAre(R"([{"kind":"int","value":-3},{"kind":"string","value":"no"}])"));
}

TEST_F(CefMessageRouterTest, APersistentQueryOutlivesItsAnswersUntilItFails) {
  CefV8ValueList query =
      PageArguments(R"([{"request":"p","persistent":true,"onSuccess":{"$":"function","name":"ok"},)"
                    R"("onFailure":{"$":"function","name":"fail"}}])");
  CefRefPtr<CefV8Value> onSuccess = query[0]->GetValue("onSuccess");
  CefRefPtr<CefV8Value> onFailure = query[0]->GetValue("onFailure");
  renderer.Call(main, "cefQuery", query);
  renderer.Call(main, "cefQuery", PageArguments(R"([{"request":"once"}])"));
  renderer.Deliver(main, PID_BROWSER, IncomingMessage("cefQueryMsg", R"([1, 1, true, "r1"])"));
  renderer.Deliver(main, PID_BROWSER, IncomingMessage("cefQueryMsg", R"([1, 1, true, "r2"])"));
  renderer.Deliver(main, PID_BROWSER, IncomingMessage("cefQueryMsg", R"([1, 2, true, "r"])"));
  renderer.RunPostedTasks();
  EXPECT_THAT(
      cef_standin::PageFunctionCalls(onSuccess),
      ElementsAre(R"([{"kind":"string","value":"r1"}])", R"([{"kind":"string","value":"r2"}])"));
  EXPECT_TRUE(renderer.Call(main, "cefQueryCancel", PageArguments("[1]")).retval->GetBoolValue());
  EXPECT_FALSE(renderer.Call(main, "cefQueryCancel", PageArguments("[2]")).retval->GetBoolValue());

  renderer.Call(main, "cefQuery", query);
  renderer.Deliver(main, PID_BROWSER, IncomingMessage("cefQueryMsg", R"([1, 3, false, 5, "no"])"));
  renderer.Deliver(main, PID_BROWSER, IncomingMessage("cefQueryMsg", R"([1, 3, true, "late"])"));
  renderer.RunPostedTasks();
  EXPECT_FALSE(renderer.Call(main, "cefQueryCancel", PageArguments("[3]")).retval->GetBoolValue());
  EXPECT_EQ(cef_standin::PageFunctionCalls(onFailure).size(), 1u);
  EXPECT_EQ(cef_standin::PageFunctionCalls(onSuccess).size(), 2u);
}

TEST_F(CefMessageRouterTest, AnAnswerForAReleasedPageRunsNothing) {
  CefV8ValueList query =
      PageArguments(R"([{"request":"a","onSuccess":{"$":"function","name":"ok"}}])");
  renderer.Call(main, "cefQuery", query);
  // The answer is on its way when the page goes.
  renderer.Deliver(main, PID_BROWSER, IncomingMessage("cefQueryMsg", R"([1, 1, true, "r"])"));
  renderer.ReleaseContext(main);
  EXPECT_EQ(renderer.RunPostedTasks(), 1u);
  EXPECT_THAT(cef_standin::PageFunctionCalls(query[0]->GetValue("onSuccess")), IsEmpty());
}

TEST_F(CefMessageRouterTest, MalformedCallsThrowWhatTheWrapperThrows) {
  struct Case {
    const char* function;
    const char* arguments;
    const char* exception;
  };
  for (const Case& c : {
           Case{"cefQuery", "[]", "Invalid arguments; expecting a single object"},
           Case{"cefQuery", R"(["a"])", "Invalid arguments; expecting a single object"},
           Case{"cefQuery", R"([{"request":1}])",
                "Invalid arguments; object member 'request' is required and must have type "
                "string"},
           Case{"cefQuery", R"([{"request":"a","onSuccess":1}])",
                "Invalid arguments; object member 'onSuccess' must have type function"},
           Case{"cefQuery", R"([{"request":"a","onFailure":"f"}])",
                "Invalid arguments; object member 'onFailure' must have type function"},
           Case{"cefQuery", R"([{"request":"a","persistent":1}])",
                "Invalid arguments; object member 'persistent' must have type boolean"},
           Case{"cefQueryCancel", R"(["1"])", "Invalid arguments; expecting a single integer"},
           Case{"cefQueryCancel", "[1.5]", "Invalid arguments; expecting a single integer"},
       }) {
    SCOPED_TRACE(c.arguments);
    cef_standin::CallResult result = renderer.Call(main, c.function, PageArguments(c.arguments));
    EXPECT_TRUE(result.handled);
    EXPECT_EQ(result.exception, c.exception);
  }
  // With functions where functions belong, the query goes out.
  EXPECT_EQ(renderer
                .Call(main, "cefQuery",
                      PageArguments(R"([{"request":"a","onSuccess":{"$":"function"},)"
                                    R"("onFailure":{"$":"function"},"persistent":false}])"))
                .exception,
            "");
  EXPECT_EQ(Sent(main).size(), 1u);
}

}  // namespace
}  // namespace renderer_test
