// Tasks posted to the renderer's main thread, kept until the engine runs them.
#ifndef CEF_DOUBLE_SRC_POSTED_TASKS_H_
#define CEF_DOUBLE_SRC_POSTED_TASKS_H_

#include <deque>
#include <memory>

namespace cef_standin {

class PostedTask {
 public:
  virtual ~PostedTask() = default;
  virtual void Run() = 0;
};

inline std::deque<std::unique_ptr<PostedTask>>& PostedTasks() {
  static std::deque<std::unique_ptr<PostedTask>> tasks;
  return tasks;
}

inline void PostTask(std::unique_ptr<PostedTask> task) {
  PostedTasks().push_back(std::move(task));
}

}  // namespace cef_standin

#endif  // CEF_DOUBLE_SRC_POSTED_TASKS_H_
