// One-off clean-up: a function run when the scope is left, on every path,
// exceptions included.
#pragma once

#include <utility>

namespace ZUX {

template <typename F> class TZUXScopeExit {
public:
    explicit TZUXScopeExit(F f) : f_(std::move(f)) {}
    ~TZUXScopeExit() { f_(); }
    TZUXScopeExit(const TZUXScopeExit&) = delete;
    TZUXScopeExit& operator=(const TZUXScopeExit&) = delete;

private:
    F f_;
};

// const auto restore = ScopeExit([&] { ... });
template <typename F> [[nodiscard]] TZUXScopeExit<F> ScopeExit(F f) {
    return TZUXScopeExit<F>(std::move(f));
}

} // namespace ZUX
