#include "wine/harness.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

extern char** environ;

namespace harness {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct ScratchRoot {
  std::string path;
  ScratchRoot() {
    char pattern[] = "/tmp/quorvane-test-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~ScratchRoot() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

}  // namespace

std::string win32BuildDir() {
  return QUORVANE_WIN32_BUILD_DIR;
}

std::string exeDir() {
  const char* dir = std::getenv("QUORVANE_EXE_DIR");
  return dir && *dir ? std::string(dir) : win32BuildDir();
}

bool realCef() {
  const char* flag = std::getenv("QUORVANE_REAL_CEF");
  return flag && std::string(flag) == "1";
}

std::string quorvaneExe() {
  return exeDir() + "/Quorvane.exe";
}

std::string testProgram(const std::string& name) {
  return win32BuildDir() + "/test-programs/" + name + ".exe";
}

std::string windowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') {
      c = '\\';
    }
  }
  return path;
}

std::string scratchDir() {
  static ScratchRoot root;
  static int counter = 0;
  std::string dir = root.path + "/" + std::to_string(++counter);
  std::filesystem::create_directories(dir);
  return dir;
}

std::vector<Json> Result::named(const std::string& event) const {
  std::vector<Json> found;
  for (const Json& e : events) {
    if (e.value("event", "") == event) {
      found.push_back(e);
    }
  }
  return found;
}

Json Result::only(const std::string& event) const {
  std::vector<Json> found = named(event);
  EXPECT_EQ(found.size(), 1u) << "events named " << event << "\noutput:\n" << output;
  return found.empty() ? Json() : found.front();
}

Result runWine(const std::vector<std::string>& argv, const Env& env) {
  std::vector<std::string> args = {QUORVANE_WINE};
  args.insert(args.end(), argv.begin(), argv.end());
  std::vector<char*> cargs;
  for (std::string& a : args) {
    cargs.push_back(a.data());
  }
  cargs.push_back(nullptr);

  // The current environment, with the run's variables on top.
  std::map<std::string, std::string> merged;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    size_t eq = entry.find('=');
    merged[entry.substr(0, eq)] = eq == std::string::npos ? "" : entry.substr(eq + 1);
  }
  for (const auto& [name, value] : env) {
    merged[name] = value;
  }
  std::vector<std::string> envStrings;
  for (const auto& [name, value] : merged) {
    envStrings.push_back(name + "=" + value);
  }
  std::vector<char*> cenv;
  for (std::string& e : envStrings) {
    cenv.push_back(e.data());
  }
  cenv.push_back(nullptr);

  const std::string outputPath = scratchDir() + "/output.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  Result result;
  int rc = posix_spawn(&pid, cargs[0], &actions, nullptr, cargs.data(), cenv.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    ADD_FAILURE() << "cannot start " << args[0];
    return result;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.output = readFile(outputPath);
  return result;
}

Result runQuorvane(const Launch& launch) {
  const std::string dir = scratchDir();
  Env env = launch.env;
  env["CEF_STANDIN_LOG"] = dir + "/events.jsonl";
  if (!launch.scenario.empty()) {
    env["CEF_STANDIN_SCENARIO"] = dir + "/scenario.jsonl";
    std::ofstream(dir + "/scenario.jsonl") << launch.scenario;
  }
  std::vector<std::string> argv = {quorvaneExe()};
  argv.insert(argv.end(), launch.args.begin(), launch.args.end());
  Result result = runWine(argv, env);
  result.events = readEventLog(dir + "/events.jsonl", result.output);
  return result;
}

void expectPlayedOut(const Result& result) {
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_TRUE(result.named("ScenarioError").empty()) << result.output;
  EXPECT_EQ(result.named("ChildProcessEnded").size(), 1u) << result.output;
}

std::vector<Json> readEventLog(const std::string& path, const std::string& output) {
  std::vector<Json> events;
  std::ifstream log(path);
  std::string line;
  while (std::getline(log, line)) {
    if (!line.empty()) {
      events.push_back(Json::parse(line, nullptr, false));
    }
  }
  // The double reports reference-counting faults, misuse of the C API and calls it does
  // not model; none may happen in any run.
  for (const Json& event : events) {
    const std::string name = event.value("event", "");
    if (name == "ReferenceFault" || name == "Unmodeled") {
      ADD_FAILURE() << event.dump() << "\noutput:\n" << output;
    }
  }
  return events;
}

void regAdd(const std::string& key,
            const std::string& name,
            const std::string& type,
            const std::string& data,
            View view) {
  Result r = runWine({"reg", "add", key, "/v", name, "/t", type, "/d", data, "/f",
                      view == View::k32 ? "/reg:32" : "/reg:64"});
  ASSERT_EQ(r.exitCode, 0) << "reg add " << key << " " << name << ": " << r.output;
}

void regDeleteKey(const std::string& key, View view) {
  // A missing key is fine: the point is that it is gone afterwards.
  runWine({"reg", "delete", key, "/f", view == View::k32 ? "/reg:32" : "/reg:64"});
}

}  // namespace harness
