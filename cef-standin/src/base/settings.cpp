// CefSettings: zero-filled, owning the texts of its string fields.
#include <cstring>

#include "include/internal/cef_types.h"

namespace {

template <typename F>
void ForEachString(cef_settings_t& s, F f) {
  f(s.browser_subprocess_path);
  f(s.framework_dir_path);
  f(s.main_bundle_path);
  f(s.cache_path);
  f(s.root_cache_path);
  f(s.user_data_path);
  f(s.user_agent);
  f(s.user_agent_product);
  f(s.locale);
  f(s.log_file);
  f(s.javascript_flags);
  f(s.resources_dir_path);
  f(s.locales_dir_path);
  f(s.accept_language_list);
  f(s.cookieable_schemes_list);
  f(s.application_client_id_for_file_scanning);
}

}  // namespace

CefSettings::CefSettings() {
  std::memset(static_cast<cef_settings_t*>(this), 0, sizeof(cef_settings_t));
  size = sizeof(cef_settings_t);
}

CefSettings::CefSettings(const CefSettings& other) : CefSettings() {
  *this = other;
}

CefSettings& CefSettings::operator=(const CefSettings& other) {
  if (this == &other) {
    return *this;
  }
  ForEachString(*this, [](cef_string_t& field) { cef_string_clear(&field); });
  std::memcpy(static_cast<cef_settings_t*>(this), static_cast<const cef_settings_t*>(&other),
              sizeof(cef_settings_t));
  // The copied fields still point at the other object's texts: give this one its own.
  ForEachString(*this, [](cef_string_t& field) {
    cef_string_t shared = field;
    field = cef_string_t{nullptr, 0, nullptr};
    CefString text(&field);
    text = CefString(&shared);
  });
  return *this;
}

CefSettings::~CefSettings() {
  ForEachString(*this, [](cef_string_t& field) { cef_string_clear(&field); });
}
