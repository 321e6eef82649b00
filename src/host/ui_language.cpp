#include "host/ui_language.h"

#include <windows.h>

UiLanguageTexts uiLanguageTexts(const std::wstring& language, const std::wstring& country) {
  if (language.empty()) {
    return {L"en_US", L"en-US"};
  }
  if (country.empty()) {
    return {language, language};
  }
  return {language + L"_" + country, language + L"-" + country};
}

UiLanguageTexts userUiLanguageTexts() {
  const LCID id = GetUserDefaultUILanguage();
  // Zero-filled, so a failed lookup leaves an empty name rather than garbage.
  wchar_t language[100] = {};
  wchar_t country[100] = {};
  GetLocaleInfoW(id, LOCALE_SISO639LANGNAME, language, 100);
  GetLocaleInfoW(id, LOCALE_SISO3166CTRYNAME, country, 100);
  return uiLanguageTexts(language, country);
}
