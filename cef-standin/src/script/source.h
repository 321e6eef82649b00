// What Duktape's compiler is given in place of a page's source text. Duktape 2.7 parses
// `const` (with var's scoping) but not `let`: a `let` declaration is handed to it as `var`,
// the same three characters, so that lines, columns and the source line of an error are
// the page's own.
#ifndef CEF_STANDIN_SRC_SCRIPT_SOURCE_H_
#define CEF_STANDIN_SRC_SCRIPT_SOURCE_H_

#include <string>

namespace cef_standin {
namespace script {

// `source` with every `let` that begins a declaration spelled `var`: one where a statement
// may begin (or a `for (`) and a name follows. `let` as a name (`let = 1`, `x.let`) and
// the text of strings, comments, template literals and regular expressions stay as they are.
std::u16string LetDeclarationsAsVar(const std::u16string& source);

}  // namespace script
}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_SCRIPT_SOURCE_H_
