// The JavaScript functions every frame of a renderer gets.
#pragma once

#include <string>
#include <vector>

namespace EmbeddedBrowser {
namespace CEF {
namespace Core {

// The 14 bridge function names, in the order they are installed. A call of any of them
// becomes a process message of the same name to the browser process.
extern const std::vector<std::string> kBridgeFunctionNames;

}  // namespace Core
}  // namespace CEF
}  // namespace EmbeddedBrowser
