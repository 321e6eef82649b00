// The stand-in's command line: program, switches and arguments in Chromium's manner,
// and a record of the switches appended to it (for the event log).
#ifndef CEF_STANDIN_SRC_BASE_COMMAND_LINE_H_
#define CEF_STANDIN_SRC_BASE_COMMAND_LINE_H_

#include <map>
#include <string>
#include <vector>

#include "include/cef_command_line.h"

namespace cef_standin {

class CommandLine : public CefCommandLine {
 public:
  CommandLine() = default;

  // Splits a Windows-style command line: blanks separate, double quotes group.
  static std::vector<std::u16string> Split(const std::u16string& commandLine);

  // Switch names passed to AppendSwitch / AppendSwitchWithValue, as given, in order.
  const std::vector<std::string>& appended() const { return appended_; }

  // Program, then switches and arguments.
  void InitFromTokens(const std::vector<std::u16string>& tokens);
  // As CEF does once the hook it lent the command line to has returned: every method
  // then answers empty and changes nothing.
  void Detach() { detached_ = true; }
  void MarkReadOnly() { readOnly_ = true; }

  bool IsValid() override { return !detached_; }
  bool IsReadOnly() override { return readOnly_; }
  CefRefPtr<CefCommandLine> Copy() override;
  void InitFromArgv(int argc, const char* const* argv) override;
  void InitFromString(const CefString& command_line) override;
  void Reset() override;
  void GetArgv(std::vector<CefString>& argv) override;
  CefString GetCommandLineString() override;
  CefString GetProgram() override;
  void SetProgram(const CefString& program) override;
  bool HasSwitches() override;
  bool HasSwitch(const CefString& name) override;
  CefString GetSwitchValue(const CefString& name) override;
  void GetSwitches(SwitchMap& switches) override;
  void AppendSwitch(const CefString& name) override;
  void AppendSwitchWithValue(const CefString& name, const CefString& value) override;
  bool HasArguments() override;
  void GetArguments(ArgumentList& arguments) override;
  void AppendArgument(const CefString& argument) override;
  void PrependWrapper(const CefString& wrapper) override;

 private:
  // A switch token ("--name" or "--name=value"), its name lower-cased on Windows.
  void AddSwitch(const std::u16string& given);
  bool Writable() const { return !detached_ && !readOnly_; }

  std::u16string program_;
  std::vector<std::u16string> switchTokens_;           // as they stand on the command line
  std::map<std::u16string, std::u16string> switches_;  // name without dashes -> value
  std::vector<std::u16string> arguments_;
  std::vector<std::string> appended_;
  bool detached_ = false;
  bool readOnly_ = false;

  IMPLEMENT_REFCOUNTING(CommandLine);
};

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_BASE_COMMAND_LINE_H_
