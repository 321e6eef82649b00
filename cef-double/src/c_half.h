// Shared by the C half of the double (compiled with the distribution's C API headers).
#ifndef CEF_DOUBLE_SRC_C_HALF_H_
#define CEF_DOUBLE_SRC_C_HALF_H_

#include <string>

#include "include/internal/cef_string.h"
#include "neutral.h"

namespace cef_double {

// Text the executable passes in; empty for a null string.
std::u16string In(const cef_string_t* text);
// Text handed out, allocated by the double (freed with cef_string_userfree_utf16_free).
cef_string_userfree_t Out(const std::u16string& text);
void Assign(cef_string_t* target, const std::u16string& text);

}  // namespace cef_double

#endif  // CEF_DOUBLE_SRC_C_HALF_H_
