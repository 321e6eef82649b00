// The renderer thread's queue of posted tasks. It is open while a renderer process
// runs (any of them, where tests make several); the renderer runs the queued tasks
// between the steps it plays.
#ifndef CEF_STANDIN_SRC_TASKS_H_
#define CEF_STANDIN_SRC_TASKS_H_

#include <cstddef>

namespace cef_standin {

void OpenRendererTasks();
// When the last renderer closes: drops what is still queued; later posts are refused.
void CloseRendererTasks();
// Runs the queued tasks, oldest first, and those they post in turn; returns how many ran.
size_t RunRendererTasks();

}  // namespace cef_standin

#endif  // CEF_STANDIN_SRC_TASKS_H_
