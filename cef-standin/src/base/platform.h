// What the stand-in needs of the operating system: the process's arguments, its
// environment, file paths and sleeping.
#ifndef CEF_STANDIN_SRC_BASE_PLATFORM_H_
#define CEF_STANDIN_SRC_BASE_PLATFORM_H_

#include <optional>
#include <string>
#include <vector>

namespace cef_standin {

// The process's command line, program first. On Windows it is read from the system;
// elsewhere it is what CefExecuteProcess was given.
std::vector<std::u16string> ProcessArguments();
void SetProcessArguments(int argc, char** argv);

// An environment variable as UTF-8, or nothing when it is not set.
std::optional<std::string> GetEnv(const char* name);

// A path for the C runtime: an absolute Unix path becomes Z:\... under Windows (Wine).
std::string NativePath(const std::string& path);

// The path of the running executable.
std::u16string ExecutablePath();

void SleepMilliseconds(long milliseconds);

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_BASE_PLATFORM_H_
