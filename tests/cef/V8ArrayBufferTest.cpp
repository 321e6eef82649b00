// ArrayBuffers between C++ and page script: one made over C++'s memory is that memory to
// script's views; neutering or collecting it hands the memory back exactly once, after
// which no view reaches it; one a page made reaches C++ as an array buffer too.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "cef/RendererFixture.h"
#include "include/cef_v8.h"

namespace {

using renderer_test::EnteredMainFixture;

// Every buffer handed back, and whether the callback was destroyed; shared with the
// callback, which may outlive the test's fixture (the renderer's end collects the page).
struct Releases {
  std::vector<void*> buffers;
  bool destroyed = false;
};

class Releaser : public CefV8ArrayBufferReleaseCallback {
 public:
  explicit Releaser(std::shared_ptr<Releases> releases) : releases_(std::move(releases)) {}
  ~Releaser() override { releases_->destroyed = true; }
  void ReleaseBuffer(void* buffer) override { releases_->buffers.push_back(buffer); }

 private:
  std::shared_ptr<Releases> releases_;
  IMPLEMENT_REFCOUNTING(Releaser);
};

class V8ArrayBufferTest : public EnteredMainFixture {
 protected:
  // An ArrayBuffer over `memory`, as window.arr.
  CefRefPtr<CefV8Value> Share(int32_t (&memory)[4]) {
    CefRefPtr<CefV8Value> buffer =
        CefV8Value::CreateArrayBuffer(memory, sizeof(memory), new Releaser(releases));
    window->SetValue("arr", buffer, V8_PROPERTY_ATTRIBUTE_NONE);
    return buffer;
  }

  std::shared_ptr<Releases> releases = std::make_shared<Releases>();
  std::vector<void*>& released = releases->buffers;
  bool& destroyed = releases->destroyed;
};

TEST_F(V8ArrayBufferTest, ScriptsViewsReadAndWriteTheCallersMemory) {
  int32_t memory[4] = {3, 0, 0, 0};
  CefRefPtr<CefV8Value> buffer = Share(memory);
  ASSERT_TRUE(buffer);
  EXPECT_TRUE(buffer->IsArrayBuffer());
  EXPECT_TRUE(buffer->IsObject());
  EXPECT_FALSE(buffer->IsArray());
  EXPECT_FALSE(buffer->HasValue(0));

  EXPECT_EQ(Eval("var d = new Int32Array(arr); d[1] = 42; d[3] = -1;"
                 "[d[0], d.length, arr.byteLength, arr instanceof ArrayBuffer].join()"),
            "3,4,16,true");
  EXPECT_THAT(memory, testing::ElementsAre(3, 42, 0, -1));
  memory[2] = 7;  // and C++'s writes are script's reads
  EXPECT_EQ(Eval("String(new Uint8Array(arr)[8])"), "7");

  // The same buffer comes back from script, with the callback it was made with.
  CefRefPtr<CefV8Value> back = window->GetValue("arr");
  EXPECT_TRUE(back->IsArrayBuffer());
  EXPECT_TRUE(back->IsSame(buffer));
  EXPECT_EQ(back->GetArrayBufferReleaseCallback(), buffer->GetArrayBufferReleaseCallback());
  EXPECT_TRUE(released.empty());
}

TEST_F(V8ArrayBufferTest, NeuteringHandsTheMemoryBackOnceAndScriptSeesNoBytes) {
  int32_t memory[4] = {3, 4, 5, 6};
  {
    CefRefPtr<CefV8Value> buffer = Share(memory);
    EXPECT_EQ(Eval("var d = new Int32Array(arr); String(d[0])"), "3");
    EXPECT_TRUE(buffer->NeuterArrayBuffer());
    EXPECT_THAT(released, testing::ElementsAre(memory));
    EXPECT_TRUE(buffer->NeuterArrayBuffer());  // again: nothing more to hand back
    EXPECT_EQ(released.size(), 1u);
    // The values still answer with the callback; the heap object no longer holds it.
    EXPECT_TRUE(buffer->GetArrayBufferReleaseCallback());
    EXPECT_FALSE(destroyed);
  }
  // Gone with the last value, though the window still holds the buffer.
  EXPECT_TRUE(destroyed);

  // Views made before read zeros and write nowhere; the buffer has no bytes.
  EXPECT_EQ(Eval("d[0] = 99; d[1] = 99; [arr.byteLength, d[0], d[1]].join()"), "0,0,0");
  EXPECT_THAT(memory, testing::ElementsAre(3, 4, 5, 6));
  EXPECT_EQ(released.size(), 1u);
}

TEST_F(V8ArrayBufferTest, CollectedWithoutNeuteringTheMemoryIsHandedBackOnce) {
  int32_t memory[4] = {3, 4, 5, 6};
  Share(memory);
  // The plain buffer under the ArrayBuffer outlives it in script.
  EXPECT_EQ(Eval("var plain = Uint8Array.plainOf(arr); arr = null; typeof plain"), "object");
  // The run's end collected the garbage: the memory is back, and out of script's reach.
  EXPECT_THAT(released, testing::ElementsAre(memory));
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(Eval("plain[0] = 99; [plain.length, plain[0]].join()"), "0,");
  EXPECT_THAT(memory, testing::ElementsAre(3, 4, 5, 6));
  EXPECT_EQ(Eval("'again'"), "again");
  EXPECT_EQ(released.size(), 1u);
}

TEST_F(V8ArrayBufferTest, APageGoneBeforeNeuteringStillHandsTheMemoryBackOnce) {
  int32_t memory[4] = {3, 4, 5, 6};
  CefRefPtr<CefV8Value> buffer = Share(memory);
  context->Exit();
  renderer.ReleaseContext(main);
  // The value is invalid with its context; the page's garbage went with it.
  EXPECT_FALSE(buffer->IsValid());
  EXPECT_FALSE(buffer->NeuterArrayBuffer());
  EXPECT_THAT(released, testing::ElementsAre(memory));
  buffer = nullptr;
  EXPECT_TRUE(destroyed);
  // TearDown exits a context again: enter the child's to keep it balanced.
  context = child->GetV8Context();
  ASSERT_TRUE(context->Enter());
}

TEST_F(V8ArrayBufferTest, APagesOwnArrayBufferIsOneWithNoCallbackAndNothingToNeuter) {
  CefRefPtr<CefV8Value> retval;
  CefRefPtr<CefV8Exception> exception;
  ASSERT_TRUE(context->Eval("new ArrayBuffer(8)", "test.js", 1, retval, exception));
  EXPECT_TRUE(retval->IsArrayBuffer());
  EXPECT_TRUE(retval->IsObject());
  EXPECT_FALSE(retval->GetArrayBufferReleaseCallback());
  EXPECT_FALSE(retval->NeuterArrayBuffer());
  // A view, a DataView and a plain object that looks like one are no array buffers.
  for (const char* code : {"new Int32Array(2)", "new DataView(new ArrayBuffer(4))",
                           "Object.create(ArrayBuffer.prototype)"}) {
    ASSERT_TRUE(context->Eval(code, "test.js", 1, retval, exception)) << code;
    EXPECT_FALSE(retval->IsArrayBuffer()) << code;
    EXPECT_TRUE(retval->IsObject()) << code;
  }
}

TEST_F(V8ArrayBufferTest, RefusedOutsideAContextOrWithoutMemoryTheBufferStaysTheCallers) {
  int32_t memory[4] = {};
  EXPECT_FALSE(CefV8Value::CreateArrayBuffer(nullptr, 16, new Releaser(releases)));
  context->Exit();
  EXPECT_FALSE(CefV8Value::CreateArrayBuffer(memory, sizeof(memory), new Releaser(releases)));
  ASSERT_TRUE(context->Enter());
  // An empty one needs no memory.
  CefRefPtr<CefV8Value> empty = CefV8Value::CreateArrayBuffer(nullptr, 0, nullptr);
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->IsArrayBuffer());
  EXPECT_FALSE(empty->GetArrayBufferReleaseCallback());
  EXPECT_TRUE(released.empty());
}

}  // namespace
