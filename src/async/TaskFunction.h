// The callable of a task: no arguments, no result, like std::function<void()>, but
// move-only and with room for a small callable inside the object itself. A callable that
// fits (kInlineSize bytes: a lambda with a few captures, a std::function) is stored
// without a heap allocation; a larger one is moved into a block of its own.
//
// Calling an empty TaskFunction throws std::bad_function_call, as std::function does.
// A callable that tests false as a boolean makes an empty TaskFunction: a null function
// pointer, an empty std::function of any signature, or any other callable that converts
// to false.
#pragma once

#include <cstddef>
#include <functional>
#include <new>
#include <type_traits>
#include <utility>

namespace zelto {

class TaskFunction {
 public:
  // Room for six pointers, the size of a queue's slot in mind: every queued task
  // carries it.
  static constexpr std::size_t kInlineSize = 48;

  // Leaves the storage as it is: a queue's slots are made in bulk and written on use.
  TaskFunction() noexcept {}
  TaskFunction(std::nullptr_t) noexcept {}  // NOLINT: converts like std::function

  template <typename F,
            typename Callable = std::decay_t<F>,
            typename = std::enable_if_t<!std::is_same_v<Callable, TaskFunction> &&
                                        std::is_invocable_r_v<void, Callable&>>>
  TaskFunction(F&& callable) {  // NOLINT: converts like std::function
    // Whatever tests false is empty: null pointers, an empty std::function of any
    // signature, any wrapper that says so.
    if constexpr (std::is_constructible_v<bool, const Callable&>) {
      if (!static_cast<bool>(std::as_const(callable))) {
        return;
      }
    }
    if constexpr (storedInline<Callable>()) {
      ::new (static_cast<void*>(mStorage)) Callable(std::forward<F>(callable));
      mOperations = &kInlineOperations<Callable>;
    } else {
      *reinterpret_cast<Callable**>(mStorage) = new Callable(std::forward<F>(callable));
      mOperations = &kHeapOperations<Callable>;
    }
  }

  TaskFunction(TaskFunction&& other) noexcept { takeFrom(other); }

  TaskFunction& operator=(TaskFunction&& other) noexcept {
    if (this != &other) {
      reset();
      takeFrom(other);
    }
    return *this;
  }

  TaskFunction& operator=(std::nullptr_t) noexcept {
    reset();
    return *this;
  }

  TaskFunction(const TaskFunction&) = delete;
  TaskFunction& operator=(const TaskFunction&) = delete;

  ~TaskFunction() { reset(); }

  explicit operator bool() const noexcept { return mOperations != nullptr; }

  void operator()() {
    if (mOperations == nullptr) {
      throw std::bad_function_call();
    }
    mOperations->call(mStorage);
  }

 private:
  // What the stored callable's type knows; one constant table per type.
  struct Operations {
    void (*call)(void* storage);
    // Moves the callable from `from` into the empty `to` and destroys it in `from`.
    void (*relocate)(void* from, void* to) noexcept;
    void (*destroy)(void* storage) noexcept;
  };

  template <typename Callable>
  static constexpr bool storedInline() {
    return sizeof(Callable) <= kInlineSize && alignof(Callable) <= alignof(std::max_align_t) &&
           std::is_nothrow_move_constructible_v<Callable>;
  }

  template <typename Callable>
  static constexpr Operations kInlineOperations = {
      [](void* storage) { (*static_cast<Callable*>(storage))(); },
      [](void* from, void* to) noexcept {
        Callable* source = static_cast<Callable*>(from);
        ::new (to) Callable(std::move(*source));
        source->~Callable();
      },
      [](void* storage) noexcept { static_cast<Callable*>(storage)->~Callable(); }};

  template <typename Callable>
  static constexpr Operations kHeapOperations = {
      [](void* storage) { (**static_cast<Callable**>(storage))(); },
      [](void* from, void* to) noexcept {
        *static_cast<Callable**>(to) = *static_cast<Callable**>(from);
      },
      [](void* storage) noexcept { delete *static_cast<Callable**>(storage); }};

  void takeFrom(TaskFunction& other) noexcept {
    if (other.mOperations != nullptr) {
      other.mOperations->relocate(other.mStorage, mStorage);
      mOperations = other.mOperations;
      other.mOperations = nullptr;
    }
  }

  void reset() noexcept {
    if (mOperations != nullptr) {
      const Operations* operations = mOperations;
      mOperations = nullptr;
      operations->destroy(mStorage);
    }
  }

  const Operations* mOperations = nullptr;
  alignas(std::max_align_t) unsigned char mStorage[kInlineSize];
};

}  // namespace zelto
