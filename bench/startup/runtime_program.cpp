// The size yardstick: a program that uses the parts of the C++ runtime the executable
// needs (string streams, threads, a mutex and a condition variable), built the same way.
// The difference to the executable is the system's own code and the CEF stand-in's.
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::ostringstream text;
  text << "runtime " << 1.5;
  std::mutex mutex;
  std::condition_variable signal;
  std::thread worker([&] {
    std::lock_guard<std::mutex> lock(mutex);
    signal.notify_one();
  });
  worker.join();
  return static_cast<int>(text.str().size()) == 0;
}
