// Runs a piece of code when the scope it was made in ends, however it ends (return or
// exception): the one helper for clean-up that has no owner object of its own.
//
//   auto restore = ScopeExit([&] { SetCursor(old); });
#pragma once

#include <utility>

template <class F> class TScopeExit {
public:
    explicit TScopeExit(F f) : f_(std::move(f)) {}
    ~TScopeExit() {
        if (active_) f_();
    }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;
    // Keeps the code from running (the work it would undo was handed on).
    void Dismiss() { active_ = false; }

private:
    F f_;
    bool active_ = true;
};

template <class F> [[nodiscard]] TScopeExit<F> ScopeExit(F f) { return TScopeExit<F>(std::move(f)); }
