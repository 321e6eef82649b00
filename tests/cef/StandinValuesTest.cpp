// Values and command lines as CEF 92 hands them over: who owns a tree of values, when a
// reference into it turns invalid, and the command line CEF lends to a hook.
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "cef/RendererFixture.h"
#include "include/cef_app.h"
#include "include/cef_command_line.h"
#include "include/cef_values.h"

namespace {

using cef_standin::IncomingMessage;

CefRefPtr<CefListValue> ListOf(int value) {
  CefRefPtr<CefListValue> list = CefListValue::Create();
  list->SetInt(0, value);
  return list;
}

TEST(StandinValuesTest, SettingAnOwnerMovesItsTreeAndLeavesItInvalid) {
  CefRefPtr<CefListValue> inner = ListOf(7);
  CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
  ASSERT_TRUE(dictionary->SetDictionary("d", CefDictionaryValue::Create()));
  char bytes[] = "abc";
  CefRefPtr<CefBinaryValue> binary = CefBinaryValue::Create(bytes, 3);
  // A view into the tree that moves stays valid and now belongs to the new tree.
  CefRefPtr<CefDictionaryValue> nested = dictionary->GetDictionary("d");

  CefRefPtr<CefListValue> outer = CefListValue::Create();
  ASSERT_TRUE(outer->SetList(0, inner));
  ASSERT_TRUE(outer->SetDictionary(1, dictionary));
  ASSERT_TRUE(outer->SetBinary(2, binary));
  for (bool valid : {inner->IsValid(), dictionary->IsValid(), binary->IsValid()}) {
    EXPECT_FALSE(valid);
  }
  EXPECT_FALSE(inner->SetInt(0, 8));
  EXPECT_FALSE(inner->IsOwned());  // it was an owner, detached now
  EXPECT_EQ(outer->GetList(0)->GetInt(0), 7);
  EXPECT_TRUE(nested->IsValid());
  EXPECT_TRUE(nested->SetInt("x", 1));
  EXPECT_EQ(outer->GetDictionary(1)->GetDictionary("d")->GetInt("x"), 1);
  EXPECT_EQ(outer->GetBinary(2)->GetSize(), 3u);
}

TEST(StandinValuesTest, AReferenceIsCopiedAndStaysValid) {
  CefRefPtr<CefListValue> source = CefListValue::Create();
  source->SetList(0, ListOf(1));
  CefRefPtr<CefListValue> view = source->GetList(0);
  CefRefPtr<CefListValue> target = CefListValue::Create();
  ASSERT_TRUE(target->SetList(0, view));
  EXPECT_TRUE(view->IsValid());
  EXPECT_TRUE(view->SetInt(0, 2));
  EXPECT_EQ(target->GetList(0)->GetInt(0), 1);
  EXPECT_FALSE(target->GetList(0)->IsSame(view));
  EXPECT_TRUE(target->GetList(0)->IsEqual(ListOf(1)));
}

// Every way an entry leaves its tree invalidates the references into it and below.
TEST(StandinValuesTest, ReferencesTurnInvalidWhenTheirEntryGoes) {
  struct Case {
    const char* how;
    void (*leave)(CefRefPtr<CefListValue> list);
  };
  const Case cases[] = {
      {"replaced", [](CefRefPtr<CefListValue> list) { list->SetInt(0, 1); }},
      {"removed", [](CefRefPtr<CefListValue> list) { list->Remove(0); }},
      {"cleared", [](CefRefPtr<CefListValue> list) { list->Clear(); }},
      {"cut off", [](CefRefPtr<CefListValue> list) { list->SetSize(0); }},
      {"owner gone", [](CefRefPtr<CefListValue>) {}},
  };
  for (const Case& c : cases) {
    CefRefPtr<CefListValue> list = CefListValue::Create();
    list->SetList(0, ListOf(1));
    list->GetList(0)->SetList(1, ListOf(2));
    CefRefPtr<CefListValue> child = list->GetList(0);
    CefRefPtr<CefListValue> grandchild = child->GetList(1);
    EXPECT_TRUE(child->IsOwned()) << c.how;
    EXPECT_TRUE(grandchild->IsValid()) << c.how;
    c.leave(list);
    if (std::string(c.how) == "owner gone") {
      list = nullptr;
    }
    EXPECT_FALSE(child->IsValid()) << c.how;
    EXPECT_FALSE(grandchild->IsValid()) << c.how;
    EXPECT_FALSE(child->SetInt(0, 3)) << c.how;
    EXPECT_EQ(child->GetSize(), 0u) << c.how;
  }
}

TEST(StandinValuesTest, ANestedListOfAReceivedMessageGoesWithTheMessage) {
  CefRefPtr<CefProcessMessage> message = IncomingMessage("m", R"([[1, [2]]])");
  CefRefPtr<CefListValue> nested = message->GetArgumentList()->GetList(0);
  EXPECT_TRUE(nested->IsOwned());
  EXPECT_TRUE(nested->IsReadOnly());
  EXPECT_FALSE(nested->SetInt(0, 5));
  CefRefPtr<CefListValue> copy = nested->Copy();
  EXPECT_FALSE(copy->IsReadOnly());

  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  message = nullptr;
  EXPECT_TRUE(nested->IsValid());  // the argument list is still held
  arguments = nullptr;
  EXPECT_FALSE(nested->IsValid());
  EXPECT_EQ(copy->GetList(1)->GetInt(0), 2);
}

TEST(StandinValuesTest, ATreeIsNotPutInsideItself) {
  CefRefPtr<CefListValue> list = ListOf(1);
  list->SetList(1, ListOf(2));
  EXPECT_FALSE(list->SetList(2, list));
  EXPECT_FALSE(list->GetList(1)->SetList(0, list));
  EXPECT_TRUE(list->IsValid());
  EXPECT_EQ(list->GetSize(), 2u);
  // A reference is a copy: putting one inside itself is fine.
  EXPECT_TRUE(list->SetList(2, list->GetList(1)));
  EXPECT_EQ(list->GetList(2)->GetInt(0), 2);
}

TEST(StandinValuesTest, SetSizeKeepsTheEntriesThatStay) {
  CefRefPtr<CefListValue> list = ListOf(1);
  list->SetString(1, "two");
  EXPECT_TRUE(list->SetSize(2));  // CEF 92 overwrites the last entry with null here
  EXPECT_EQ(list->GetString(1).ToString(), "two");
  EXPECT_TRUE(list->SetSize(4));
  EXPECT_EQ(list->GetType(3), VTYPE_NULL);
  EXPECT_TRUE(list->SetSize(0));  // CEF 92 never returns here
  EXPECT_EQ(list->GetSize(), 0u);
}

TEST(StandinValuesTest, AValueFollowsTheListItWasGivenIntoAContainer) {
  CefRefPtr<CefListValue> list = ListOf(1);
  CefRefPtr<CefValue> value = CefValue::Create();
  ASSERT_TRUE(value->SetList(list));
  CefRefPtr<CefDictionaryValue> target = CefDictionaryValue::Create();
  ASSERT_TRUE(target->SetValue("k", value));
  EXPECT_FALSE(list->IsValid());
  EXPECT_TRUE(value->IsOwned());
  EXPECT_TRUE(value->GetList()->IsSame(target->GetList("k")));
  target->SetInt("k", 2);
  EXPECT_FALSE(value->IsValid());

  // A simple value is copied both ways.
  CefRefPtr<CefValue> number = CefValue::Create();
  number->SetDouble(1.5);
  target->SetValue("n", number);
  CefRefPtr<CefValue> read = target->GetValue("n");
  EXPECT_TRUE(read->IsEqual(number));
  EXPECT_FALSE(read->IsSame(number));
  target->SetInt("n", 3);
  EXPECT_TRUE(read->IsValid());
  EXPECT_EQ(read->GetDouble(), 1.5);
}

TEST(StandinValuesTest, CopyWithoutEmptyChildrenLeavesOutWhatEndsUpEmpty) {
  CefRefPtr<CefDictionaryValue> dictionary = CefDictionaryValue::Create();
  dictionary->SetInt("a", 1);
  dictionary->SetList("empty", CefListValue::Create());
  CefRefPtr<CefDictionaryValue> inner = CefDictionaryValue::Create();
  inner->SetDictionary("only_empty", CefDictionaryValue::Create());
  dictionary->SetDictionary("inner", inner);
  CefRefPtr<CefDictionaryValue> copy = dictionary->Copy(true);
  CefDictionaryValue::KeyList keys;
  copy->GetKeys(keys);
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].ToString(), "a");
  EXPECT_EQ(dictionary->Copy(false)->GetSize(), 3u);
}

// One thread replaces an entry while another reads through references to it.
TEST(StandinValuesTest, TreesMayBeUsedFromSeveralThreads) {
  CefRefPtr<CefListValue> list = ListOf(0);
  list->SetList(1, ListOf(0));
  std::thread writer([list] {
    for (int i = 1; i <= 2000; ++i) {
      list->SetList(1, ListOf(i));
    }
  });
  for (int i = 0; i < 2000; ++i) {
    CefRefPtr<CefListValue> view = list->GetList(1);
    if (view) {
      view->GetInt(0);
      view->SetInt(1, i);
    }
  }
  writer.join();
  EXPECT_EQ(list->GetList(1)->GetInt(0), 2000);
}

#ifndef _WIN32
// The command line CEF lends to OnBeforeCommandLineProcessing is taken back after it.
// (On Windows a child's arguments are the process's own; the double's yardstick checks
// the same there, through CefInitialize.)
class KeepingApp : public CefApp {
 public:
  void OnBeforeCommandLineProcessing(const CefString&, CefRefPtr<CefCommandLine> line) override {
    line->AppendSwitch("during");
    validDuring = line->IsValid() && line->HasSwitch("during");
    kept = line;
  }
  CefRefPtr<CefCommandLine> kept;
  bool validDuring = false;

  IMPLEMENT_REFCOUNTING(KeepingApp);
};

TEST(StandinCommandLineTest, OneKeptPastTheHookIsDetached) {
  const char* argv[] = {"prog", "--type=gpu-process", "--x=1", "arg"};
  CefMainArgs args(4, const_cast<char**>(argv));
  CefRefPtr<KeepingApp> app = new KeepingApp();
  CefExecuteProcess(args, app.get(), nullptr);
  ASSERT_TRUE(app->kept);
  EXPECT_TRUE(app->validDuring);
  CefRefPtr<CefCommandLine> kept = app->kept;
  EXPECT_FALSE(kept->IsValid());
  EXPECT_FALSE(kept->IsReadOnly());  // as CEF: detached, not read-only
  EXPECT_FALSE(kept->HasSwitch("x"));
  EXPECT_TRUE(kept->GetProgram().empty());
  kept->AppendSwitch("after");
  EXPECT_FALSE(kept->HasSwitches());
  EXPECT_FALSE(kept->Copy());
  std::vector<CefString> argv2;
  kept->GetArgv(argv2);
  EXPECT_TRUE(argv2.empty());
}
#endif

TEST(StandinCommandLineTest, ResetKeepsTheProgramAndTheGlobalOneIsReadOnly) {
  CefRefPtr<CefCommandLine> line = CefCommandLine::CreateCommandLine();
  line->InitFromString("prog.exe --a=1 /b arg");
  CefCommandLine::SwitchMap switches;
  switches["a"] = "kept";
  line->GetSwitches(switches);
  EXPECT_EQ(switches["a"].ToString(), "kept");  // added to the map, nothing replaced
#ifdef _WIN32
  EXPECT_TRUE(line->HasSwitch("b"));
#endif
  line->Reset();
  EXPECT_EQ(line->GetProgram().ToString(), "prog.exe");
  EXPECT_FALSE(line->HasSwitches());
  EXPECT_FALSE(line->HasArguments());

  CefRefPtr<CefCommandLine> global = CefCommandLine::GetGlobalCommandLine();
  EXPECT_TRUE(global->IsReadOnly());
  global->AppendSwitch("never");
  EXPECT_FALSE(global->HasSwitch("never"));
}

}  // namespace
