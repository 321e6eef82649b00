#include "page/globals.h"

#include "page/dom.h"
#include "page/timers.h"
#include "script/engine.h"
#include "v8/objects.h"

namespace cef_standin {
namespace {

class PageGlobals : public script::EngineClient {
 public:
  void EnvironmentMade(duk_hthread* thread, int environment) override {
    InstallTimers(thread, environment);
    InstallPageDom(thread, environment);
  }
};

}  // namespace

void UsePageGlobals() {
  // After the V8 values' own part, which keeps the environment's built-ins before anything
  // else runs in it. Never destroyed: the engine holds it for good.
  static script::EngineClient* const client = [] {
    script::UseHeapObjects();
    auto* globals = new PageGlobals();
    script::Engine::Get().AddClient(globals);
    return globals;
  }();
  (void)client;
}

}  // namespace cef_standin
