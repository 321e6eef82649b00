// The source Duktape compiles in place of a page's: `let` declarations as `var`, nothing
// else touched; and a page's script with them runs.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "cef/RendererFixture.h"
#include "include/cef_v8.h"
#include "src/script/source.h"

namespace {

using cef_standin::script::LetDeclarationsAsVar;

std::string Printable(const std::u16string& text) {
  std::string printable;
  for (const char16_t c : text) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
    printable += c >= 0x20 && c < 0x7F ? std::string(1, static_cast<char>(c)) : escaped;
  }
  return printable;
}

TEST(ScriptSourceTest, OnlyLetDeclarationsBecomeVar) {
  const struct {
    const char16_t* source;
    const char16_t* compiled;
  } cases[] = {
      {u"let data = 1; data", u"var data = 1; data"},
      {u"if (a) { let b = 2 }\nlet c", u"if (a) { var b = 2 }\nvar c"},
      {u"x = 1\nlet y = 2", u"x = 1\nvar y = 2"},
      {u"for (let i = 0; i < 2; i++) {}", u"for (var i = 0; i < 2; i++) {}"},
      {u"switch (a) { case 1: let b = 2 }", u"switch (a) { case 1: var b = 2 }"},
      {u"let\nname = 1", u"var\nname = 1"},
      {u"let /* a name follows */ x", u"var /* a name follows */ x"},
      {u"x++\nlet y = x", u"x++\nvar y = x"},
      {u"t = `${a}`\r\nlet b", u"t = `${a}`\r\nvar b"},
      {u"a = {b: {}}\u2028let c", u"a = {b: {}}\u2028var c"},
      {u"if (a) {} else { let b }", u"if (a) {} else { var b }"},
      {u"function f() {} /x/.test(s); let y", u"function f() {} /x/.test(s); var y"},
      // `let` as a name, or no declaration: as it was.
      {u"let = 1; let; x.let = let + 1", u"let = 1; let; x.let = let + 1"},
      {u"let in o; let instanceof F", u"let in o; let instanceof F"},
      {u"f(let x)", u"f(let x)"},
      {u"letter = 1; outlet = 2", u"letter = 1; outlet = 2"},
      // Text that is no code: strings, comments, templates, regular expressions.
      {u"'let a'; \"let b\"; `let c`", u"'let a'; \"let b\"; `let c`"},
      {u"// let a\n/* let b */ let c", u"// let a\n/* let b */ var c"},
      {u"s.replace(/let x/g, ''); x = a / 2; let y", u"s.replace(/let x/g, ''); x = a / 2; var y"},
      {u"r = /[/]let z/; let w", u"r = /[/]let z/; var w"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LetDeclarationsAsVar(c.source), c.compiled) << Printable(c.source);
  }
}

// Where a `/` divides and where it begins a pattern, where a string or template ends: read
// wrongly, a quote is swallowed or a literal ends early, and a `let` in a later string
// would be taken for code.
TEST(ScriptSourceTest, CodeWithoutALetDeclarationComesBackUnchanged) {
  const char16_t* const sources[] = {
      // A postfix `++` or `--` ends a value: the `/` after it divides.
      u"x++ / 2; s = \"a/b; let y = 1\"",
      u"x-- / 2; s = \"a/b; let y = 1\"",
      // Line continuations in strings and templates, CR LF among them.
      u"s = \"a\\\r\nb; let y = 1\"",
      u"s = 'a\\\rb\\\nc\\\u2028d\\\u2029e; let y = 1'",
      u"t = `a\\\r\nb${c}; let y = 1`",
      // U+2028 and U+2029 may stand in a string as they are.
      u"s = 'a\u2028b\u2029c; let y = 1'",
      // A template's `${...}` holds code, templates and patterns of its own.
      u"t = `${/`/.source}; let y = 1`",
      u"t = `a${ {b: `c${d}`} }; let y = 1`",
      // A `}` that ends an object literal or a function or class expression ends a value.
      u"a = {} / 2; s = \"/; let y = 1\"",
      u"a = {b: {}} / 2; s = \"/; let y = 1\"",
      u"x = function () {} / 2; s = \"/; let y = 1\"",
      u"x = class {} / 2; s = \"/; let y = 1\"",
      u"x = a ? {} : {} / 2; s = \"/; let y = 1\"",
      u"x = a?.5:{} / 2; s = \"/; let y = 1\"",
      // After a condition's `)`, and after an operator keyword, a `/` begins a pattern;
      // after a keyword that is a property's name it divides.
      u"if (a) /\"/.test(s); t = \"; let y = 1\"",
      u"typeof\u00A0/\"/; t = \"; let y = 1\"",
      u"x.return / 2; s = \"/; let y = 1\"",
      // A `/` or a quote in a pattern's class.
      u"r = /[/\"]/; s = \"; let y = 1\"",
      u"// a\r\n/* let b\u2028 */ s = 'let c'",
  };
  for (const char16_t* source : sources) {
    EXPECT_EQ(LetDeclarationsAsVar(source), source) << Printable(source);
  }
}

class ScriptLetTest : public renderer_test::RendererFixture {};

TEST_F(ScriptLetTest, APageScriptWithLetRunsAndReportsItsOwnLines) {
  CefRefPtr<CefV8Context> context = main->GetV8Context();
  ASSERT_TRUE(context->Enter());
  CefRefPtr<CefV8Value> retval;
  CefRefPtr<CefV8Exception> exception;
  EXPECT_TRUE(context->Eval("let total = 0;\nfor (let i = 1; i <= 3; i++) { total += i }\ntotal",
                            "page.js", 1, retval, exception));
  ASSERT_TRUE(retval);
  EXPECT_EQ(retval->GetIntValue(), 6);
  // An error's source line is the page's text, not the compiled one.
  EXPECT_FALSE(context->Eval("let a = 1;\nlet b = a.c.d;", "page.js", 1, retval, exception));
  ASSERT_TRUE(exception);
  EXPECT_EQ(exception->GetLineNumber(), 2);
  EXPECT_EQ(exception->GetSourceLine().ToString(), "let b = a.c.d;");
  context->Exit();
}

}  // namespace
