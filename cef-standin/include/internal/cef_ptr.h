// CEF's smart pointers: CefRefPtr holds a counted reference to a CefBaseRefCounted
// object; CefRawPtr is a plain pointer to an object CEF keeps alive for the call.
#ifndef CEF_INCLUDE_INTERNAL_CEF_PTR_H_
#define CEF_INCLUDE_INTERNAL_CEF_PTR_H_

#include <cstddef>
#include <utility>

template <class T>
using CefRawPtr = T*;

template <class T>
class CefRefPtr {
 public:
  typedef T element_type;

  CefRefPtr() : ptr_(nullptr) {}
  CefRefPtr(std::nullptr_t) : ptr_(nullptr) {}
  CefRefPtr(T* p) : ptr_(p) {
    if (ptr_)
      ptr_->AddRef();
  }
  CefRefPtr(const CefRefPtr& r) : CefRefPtr(r.ptr_) {}
  template <typename U>
  CefRefPtr(const CefRefPtr<U>& r) : CefRefPtr(r.get()) {}
  CefRefPtr(CefRefPtr&& r) noexcept : ptr_(r.ptr_) { r.ptr_ = nullptr; }
  template <typename U>
  CefRefPtr(CefRefPtr<U>&& r) noexcept : ptr_(r.release()) {}
  ~CefRefPtr() {
    if (ptr_)
      ptr_->Release();
  }

  CefRefPtr& operator=(T* p) {
    CefRefPtr(p).swap(*this);
    return *this;
  }
  CefRefPtr& operator=(std::nullptr_t) {
    reset();
    return *this;
  }
  CefRefPtr& operator=(const CefRefPtr& r) {
    CefRefPtr(r).swap(*this);
    return *this;
  }
  CefRefPtr& operator=(CefRefPtr&& r) noexcept {
    CefRefPtr(std::move(r)).swap(*this);
    return *this;
  }

  T* get() const { return ptr_; }
  T& operator*() const { return *ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }

  void reset() { CefRefPtr().swap(*this); }
  // Gives up the reference without releasing it.
  T* release() {
    T* p = ptr_;
    ptr_ = nullptr;
    return p;
  }
  void swap(CefRefPtr& r) noexcept { std::swap(ptr_, r.ptr_); }

 private:
  T* ptr_;
};

template <class T, class U>
bool operator==(const CefRefPtr<T>& a, const CefRefPtr<U>& b) {
  return a.get() == b.get();
}
template <class T, class U>
bool operator!=(const CefRefPtr<T>& a, const CefRefPtr<U>& b) {
  return a.get() != b.get();
}
template <class T>
bool operator==(const CefRefPtr<T>& a, std::nullptr_t) {
  return a.get() == nullptr;
}
template <class T>
bool operator!=(const CefRefPtr<T>& a, std::nullptr_t) {
  return a.get() != nullptr;
}
template <class T>
bool operator==(std::nullptr_t, const CefRefPtr<T>& a) {
  return a.get() == nullptr;
}
template <class T>
bool operator!=(std::nullptr_t, const CefRefPtr<T>& a) {
  return a.get() != nullptr;
}

#endif  // CEF_INCLUDE_INTERNAL_CEF_PTR_H_
