// The user's interface language, as CEF wants it for its locale and for the
// Accept-Language header.
#pragma once

#include <string>

struct UiLanguageTexts {
  std::wstring locale;          // "de_DE"
  std::wstring acceptLanguage;  // "de-DE"
};

// Joins ISO 639 language and ISO 3166 country names. A language without a country
// stands alone ("de"); without a language name, CEF's default "en_US" / "en-US" is used.
UiLanguageTexts uiLanguageTexts(const std::wstring& language, const std::wstring& country);

// The texts for this user's interface language.
UiLanguageTexts userUiLanguageTexts();
