// CEF's reference-counted base and the usual counting helpers.
#ifndef CEF_INCLUDE_CEF_BASE_H_
#define CEF_INCLUDE_CEF_BASE_H_

#include <atomic>

#include "include/internal/cef_ptr.h"
#include "include/internal/cef_string.h"
#include "include/internal/cef_types.h"

// Every object CEF hands around by CefRefPtr derives (virtually) from this.
class CefBaseRefCounted {
 public:
  virtual void AddRef() const = 0;
  virtual bool Release() const = 0;
  virtual bool HasOneRef() const = 0;
  virtual bool HasAtLeastOneRef() const = 0;

 protected:
  virtual ~CefBaseRefCounted() {}
};

// Objects that are not reference counted; their owner keeps them alive.
class CefBaseScoped {
 public:
  virtual ~CefBaseScoped() {}
};

// A thread-safe count for IMPLEMENT_REFCOUNTING.
class CefRefCount {
 public:
  CefRefCount() : ref_count_(0) {}
  CefRefCount(const CefRefCount&) = delete;
  CefRefCount& operator=(const CefRefCount&) = delete;

  void AddRef() const { ref_count_.fetch_add(1, std::memory_order_relaxed); }
  bool Release() const { return ref_count_.fetch_sub(1, std::memory_order_acq_rel) == 1; }
  bool HasOneRef() const { return ref_count_.load(std::memory_order_acquire) == 1; }
  bool HasAtLeastOneRef() const { return ref_count_.load(std::memory_order_acquire) != 0; }

 private:
  mutable std::atomic<int> ref_count_;
};

#define IMPLEMENT_REFCOUNTING(ClassName)          \
 public:                                          \
  void AddRef() const override {                  \
    ref_count_.AddRef();                          \
  }                                               \
  bool Release() const override {                 \
    if (ref_count_.Release()) {                   \
      delete static_cast<const ClassName*>(this); \
      return true;                                \
    }                                             \
    return false;                                 \
  }                                               \
  bool HasOneRef() const override {               \
    return ref_count_.HasOneRef();                \
  }                                               \
  bool HasAtLeastOneRef() const override {        \
    return ref_count_.HasAtLeastOneRef();         \
  }                                               \
                                                  \
 private:                                         \
  CefRefCount ref_count_

#endif  // CEF_INCLUDE_CEF_BASE_H_
