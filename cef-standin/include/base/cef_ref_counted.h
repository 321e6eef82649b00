// Reference counting of the wrapper library: base::RefCountedThreadSafe for its own
// classes (the message router), and scoped_refptr, the counted pointer behind CefRefPtr.
// scoped_refptr offers what CEF 92's does and nothing more: no move, no reset() or
// release(), no operator*; it converts to the plain pointer, which is how it is tested
// for null and compared.
#ifndef CEF_INCLUDE_BASE_CEF_REF_COUNTED_H_
#define CEF_INCLUDE_BASE_CEF_REF_COUNTED_H_

#include <atomic>
#include <cassert>

namespace base {

template <class T>
class RefCountedThreadSafe {
 public:
  RefCountedThreadSafe(const RefCountedThreadSafe&) = delete;
  RefCountedThreadSafe& operator=(const RefCountedThreadSafe&) = delete;

  void AddRef() const { count_.fetch_add(1, std::memory_order_relaxed); }
  void Release() const {
    if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      delete static_cast<const T*>(this);
    }
  }
  bool HasOneRef() const { return count_.load(std::memory_order_acquire) == 1; }
  bool HasAtLeastOneRef() const { return count_.load(std::memory_order_acquire) != 0; }

 protected:
  RefCountedThreadSafe() : count_(0) {}
  ~RefCountedThreadSafe() {}

 private:
  mutable std::atomic<int> count_;
};

}  // namespace base

template <class T>
class scoped_refptr {
 public:
  typedef T element_type;

  scoped_refptr() : ptr_(nullptr) {}
  scoped_refptr(T* p) : ptr_(p) {
    if (ptr_)
      ptr_->AddRef();
  }
  scoped_refptr(const scoped_refptr<T>& r) : scoped_refptr(r.ptr_) {}
  template <typename U>
  scoped_refptr(const scoped_refptr<U>& r) : scoped_refptr(r.get()) {}
  ~scoped_refptr() {
    if (ptr_)
      ptr_->Release();
  }

  T* get() const { return ptr_; }
  operator T*() const { return ptr_; }
  T* operator->() const {
    assert(ptr_ != nullptr);
    return ptr_;
  }

  scoped_refptr<T>& operator=(T* p) {
    // The new reference first, so that assigning the held object to itself keeps it.
    if (p)
      p->AddRef();
    T* old = ptr_;
    ptr_ = p;
    if (old)
      old->Release();
    return *this;
  }
  scoped_refptr<T>& operator=(const scoped_refptr<T>& r) { return *this = r.ptr_; }
  template <typename U>
  scoped_refptr<T>& operator=(const scoped_refptr<U>& r) {
    return *this = r.get();
  }

  void swap(T** pp) {
    T* p = ptr_;
    ptr_ = *pp;
    *pp = p;
  }
  void swap(scoped_refptr<T>& r) { swap(&r.ptr_); }

 protected:
  T* ptr_;
};

template <typename T>
scoped_refptr<T> make_scoped_refptr(T* t) {
  return scoped_refptr<T>(t);
}

#endif  // CEF_INCLUDE_BASE_CEF_REF_COUNTED_H_
