// CEF's plain types: process ids, enums and the settings structure.
#ifndef CEF_INCLUDE_INTERNAL_CEF_TYPES_H_
#define CEF_INCLUDE_INTERNAL_CEF_TYPES_H_

#include <cstddef>
#include <cstdint>

#include "include/internal/cef_string.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

typedef int64_t int64;
typedef uint32_t uint32;
typedef uint32_t cef_color_t;

typedef enum {
  PID_BROWSER,
  PID_RENDERER,
} cef_process_id_t;
typedef cef_process_id_t CefProcessId;

// CEF's named threads. A renderer process runs only TID_RENDERER (its main thread);
// the others belong to the browser process.
typedef enum {
  TID_UI,
  TID_FILE_BACKGROUND,
  TID_FILE_USER_VISIBLE,
  TID_FILE_USER_BLOCKING,
  TID_PROCESS_LAUNCHER,
  TID_IO,
  TID_RENDERER,
} cef_thread_id_t;

typedef enum {
  LOGSEVERITY_DEFAULT,
  LOGSEVERITY_VERBOSE,
  LOGSEVERITY_DEBUG = LOGSEVERITY_VERBOSE,
  LOGSEVERITY_INFO,
  LOGSEVERITY_WARNING,
  LOGSEVERITY_ERROR,
  LOGSEVERITY_FATAL,
  LOGSEVERITY_DISABLE = 99
} cef_log_severity_t;

typedef enum {
  CEF_SCHEME_OPTION_NONE = 0,
  CEF_SCHEME_OPTION_STANDARD = 1 << 0,
  CEF_SCHEME_OPTION_LOCAL = 1 << 1,
  CEF_SCHEME_OPTION_DISPLAY_ISOLATED = 1 << 2,
  CEF_SCHEME_OPTION_SECURE = 1 << 3,
  CEF_SCHEME_OPTION_CORS_ENABLED = 1 << 4,
  CEF_SCHEME_OPTION_CSP_BYPASSING = 1 << 5,
  CEF_SCHEME_OPTION_FETCH_ENABLED = 1 << 6,
} cef_scheme_options_t;

typedef enum {
  V8_PROPERTY_ATTRIBUTE_NONE = 0,
  V8_PROPERTY_ATTRIBUTE_READONLY = 1 << 0,
  V8_PROPERTY_ATTRIBUTE_DONTENUM = 1 << 1,
  V8_PROPERTY_ATTRIBUTE_DONTDELETE = 1 << 2
} cef_v8_propertyattribute_t;

typedef enum {
  STATE_DEFAULT = 0,
  STATE_ENABLED,
  STATE_DISABLED,
} cef_state_t;

// Settings of the browser process, as CEF's C structure has them.
typedef struct _cef_settings_t {
  size_t size;
  int no_sandbox;
  cef_string_t browser_subprocess_path;
  cef_string_t framework_dir_path;
  cef_string_t main_bundle_path;
  int chrome_runtime;
  int multi_threaded_message_loop;
  int external_message_pump;
  int windowless_rendering_enabled;
  int command_line_args_disabled;
  cef_string_t cache_path;
  cef_string_t root_cache_path;
  cef_string_t user_data_path;
  int persist_session_cookies;
  int persist_user_preferences;
  cef_string_t user_agent;
  cef_string_t user_agent_product;
  cef_string_t locale;
  cef_string_t log_file;
  cef_log_severity_t log_severity;
  cef_string_t javascript_flags;
  cef_string_t resources_dir_path;
  cef_string_t locales_dir_path;
  int pack_loading_disabled;
  int remote_debugging_port;
  int uncaught_exception_stack_size;
  int ignore_certificate_errors;
  cef_color_t background_color;
  cef_string_t accept_language_list;
  cef_string_t cookieable_schemes_list;
  int cookieable_schemes_exclude_defaults;
  cef_string_t application_client_id_for_file_scanning;
} cef_settings_t;

// The C++ face of the settings: zero-filled at construction, strings freed at the end.
class CefSettings : public cef_settings_t {
 public:
  CefSettings();
  CefSettings(const CefSettings& other);
  CefSettings& operator=(const CefSettings& other);
  ~CefSettings();
};

// What the process was started with.
#ifdef _WIN32
class CefMainArgs {
 public:
  CefMainArgs() : instance(nullptr) {}
  explicit CefMainArgs(HINSTANCE hInstance) : instance(hInstance) {}
  HINSTANCE instance;
};
#else
class CefMainArgs {
 public:
  CefMainArgs() : argc(0), argv(nullptr) {}
  CefMainArgs(int argc_arg, char** argv_arg) : argc(argc_arg), argv(argv_arg) {}
  int argc;
  char** argv;
};
#endif

#endif  // CEF_INCLUDE_INTERNAL_CEF_TYPES_H_
