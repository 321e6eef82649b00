#include "cef/BridgeFunctionNames.h"

namespace EmbeddedBrowser {
namespace CEF {
namespace Core {

const std::vector<std::string> kBridgeFunctionNames = {
    "ecmShare",
    "ecmCancel",
    "ecmError",
    "ecmToken",
    "contextMenu",
    "notifyRequestReady",
    "focusedMessageLoaded",
    "filesDropped",
    "onKeyEventHappened",
    "onMouseDownEventHappened",
    "embApps",
    "openTab",
    "tanduAppExtensions",
    "bitmojiApp",
};

}  // namespace Core
}  // namespace CEF
}  // namespace EmbeddedBrowser
