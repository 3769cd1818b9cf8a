#pragma once

#include <windows.h>

// Owns one reference to a COM object and releases it when it goes; objects declared one after
// another are thus released in the reverse order.
namespace vexmor::platform::windows {

template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (object_ != nullptr) {
            object_->Release();
        }
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    // Where a creating call stores the new reference; only for an empty ComRef.
    Interface** out() { return &object_; }
    Interface* get() const { return object_; }
    Interface* operator->() const { return object_; }

private:
    Interface* object_ = nullptr;
};

// CoInitialize on construction, CoUninitialize when it goes. A failed CoInitialize (COM already
// set up otherwise on this thread) is not undone: that would take COM from its owner.
class ComScope {
public:
    ComScope() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComScope() {
        if (initialised_) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};

}  // namespace vexmor::platform::windows
