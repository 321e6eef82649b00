#include "base/command_line.h"

#include "base/platform.h"
#include "base/utf.h"

namespace cef_standin {
namespace {

// How long the switch prefix of a token is: "--" or "-", and on Windows "/" too.
size_t PrefixLength(const std::u16string& token) {
  if (token.compare(0, 2, u"--") == 0) {
    return 2;
  }
#ifdef _WIN32
  if (token.compare(0, 1, u"/") == 0) {
    return 1;
  }
#endif
  return token.compare(0, 1, u"-") == 0 ? 1 : 0;
}

// The switch name of a token ("--type=gpu" -> "type"), or empty if it is no switch.
std::u16string SwitchName(const std::u16string& token) {
  size_t dashes = PrefixLength(token);
  if (dashes == 0 || token.size() == dashes) {
    return {};
  }
  return token.substr(dashes, token.find(u'=') == std::u16string::npos ? std::u16string::npos
                                                                       : token.find(u'=') - dashes);
}

// Chromium keeps switch names lower-case on Windows, in the switch map and on the
// command line alike; elsewhere they stay as given.
std::u16string SwitchCase(std::u16string token) {
#ifdef _WIN32
  const size_t end = token.find(u'=');
  for (size_t i = 0; i < token.size() && i < end; ++i) {
    if (token[i] >= u'A' && token[i] <= u'Z') {
      token[i] = static_cast<char16_t>(token[i] - u'A' + u'a');
    }
  }
#endif
  return token;
}

std::u16string Quoted(const std::u16string& text) {
  return text.find_first_of(u" \t") == std::u16string::npos ? text : u"\"" + text + u"\"";
}

}  // namespace

std::vector<std::u16string> CommandLine::Split(const std::u16string& commandLine) {
  std::vector<std::u16string> tokens;
  std::u16string current;
  bool inQuotes = false, inToken = false;
  for (char16_t c : commandLine) {
    if (c == u'"') {
      inQuotes = !inQuotes;
      inToken = true;
    } else if ((c == u' ' || c == u'\t') && !inQuotes) {
      if (inToken) {
        tokens.push_back(current);
      }
      current.clear();
      inToken = false;
    } else {
      current += c;
      inToken = true;
    }
  }
  if (inToken) {
    tokens.push_back(current);
  }
  return tokens;
}

CefRefPtr<CefCommandLine> CommandLine::Copy() {
  if (detached_) {
    return nullptr;
  }
  CefRefPtr<CommandLine> copy = new CommandLine();
  copy->program_ = program_;
  copy->switchTokens_ = switchTokens_;
  copy->switches_ = switches_;
  copy->arguments_ = arguments_;
  return copy.get();
}

// CEF on Windows builds command lines from strings only: there this changes nothing.
void CommandLine::InitFromArgv(int argc, const char* const* argv) {
#ifdef _WIN32
  return;
#endif
  if (!Writable()) {
    return;
  }
  std::vector<std::u16string> tokens;
  for (int i = 0; i < argc; ++i) {
    tokens.push_back(Utf8ToUtf16(argv[i]));
  }
  InitFromTokens(tokens);
}

void CommandLine::InitFromString(const CefString& command_line) {
  if (!Writable()) {
    return;
  }
  InitFromTokens(Split(command_line.ToString16()));
}

void CommandLine::InitFromTokens(const std::vector<std::u16string>& tokens) {
  program_.clear();
  switchTokens_.clear();
  switches_.clear();
  arguments_.clear();
  bool switchesEnded = false;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (i == 0) {
      program_ = tokens[0];
    } else if (tokens[i] == u"--") {
      switchesEnded = true;
    } else if (!switchesEnded && !SwitchName(tokens[i]).empty()) {
      AddSwitch(tokens[i]);
    } else {
      arguments_.push_back(tokens[i]);
    }
  }
}

// The program stays, as in CEF.
void CommandLine::Reset() {
  if (!Writable()) {
    return;
  }
  switchTokens_.clear();
  switches_.clear();
  arguments_.clear();
}

void CommandLine::GetArgv(std::vector<CefString>& argv) {
  if (detached_) {
    return;
  }
  argv.push_back(program_);
  for (const auto& token : switchTokens_) {
    argv.push_back(token);
  }
  for (const auto& argument : arguments_) {
    argv.push_back(argument);
  }
}

CefString CommandLine::GetCommandLineString() {
  std::vector<CefString> argv;  // empty once detached
  GetArgv(argv);
  std::u16string text;
  for (const auto& token : argv) {
    text += (text.empty() ? u"" : u" ") + Quoted(token.ToString16());
  }
  return text;
}

CefString CommandLine::GetProgram() {
  return detached_ ? std::u16string() : program_;
}

void CommandLine::SetProgram(const CefString& program) {
  if (!Writable()) {
    return;
  }
  program_ = program.ToString16();
}

bool CommandLine::HasSwitches() {
  return !detached_ && !switches_.empty();
}

// Looked up as given: "x", never "--x", names the switch "--x".
bool CommandLine::HasSwitch(const CefString& name) {
  return !detached_ && switches_.count(name.ToString16()) != 0;
}

CefString CommandLine::GetSwitchValue(const CefString& name) {
  auto found = switches_.find(name.ToString16());
  return detached_ || found == switches_.end() ? std::u16string() : found->second;
}

// Added to what the map holds, as CEF does (an entry already there stays).
void CommandLine::GetSwitches(SwitchMap& switches) {
  if (detached_) {
    return;
  }
  for (const auto& entry : switches_) {
    switches.insert(std::make_pair(CefString(entry.first), CefString(entry.second)));
  }
}

void CommandLine::AppendSwitch(const CefString& name) {
  if (!Writable()) {
    return;
  }
  std::u16string given = name.ToString16();
  appended_.push_back(name.ToString());
  AddSwitch(SwitchName(given).empty() ? u"--" + given : given);
}

void CommandLine::AppendSwitchWithValue(const CefString& name, const CefString& value) {
  if (!Writable()) {
    return;
  }
  std::u16string given = name.ToString16();
  appended_.push_back(name.ToString());
  std::u16string token = SwitchName(given).empty() ? u"--" + given : given;
  // As Chromium: an empty value leaves the switch without "=".
  AddSwitch(value.empty() ? token : token + u"=" + value.ToString16());
}

void CommandLine::AddSwitch(const std::u16string& given) {
  const std::u16string token = SwitchCase(given);
  std::u16string name = SwitchName(token);
  size_t equals = token.find(u'=');
  switches_[name] = equals == std::u16string::npos ? std::u16string() : token.substr(equals + 1);
  switchTokens_.push_back(token);
}

bool CommandLine::HasArguments() {
  return !detached_ && !arguments_.empty();
}

void CommandLine::GetArguments(ArgumentList& arguments) {
  if (!detached_) {
    arguments.insert(arguments.end(), arguments_.begin(), arguments_.end());
  }
}

void CommandLine::AppendArgument(const CefString& argument) {
  if (!Writable()) {
    return;
  }
  arguments_.push_back(argument.ToString16());
}

void CommandLine::PrependWrapper(const CefString& wrapper) {
  if (!Writable()) {
    return;
  }
  std::vector<std::u16string> parts = Split(wrapper.ToString16());
  if (parts.empty()) {
    return;
  }
  // The wrapper's program runs first and is given the old program as an argument.
  std::u16string oldProgram = program_;
  program_ = parts[0];
  arguments_.insert(arguments_.begin(), oldProgram);
  arguments_.insert(arguments_.begin(), parts.begin() + 1, parts.end());
}

}  // namespace cef_standin

CefRefPtr<CefCommandLine> CefCommandLine::CreateCommandLine() {
  return new cef_standin::CommandLine();
}

CefRefPtr<CefCommandLine> CefCommandLine::GetGlobalCommandLine() {
  CefRefPtr<cef_standin::CommandLine> commandLine = new cef_standin::CommandLine();
  commandLine->InitFromTokens(cef_standin::ProcessArguments());
  commandLine->MarkReadOnly();  // CEF's is the process's own, read-only
  return commandLine.get();
}
