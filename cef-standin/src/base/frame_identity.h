// How the event log names a renderer's frame: the id of its browser and its label
// ("main" for a main frame, else the nested frame's name). The stand-in's frames carry
// one; the rooms below them (V8 values, a page's script) find it from a CefFrame by
// FrameIdentityOf, without knowing the frame's class.
#ifndef CEF_STANDIN_SRC_BASE_FRAME_IDENTITY_H_
#define CEF_STANDIN_SRC_BASE_FRAME_IDENTITY_H_

#include <string>

namespace cef_standin {

class FrameIdentity {
 public:
  static constexpr const char* kMainLabel = "main";

  FrameIdentity(int browserId, std::string label)
      : browserId_(browserId), label_(std::move(label)) {}
  virtual ~FrameIdentity() = default;

  int browserId() const { return browserId_; }
  // "main" for the main frame, else the nested frame's name.
  const std::string& label() const { return label_; }

 private:
  const int browserId_;
  const std::string label_;
};

// The identity of a frame of the stand-in's, or null (no frame, or one of another kind).
template <typename AnyFrame>
const FrameIdentity* FrameIdentityOf(AnyFrame* frame) {
  return dynamic_cast<const FrameIdentity*>(frame);
}

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_BASE_FRAME_IDENTITY_H_
