// The scenario player: each line one step of a renderer's life, played through a
// RendererProcess.
#include "standin/scenario.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <thread>

#include "base/event_log.h"
#include "base/utf.h"
#include "page/script.h"
#include "standin/renderer_process.h"
#include "v8/json_values.h"
#include "values/process_message.h"

namespace cef_standin {
namespace {

using Json = nlohmann::json;

// What the message router of a default configuration names its queries and answers.
constexpr const char* kQueryMessage = "cefQueryMsg";

// The most any script step may take (SetScriptLimitCeiling).
script::Limits gCeiling{600000, size_t{1} << 30};

// A step that cannot be played; the reason goes to the log.
struct StepError {
  std::string reason;
};

class ScenarioPlayer {
 public:
  explicit ScenarioPlayer(RendererProcess& process) : process_(process) {}

  void Play(const std::string& line, size_t lineNumber) {
    Json step = Json::parse(line, nullptr, false);
    std::string op;
    try {
      if (step.is_discarded() || !step.is_object()) {
        throw StepError{"a step is one JSON object"};
      }
      op = Text(step, "op");
      Dispatch(op, step);
    } catch (const StepError& error) {
      Report(lineNumber, op, error.reason);
    } catch (const Json::exception& error) {
      Report(lineNumber, op, error.what());
    }
  }

 private:
  void Dispatch(const std::string& op, const Json& step) {
    if (op == "browser") {
      const int id = Int(step, "id");
      if (!process_.CreateBrowser(id)) {
        throw StepError{"browser " + std::to_string(id) + " exists already"};
      }
    } else if (op == "frame") {
      if (!BrowserOf(step)->AddFrame(Text(step, "name"))) {
        throw StepError{"the browser has a frame of that name already"};
      }
    } else if (op == "body") {
      const Json& text = Member(step, "text");
      if (!text.is_null() && !text.is_string()) {
        throw StepError{"\"text\" is a string or null"};
      }
      FrameOf(step)->SetBodyText(
          text.is_null() ? std::nullopt
                         : std::optional<std::u16string>(Utf8ToUtf16(text.get<std::string>())));
    } else if (op == "document") {
      const Json& present = Member(step, "present");
      if (!present.is_boolean()) {
        throw StepError{"\"present\" is true or false"};
      }
      FrameOf(step)->SetHasDocument(present.get<bool>());
    } else if (op == "context") {
      CefRefPtr<Frame> frame = FrameOf(step);
      const std::vector<PageScript> scripts = PageScriptsOf(step);
      process_.CreateContext(frame);
      // The page's own scripts run once the application has seen the new context, as a
      // document's scripts run after CEF's OnContextCreated.
      for (const PageScript& script : scripts) {
        if (!process_.ContextOf(frame)) {
          break;  // a script before this one ended the page
        }
        RunPageScript(frame, script);
      }
    } else if (op == "script") {
      CefRefPtr<Frame> frame = FrameOf(step);
      PageScript script = ScriptOf(step, Member(step, "source"), "script.js", LimitsOf(step));
      if (!process_.ContextOf(frame)) {
        throw StepError{"the frame has no V8 context"};
      }
      RunPageScript(frame, script);
    } else if (op == "call") {
      Call(step);
    } else if (op == "globals") {
      process_.GlobalNames(FrameOf(step));
    } else if (op == "message") {
      Message(step);
    } else if (op == "answer") {
      Answer(step);
    } else if (op == "release") {
      if (!process_.ReleaseContext(FrameOf(step))) {
        throw StepError{"the frame has no V8 context"};
      }
    } else if (op == "destroy") {
      process_.DestroyBrowser(BrowserOf(step));
    } else if (op == "wait") {
      Wait(std::min(Bounded(step, "ms", 0, 60000), gCeiling.timeMs));
    } else if (op == "main_frame") {
      const Json& available = Member(step, "available");
      if (!available.is_boolean()) {
        throw StepError{"\"available\" is true or false"};
      }
      CefRefPtr<Browser> browser = BrowserOf(step);
      if (!available.get<bool>() && browser->mainFrameAvailable()) {
        // The main frame's page leaves this process (a cross-site navigation): its
        // context goes first.
        process_.ReleaseContext(browser->mainFrame());
      }
      browser->SetMainFrameAvailable(available.get<bool>());
    } else {
      throw StepError{"unknown op \"" + op + "\""};
    }
  }

  // Lets `ms` pass, running the renderer's tasks (a page's timers among them) as they
  // fall due.
  void Wait(int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
      process_.RunPostedTasks();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (std::chrono::steady_clock::now() < deadline);
  }

  void Call(const Json& step) {
    CefRefPtr<Frame> frame = FrameOf(step);
    const std::string function = Text(step, "function");
    CefV8ValueList arguments;
    std::string error;
    if (!PageArgumentsFromJson(step.value("args", Json::array()), arguments, error)) {
      throw StepError{error};
    }
    if (!process_.ContextOf(frame)) {
      throw StepError{"the frame has no V8 context"};
    }
    process_.Call(frame, function, arguments);
  }

  void Message(const Json& step) {
    CefRefPtr<Frame> frame = FrameOf(step);
    const std::string source = Text(step, "source");
    if (source != "browser" && source != "renderer") {
      throw StepError{"\"source\" is \"browser\" or \"renderer\""};
    }
    CefRefPtr<ListValue> arguments;
    std::string error;
    if (!ListFromJson(step.value("args", Json::array()), arguments, error)) {
      throw StepError{error};
    }
    CefRefPtr<CefProcessMessage> message =
        new ProcessMessage(Utf8ToUtf16(Text(step, "name")), arguments, true);
    process_.Deliver(frame, source == "browser" ? PID_BROWSER : PID_RENDERER, message);
  }

  // The browser process answers a query of the router: a "cefQueryMsg" with the
  // query's context id and request id, success, then the response or the error code
  // and message, through the frame the query came from.
  void Answer(const Json& step) {
    CefRefPtr<Browser> browser = BrowserOf(step);
    const int requestId = Int(step, "request");
    CefRefPtr<Frame> frame;
    int contextId = 0;
    for (const CefRefPtr<Frame>& candidate : browser->frames()) {
      for (const SentMessage& sent : candidate->sent()) {
        if (sent.name == kQueryMessage && sent.arguments->GetType(1) == VTYPE_INT &&
            sent.arguments->GetInt(1) == requestId) {
          frame = candidate;
          contextId = sent.arguments->GetInt(0);
        }
      }
    }
    if (!frame) {
      throw StepError{"browser " + std::to_string(browser->GetIdentifier()) +
                      " sent no query with request id " + std::to_string(requestId)};
    }
    if (frame->IsMain() && !browser->mainFrameAvailable()) {
      throw StepError{"the query's frame lives in another process"};
    }
    const Json& success = Member(step, "success");
    if (!success.is_boolean()) {
      throw StepError{"\"success\" is true or false"};
    }
    Json layout = Json::array({contextId, requestId, success.get<bool>()});
    if (success.get<bool>()) {
      layout.push_back(Member(step, "response"));
    } else {
      const Json& code = Member(step, "error_code");
      if (!code.is_number_integer() || code.get<int64_t>() < std::numeric_limits<int>::min() ||
          code.get<int64_t>() > std::numeric_limits<int>::max()) {
        throw StepError{"\"error_code\" is a whole number in int range"};
      }
      layout.push_back(code);
      layout.push_back(Member(step, "error_message"));
    }
    CefRefPtr<ListValue> arguments;
    std::string error;
    if (!ListFromJson(layout, arguments, error)) {
      throw StepError{error};
    }
    if (arguments->GetType(layout.size() - 1) != VTYPE_STRING) {
      throw StepError{success.get<bool>() ? "\"response\" is a string"
                                          : "\"error_message\" is a string"};
    }
    process_.Deliver(frame, PID_BROWSER,
                     new ProcessMessage(Utf8ToUtf16(kQueryMessage), arguments, true));
  }

  // The scripts a new context's page runs: "scripts" is a list of sources, or of
  // {"name", "source"} objects; unnamed ones are "page-1.js", "page-2.js", ...
  static std::vector<PageScript> PageScriptsOf(const Json& step) {
    std::vector<PageScript> scripts;
    if (!step.contains("scripts")) {
      return scripts;
    }
    const Json& list = step["scripts"];
    if (!list.is_array()) {
      throw StepError{"\"scripts\" is a list of scripts"};
    }
    for (const Json& entry : list) {
      const std::string fallback = "page-" + std::to_string(scripts.size() + 1) + ".js";
      if (entry.is_object()) {
        scripts.push_back(ScriptOf(entry, Member(entry, "source"), fallback, LimitsOf(step)));
      } else {
        scripts.push_back(ScriptOf(Json::object(), entry, fallback, LimitsOf(step)));
      }
    }
    return scripts;
  }

  // A script's source (a string) and its name (the holder's "name", or the fallback).
  static PageScript ScriptOf(const Json& holder,
                             const Json& source,
                             const std::string& fallback,
                             const script::Limits& limits) {
    if (!source.is_string()) {
      throw StepError{"a script's source is a string"};
    }
    PageScript script;
    script.source = Utf8ToUtf16(source.get<std::string>());
    script.name = Utf8ToUtf16(holder.contains("name") ? Text(holder, "name") : fallback);
    script.limits = limits;
    return script;
  }

  // The limits a step sets for its scripts ("time_limit_ms", "memory_limit_kb"); the
  // engine's own otherwise.
  static script::Limits LimitsOf(const Json& step) {
    script::Limits limits;
    if (step.contains("time_limit_ms")) {
      limits.timeMs = Bounded(step, "time_limit_ms", 1, 600000);
    }
    if (step.contains("memory_limit_kb")) {
      limits.memoryBytes =
          static_cast<size_t>(Bounded(step, "memory_limit_kb", 64, 1 << 20)) * 1024;
    }
    limits.timeMs = std::min(limits.timeMs, gCeiling.timeMs);
    limits.memoryBytes = std::min(limits.memoryBytes, gCeiling.memoryBytes);
    return limits;
  }

  static int Bounded(const Json& step, const char* name, int least, int most) {
    const int value = Int(step, name);
    if (value < least || value > most) {
      throw StepError{std::string("\"") + name + "\" is from " + std::to_string(least) + " to " +
                      std::to_string(most)};
    }
    return value;
  }

  static const Json& Member(const Json& step, const char* name) {
    if (!step.contains(name)) {
      throw StepError{std::string("missing \"") + name + "\""};
    }
    return step[name];
  }

  static std::string Text(const Json& step, const char* name) {
    const Json& value = Member(step, name);
    if (!value.is_string()) {
      throw StepError{std::string("\"") + name + "\" is a string"};
    }
    return value.get<std::string>();
  }

  static int Int(const Json& step, const char* name) {
    const Json& value = Member(step, name);
    if (!value.is_number_integer() || value.get<int64_t>() < 0 ||
        value.get<int64_t>() > std::numeric_limits<int>::max()) {
      throw StepError{std::string("\"") + name + "\" is a whole number"};
    }
    return static_cast<int>(value.get<int64_t>());
  }

  CefRefPtr<Browser> BrowserOf(const Json& step) {
    const int id = Int(step, "browser");
    CefRefPtr<Browser> browser = process_.FindBrowser(id);
    if (!browser) {
      throw StepError{"no browser " + std::to_string(id)};
    }
    return browser;
  }

  CefRefPtr<Frame> FrameOf(const Json& step) {
    CefRefPtr<Browser> browser = BrowserOf(step);
    const std::string label = step.contains("frame") ? Text(step, "frame") : Frame::kMainLabel;
    CefRefPtr<Frame> frame = browser->FindFrame(label);
    if (!frame) {
      throw StepError{"no frame \"" + label + "\" in browser " +
                      std::to_string(browser->GetIdentifier())};
    }
    // Nothing happens in this process to a main frame that lives in another one.
    if (frame->IsMain() && !browser->mainFrameAvailable()) {
      throw StepError{"the main frame of browser " + std::to_string(browser->GetIdentifier()) +
                      " lives in another process"};
    }
    return frame;
  }

  static void Report(size_t lineNumber, const std::string& op, const std::string& reason) {
    std::fprintf(stderr, "cef-standin: scenario line %lu: %s\n",
                 static_cast<unsigned long>(lineNumber), reason.c_str());
    LogEvent({{"event", "ScenarioError"}, {"line", lineNumber}, {"op", op}, {"reason", reason}});
  }

  RendererProcess& process_;
};

}  // namespace

void SetScriptLimitCeiling(int timeMs, int memoryKb) {
  gCeiling.timeMs = timeMs;
  gCeiling.memoryBytes = static_cast<size_t>(memoryKb) * 1024;
  // What runs outside the steps (timers, extensions) keeps under it too.
  script::Engine& engine = script::Engine::Get();
  script::Limits defaults = engine.limits();
  defaults.timeMs = std::min(defaults.timeMs, gCeiling.timeMs);
  defaults.memoryBytes = std::min(defaults.memoryBytes, gCeiling.memoryBytes);
  engine.set_default_limits(defaults);
}

void PlayScenario(CefRefPtr<CefApp> app, const std::string& jsonLines) {
  RendererProcess process(app);
  ScenarioPlayer player(process);
  size_t lineNumber = 0;
  size_t start = 0;
  while (start < jsonLines.size()) {
    size_t end = jsonLines.find('\n', start);
    if (end == std::string::npos) {
      end = jsonLines.size();
    }
    std::string line = jsonLines.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (line.find_first_not_of(" \t\r") == std::string::npos) {
      continue;
    }
    player.Play(line, lineNumber);
    // What the step posted to the renderer thread runs once the step is done.
    process.RunPostedTasks();
  }
}

}  // namespace cef_standin
