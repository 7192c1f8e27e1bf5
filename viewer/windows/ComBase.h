#pragma once
// Reference counting for the few COM objects the viewer implements itself. Every object lives
// on the window's thread (single-threaded apartment), so plain counters suffice.

#include <unknwn.h>
#include <windows.h>

namespace pagolux::win {

class RefCounted {
  public:
    virtual ~RefCounted() = default;

  protected:
    ULONG addRef() { return ++refs_; }
    ULONG release()
    {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

  private:
    ULONG refs_ = 1;
};

// Releases a COM pointer when it goes out of scope.
template <class T> class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            p_ = other.p_;
            other.p_ = nullptr;
        }
        return *this;
    }
    T** out()
    {
        reset();
        return &p_;
    }
    void reset()
    {
        if (p_)
            p_->Release();
        p_ = nullptr;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

} // namespace pagolux::win
