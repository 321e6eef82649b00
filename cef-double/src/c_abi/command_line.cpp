// The double's command-line members beyond those c_abi/side.cpp fills in, and the global
// command line's export.
#include <string>
#include <vector>

#include "half.h"
#include "include/internal/cef_string_list.h"
#include "include/internal/cef_string_map.h"

namespace cef_double {

void FillCommandLineMore(cef_command_line_t* s) {
  s->is_valid = [](cef_command_line_t* self)
                    CEF_CALLBACK -> int { return CommandLineIsValid(ObjOf(self)); };
  s->copy = [](cef_command_line_t* self)
                CEF_CALLBACK { return CommandLineOut(CommandLineCopy(ObjOf(self))); };
  // CEF builds a command line from argv only where there is no command-line string.
  s->init_from_argv = [](cef_command_line_t*, int, const char* const*) CEF_CALLBACK {};
  s->init_from_string =
      [](cef_command_line_t* self, const cef_string_t* command_line)
          CEF_CALLBACK { CommandLineInitFromString(ObjOf(self), In(command_line)); };
  s->reset = [](cef_command_line_t* self) CEF_CALLBACK { CommandLineReset(ObjOf(self)); };
  s->get_switches = [](cef_command_line_t* self, cef_string_map_t switches) CEF_CALLBACK {
    for (const auto& [name, value] : CommandLineSwitches(ObjOf(self))) {
      const cef_string_t key = Lend(name);
      const cef_string_t text = Lend(value);
      cef_string_map_append(switches, &key, &text);
    }
  };
  s->get_arguments = [](cef_command_line_t* self, cef_string_list_t arguments) CEF_CALLBACK {
    StringListOut(arguments, CommandLineArguments(ObjOf(self)));
  };
  s->prepend_wrapper = [](cef_command_line_t* self, const cef_string_t* wrapper)
                           CEF_CALLBACK { CommandLinePrependWrapper(ObjOf(self), In(wrapper)); };
}

}  // namespace cef_double

extern "C" {

CEF_EXPORT cef_command_line_t* cef_command_line_get_global() {
  return cef_double::CommandLineOut(cef_double::CommandLineGlobal());
}

}  // extern "C"
