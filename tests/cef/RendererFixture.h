// A renderer process of the stand-in running the application object, with one browser
// (id 1) whose main frame has a nested frame "child" and a V8 context in each.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cef/ZeltoCefApp.h"
#include "include/cef_v8.h"
#include "standin/browser.h"
#include "standin/renderer_process.h"

namespace renderer_test {

using cef_standin::Browser;
using cef_standin::Frame;

class RendererFixture : public ::testing::Test {
 protected:
  RendererFixture() {
    child->SetBodyText(std::u16string(u"Child"));
    renderer.CreateContext(main);
    renderer.CreateContext(child);
  }

  // What went out through a frame, as "name [arguments]" lines.
  static std::vector<std::string> Sent(const CefRefPtr<Frame>& frame) {
    std::vector<std::string> lines;
    for (const cef_standin::SentMessage& message : frame->sent()) {
      EXPECT_EQ(message.target, PID_BROWSER) << message.name;
      lines.push_back(message.name + " " + cef_standin::DescribeList(message.arguments));
    }
    return lines;
  }

  CefRefPtr<EmbeddedBrowser::CEF::Core::ZeltoCefApp> app =
      new EmbeddedBrowser::CEF::Core::ZeltoCefApp("C:\\X");
  cef_standin::RendererProcess renderer{app.get()};
  CefRefPtr<Browser> browser = renderer.CreateBrowser(1);
  CefRefPtr<Frame> main = browser->mainFrame();
  CefRefPtr<Frame> child = browser->AddFrame("child");
};

// The same with the main frame's context entered for the whole test.
class EnteredMainFixture : public RendererFixture {
 protected:
  void SetUp() override {
    RendererFixture::SetUp();
    context = main->GetV8Context();
    ASSERT_TRUE(context->Enter());
    window = context->GetGlobal();
  }
  void TearDown() override {
    context->Exit();
    RendererFixture::TearDown();
  }
  // The completion value as a string; "threw ..." when the script threw.
  std::string Eval(const std::string& code) {
    CefRefPtr<CefV8Value> retval;
    CefRefPtr<CefV8Exception> exception;
    if (!context->Eval(code, "test.js", 1, retval, exception)) {
      return "threw " + (exception ? exception->GetMessage().ToString() : std::string());
    }
    return retval->IsString() ? retval->GetStringValue().ToString() : "not a string";
  }

  CefRefPtr<CefV8Context> context;
  CefRefPtr<CefV8Value> window;
};

}  // namespace renderer_test
