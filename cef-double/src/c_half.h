// Shared by the C half of the double (compiled with the distribution's C API headers).
#ifndef CEF_DOUBLE_SRC_C_HALF_H_
#define CEF_DOUBLE_SRC_C_HALF_H_

#include <cstring>  // CEF's string wrappers use strlen without including it
#include <string>

#include "include/capi/cef_command_line_capi.h"
#include "include/capi/cef_values_capi.h"
#include "include/internal/cef_string.h"
#include "neutral.h"

namespace cef_double {

// Text the executable passes in; empty for a null string.
std::u16string In(const cef_string_t* text);
// Text handed out, allocated by the double (freed with cef_string_userfree_utf16_free).
cef_string_userfree_t Out(const std::u16string& text);
void Assign(cef_string_t* target, const std::u16string& text);

// Shells of the value and command-line structs (c_side.cpp). `...Out` takes the handle's
// reference (null stays null); `ObjOf...` answers the engine object behind a struct of
// the double (borrowed), or null.
cef_list_value_t* ListValueOut(Obj* o);
cef_dictionary_value_t* DictionaryValueOut(Obj* o);
cef_binary_value_t* BinaryValueOut(Obj* o);
cef_value_t* BoxOut(Obj* o);
cef_command_line_t* CommandLineValueOut(Obj* o);
Obj* ObjOfList(cef_list_value_t* s);
Obj* ObjOfDictionary(cef_dictionary_value_t* s);
Obj* ObjOfBinary(cef_binary_value_t* s);
Obj* ObjOfBox(cef_value_t* s);
Obj* ObjOfCommandLine(cef_command_line_t* s);

// Members of those structs defined outside c_side.cpp (c_values.cpp, c_command_line.cpp).
void FillListValues(cef_list_value_t* s);
void FillDictionary(cef_dictionary_value_t* s);
void FillBinary(cef_binary_value_t* s);
void FillBox(cef_value_t* s);
void FillCommandLineMore(cef_command_line_t* s);

}  // namespace cef_double

#endif  // CEF_DOUBLE_SRC_C_HALF_H_
