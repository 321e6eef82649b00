// Runs the real Quorvane.exe (and other Windows programs of the build) under Wine, with
// the stand-in's environment variables, and reads back what CEF saw from its event log.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace harness {

using Json = nlohmann::json;
using Env = std::map<std::string, std::string>;

// The win32 build folder, build/win32/Quorvane.exe and build/win32/test-programs/<name>.exe.
// QUORVANE_EXE_DIR names another folder for Quorvane.exe (make cef-test: the real-SDK
// build beside the libcef.dll double); the test programs always come from build/win32.
std::string win32BuildDir();
std::string exeDir();
std::string quorvaneExe();
// True when QUORVANE_REAL_CEF=1: Quorvane.exe is the real-SDK build (CEF's own wrapper
// and message router) running against the double. Only for what CEF's own code does
// and the stand-in cannot imitate.
bool realCef();
std::string testProgram(const std::string& name);
// A Unix absolute path as a Windows program under Wine names it (drive Z: is the Unix
// root, with backslashes).
std::string windowsPath(const std::string& unixPath);

// A scratch folder of its own for each test, removed at the end of the process.
std::string scratchDir();

struct Result {
  int exitCode = -1;
  std::string output;        // stdout and stderr of the Windows program
  std::vector<Json> events;  // the event log, one object per line
  // The events with this "event" name, in order.
  std::vector<Json> named(const std::string& event) const;
  // The one event with this name; fails the test when there is not exactly one.
  Json only(const std::string& event) const;
};

struct Launch {
  std::vector<std::string> args;  // after the program path
  Env env;                        // added to the environment (CEF_STANDIN_*, LC_ALL, TZ, ...)
  std::string scenario;           // JSON Lines for CEF_STANDIN_SCENARIO, when not empty
};

// Runs Quorvane.exe with these arguments and variables, waits for it and reads its log.
Result runQuorvane(const Launch& launch);

// A renderer played every scenario step and ended on its own: exit code 0, no
// ScenarioError, one ChildProcessEnded (fails the test otherwise).
void expectPlayedOut(const Result& result);

// Reads an event log, one JSON object per line. Fails the test on every fault the
// real-SDK build's libcef.dll double reports (ReferenceFault, Unmodeled): no run of
// Quorvane.exe may have one. `output` is the program's, shown with a failure.
std::vector<Json> readEventLog(const std::string& path, const std::string& output);

// Runs any program under Wine (tools/wine.sh), waits, and returns exit code and output.
Result runWine(const std::vector<std::string>& argv, const Env& env = {});

// The machine-wide registry of the test prefix, written with `wine reg`.
enum class View { k32, k64 };
void regAdd(const std::string& key,
            const std::string& name,
            const std::string& type,
            const std::string& data,
            View view);
void regDeleteKey(const std::string& key, View view);

}  // namespace harness
