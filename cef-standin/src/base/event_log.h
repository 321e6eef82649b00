// The stand-in's event log: one JSON object per line, appended to the file named by
// CEF_STANDIN_LOG (no log when it is unset). Each line is written and flushed at once,
// so a process that ends abruptly loses nothing it logged.
#ifndef CEF_STANDIN_SRC_BASE_EVENT_LOG_H_
#define CEF_STANDIN_SRC_BASE_EVENT_LOG_H_

#include <nlohmann/json.hpp>
#include <string>

namespace cef_standin {

void LogEvent(const nlohmann::json& event);

// The application call under way (set by whoever makes it), for the log when the
// process ends inside one.
std::string& HandlerCallInProgress();

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_BASE_EVENT_LOG_H_
