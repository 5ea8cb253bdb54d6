#pragma once
// COM for the user-interface thread: one apartment per thread, and an owning pointer for
// interfaces so that no path forgets a Release.
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace vorlane::win {

// Initialises COM on the calling thread as a single-threaded apartment (the shell link object
// and the folder-browse dialog need one) and balances it when it goes out of scope.
class ComInit {
public:
    ComInit();
    ~ComInit();
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    // False when the thread already runs another apartment model (RPC_E_CHANGED_MODE).
    bool ok() const { return SUCCEEDED(result_); }
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

// Holds one reference to a COM interface.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // For functions that hand out a new reference through a T** argument.
    T** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

    // Another interface of the same object; empty when the object does not offer it.
    template <class U>
    ComPtr<U> As() const {
        ComPtr<U> other;
        if (p_) p_->QueryInterface(__uuidof(U), other.put_void());
        return other;
    }

private:
    T* p_ = nullptr;
};

}  // namespace vorlane::win
