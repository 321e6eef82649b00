// The double beside CEF 92 where CEF's own unit tests do not look: its string and time
// exports, a command line kept past the hook CEF lent it to, and references into a tree
// whose owner is gone. Each expectation is what CEF 92's own implementation does.
#include <cstring>
#include <string>

#include "include/cef_command_line.h"
#include "include/cef_values.h"
#include "include/internal/cef_string_types.h"
#include "include/internal/cef_time.h"
#include "tests/gtest/include/gtest/gtest.h"

extern CefRefPtr<CefCommandLine> g_kept_command_line;
extern bool g_valid_in_hook;

namespace {

TEST(DoubleTest, CopyingNoTextLeavesANullBuffer) {
  cef_string_utf16_t text = {};
  const char16 unit[] = {u'x', 0};
  ASSERT_TRUE(cef_string_utf16_set(unit, 0, &text, 1));
  EXPECT_EQ(text.str, nullptr);
  EXPECT_EQ(text.length, 0u);
  ASSERT_TRUE(cef_string_utf16_set(nullptr, 3, &text, 1));
  EXPECT_EQ(text.str, nullptr);
  ASSERT_TRUE(cef_string_utf16_set(unit, 1, &text, 1));
  ASSERT_NE(text.str, nullptr);
  EXPECT_EQ(text.str[1], 0);
  cef_string_utf16_clear(&text);
}

TEST(DoubleTest, ConversionsOfMalformedTextAnswerZero) {
  cef_string_utf8_t utf8 = {};
  const char16 lone[] = {u'a', 0xD800, u'b'};
  EXPECT_EQ(cef_string_utf16_to_utf8(lone, 3, &utf8), 0);
  EXPECT_EQ(std::string(utf8.str, utf8.length),
            "a\xEF\xBF\xBD"
            "b");
  const char16 pair[] = {0xD83D, 0xDE00};
  EXPECT_EQ(cef_string_utf16_to_utf8(pair, 2, &utf8), 1);
  EXPECT_EQ(std::string(utf8.str, utf8.length), "\xF0\x9F\x98\x80");
  cef_string_utf8_clear(&utf8);

  cef_string_utf16_t utf16 = {};
  EXPECT_EQ(cef_string_utf8_to_utf16("a\xFF", 2, &utf16), 0);
  ASSERT_EQ(utf16.length, 2u);
  EXPECT_EQ(utf16.str[1], 0xFFFD);
  EXPECT_EQ(cef_string_utf8_to_utf16("ok", 2, &utf16), 1);
  cef_string_utf16_clear(&utf16);
}

TEST(DoubleTest, ComparisonStopsAtANulBothShareThenTakesTheLengths) {
  struct Case {
    std::u16string a, b;
    int sign;
  };
  const Case cases[] = {
      {std::u16string(u"a\0b", 3), std::u16string(u"a\0c", 3), 0},
      {std::u16string(u"a\0b", 3), std::u16string(u"a\0bc", 4), -1},
      {u"ab", u"a", 1},
      {u"", u"", 0},
      {u"", u"a", -1},
      {u"b", u"a", 1},
  };
  for (const Case& c : cases) {
    cef_string_utf16_t a = {}, b = {};
    cef_string_utf16_set(reinterpret_cast<const char16*>(c.a.data()), c.a.size(), &a, 0);
    cef_string_utf16_set(reinterpret_cast<const char16*>(c.b.data()), c.b.size(), &b, 0);
    const int r = cef_string_utf16_cmp(&a, &b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a.size() << " " << c.b.size();
  }
}

TEST(DoubleTest, ACommandLineKeptPastTheHookIsDetached) {
  ASSERT_TRUE(g_kept_command_line);
  EXPECT_TRUE(g_valid_in_hook);
  EXPECT_FALSE(g_kept_command_line->IsValid());
  EXPECT_FALSE(g_kept_command_line->HasSwitch("yardstick"));
  g_kept_command_line->AppendSwitch("later");
  EXPECT_FALSE(g_kept_command_line->HasSwitches());
  EXPECT_TRUE(g_kept_command_line->GetProgram().empty());
  EXPECT_FALSE(g_kept_command_line->Copy());
}

TEST(DoubleTest, ReferencesGoWithTheOwnerOfTheirTree) {
  CefRefPtr<CefListValue> owner = CefListValue::Create();
  CefRefPtr<CefListValue> inner = CefListValue::Create();
  inner->SetInt(0, 1);
  ASSERT_TRUE(owner->SetList(0, inner));
  CefRefPtr<CefListValue> view = owner->GetList(0);
  EXPECT_TRUE(view->IsValid());
  EXPECT_FALSE(owner->SetList(1, owner));  // a tree is not put inside itself
  owner = nullptr;
  EXPECT_FALSE(view->IsValid());
  EXPECT_EQ(view->GetInt(0), 0);
}

TEST(DoubleTest, CalendarTimesConvertInUtcAndRefuseWhatIsNoDate) {
  struct Case {
    cef_time_t time;
    time_t seconds;
  };
  const Case cases[] = {
      {{2037, 4, 6, 11, 20, 15, 42, 0}, 2123093742},
      {{1970, 1, 4, 1, 0, 0, 0, 0}, 0},
      {{1969, 12, 3, 31, 23, 59, 59, 0}, -1},
      {{2024, 2, 4, 29, 12, 0, 0, 500}, 1709208000},  // a leap day; the half second floors
  };
  for (const Case& c : cases) {
    time_t seconds = 42;
    EXPECT_EQ(cef_time_to_timet(&c.time, &seconds), 1) << c.seconds;
    EXPECT_EQ(seconds, c.seconds);
    cef_time_t back = {};
    ASSERT_EQ(cef_time_from_timet(c.seconds, &back), 1);
    EXPECT_EQ(back.year, c.time.year);
    EXPECT_EQ(back.day_of_month, c.time.day_of_month);
    EXPECT_EQ(back.day_of_week, c.time.day_of_week);
    EXPECT_EQ(back.second, c.time.second);
  }
  long long delta = 0;
  ASSERT_EQ(cef_time_delta(&cases[2].time, &cases[3].time, &delta), 1);
  EXPECT_EQ(delta, 1709208000500LL + 1000);

  cef_time_t no_date = {2021, 13, 0, 1, 0, 0, 0, 0};
  time_t untouched = 7;
  EXPECT_EQ(cef_time_to_timet(&no_date, &untouched), 0);
  EXPECT_EQ(untouched, 7);
  EXPECT_EQ(cef_time_to_timet(nullptr, &untouched), 0);
  // Past what this build's time_t holds: refused, not wrapped around.
  if (sizeof(time_t) == 4) {
    const cef_time_t year_2200 = {2200, 4, 5, 11, 20, 15, 42, 0};
    EXPECT_EQ(cef_time_to_timet(&year_2200, &untouched), 0);
    EXPECT_EQ(untouched, 7);
  }
  EXPECT_EQ(cef_time_delta(&no_date, &cases[0].time, &delta), 0);
  EXPECT_EQ(cef_time_now(nullptr), 0);
  cef_time_t now = {};
  ASSERT_EQ(cef_time_now(&now), 1);
  EXPECT_GE(now.year, 2024);
}

}  // namespace
