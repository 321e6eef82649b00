#include "page/host.h"

namespace cef_standin {
namespace {

PageHost*& CurrentHost() {
  static PageHost* current = nullptr;
  return current;
}

}  // namespace

PageHost* PageHost::Current() {
  return CurrentHost();
}

void PageHost::SetCurrent(PageHost* host) {
  CurrentHost() = host;
}

}  // namespace cef_standin
