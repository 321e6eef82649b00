// The source Duktape compiles in place of a page's: `let` declarations as `var`, nothing
// else touched; and a page's script with them runs.
#include <string>

#include <gtest/gtest.h>

#include "cef/RendererFixture.h"
#include "include/cef_v8.h"
#include "src/script/source.h"

namespace {

using cef_standin::script::LetDeclarationsAsVar;

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
    EXPECT_EQ(LetDeclarationsAsVar(c.source), c.compiled)
        << std::string(std::u16string(c.source).begin(), std::u16string(c.source).end());
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
