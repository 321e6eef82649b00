// Start-up's text helpers: the first argument to UTF-8, and the locale texts of the user's
// interface language.
#include <gtest/gtest.h>

#include "host/ui_language.h"
#include "host/utf8.h"

namespace {

TEST(ToUtf8, ConvertsUpToTheFirstNul) {
  EXPECT_EQ(toUtf8(L"C:\\Program Files\\Tandu"), "C:\\Program Files\\Tandu");
  EXPECT_EQ(toUtf8(L"T\u00e4ndu \u65e5\u672c \U0001F600"),
            "T\xc3\xa4ndu \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80");
  EXPECT_EQ(toUtf8(std::wstring(L"abc\0def", 7)), "abc");
  EXPECT_EQ(toUtf8(L""), "");
  // An unpaired surrogate is replaced, not a reason to lose the whole argument.
  EXPECT_EQ(toUtf8(std::wstring(L"a") + wchar_t(0xD800) + L"b"),
            "a\xef\xbf\xbd"
            "b");
}

TEST(UiLanguageTexts, JoinLanguageAndCountryOrFallBack) {
  struct Case {
    const wchar_t* language;
    const wchar_t* country;
    const wchar_t* locale;
    const wchar_t* acceptLanguage;
  };
  const Case cases[] = {
      {L"de", L"DE", L"de_DE", L"de-DE"},
      {L"en", L"US", L"en_US", L"en-US"},
      // A language without a country name stands alone, without a dangling separator.
      {L"eo", L"", L"eo", L"eo"},
      // Without a language name there is nothing to build on: CEF's own default.
      {L"", L"DE", L"en_US", L"en-US"},
      {L"", L"", L"en_US", L"en-US"},
  };
  for (const Case& c : cases) {
    const UiLanguageTexts texts = uiLanguageTexts(c.language, c.country);
    EXPECT_EQ(texts.locale, c.locale) << c.language << "/" << c.country;
    EXPECT_EQ(texts.acceptLanguage, c.acceptLanguage) << c.language << "/" << c.country;
  }
}

}  // namespace
