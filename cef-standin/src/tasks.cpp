#include "tasks.h"

#include <deque>

#include "event_log.h"
#include "include/cef_task.h"

namespace cef_standin {
namespace {

struct RendererQueue {
  int open = 0;  // renderers running in this process
  std::deque<CefRefPtr<CefTask>> tasks;
};

// Never destroyed: a process may end from inside a task.
RendererQueue& Queue() {
  static auto* queue = new RendererQueue();
  return *queue;
}

const char* ThreadName(CefThreadId threadId) {
  switch (threadId) {
    case TID_UI:
      return "ui";
    case TID_FILE_BACKGROUND:
      return "file_background";
    case TID_FILE_USER_VISIBLE:
      return "file_user_visible";
    case TID_FILE_USER_BLOCKING:
      return "file_user_blocking";
    case TID_PROCESS_LAUNCHER:
      return "process_launcher";
    case TID_IO:
      return "io";
    case TID_RENDERER:
      return "renderer";
  }
  return "unknown";
}

}  // namespace

void OpenRendererTasks() {
  ++Queue().open;
}

void CloseRendererTasks() {
  RendererQueue& queue = Queue();
  if (queue.open > 0 && --queue.open > 0) {
    return;
  }
  // Moved out first: a task's destructor may post again, which is refused now.
  std::deque<CefRefPtr<CefTask>> dropped;
  dropped.swap(queue.tasks);
}

size_t RunRendererTasks() {
  RendererQueue& queue = Queue();
  size_t ran = 0;
  while (queue.open > 0 && !queue.tasks.empty()) {
    CefRefPtr<CefTask> task = queue.tasks.front();
    queue.tasks.pop_front();
    task->Execute();
    ++ran;
  }
  return ran;
}

}  // namespace cef_standin

bool CefCurrentlyOn(CefThreadId threadId) {
  return threadId == TID_RENDERER && cef_standin::Queue().open > 0;
}

bool CefPostTask(CefThreadId threadId, CefRefPtr<CefTask> task) {
  cef_standin::RendererQueue& queue = cef_standin::Queue();
  const bool accepted = task && threadId == TID_RENDERER && queue.open > 0;
  if (accepted) {
    queue.tasks.push_back(task);
  }
  cef_standin::LogEvent({{"event", "PostTask"},
                         {"thread", cef_standin::ThreadName(threadId)},
                         {"accepted", accepted}});
  return accepted;
}
