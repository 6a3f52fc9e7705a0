// A flag that is set for the life of the object, however the scope ends: it
// tells code called meanwhile that a piece of work is under way (a reading,
// a rescale, an edit ending). The scope puts back the value it found, so
// that a scope nested in another leaves the outer one's work under way.
#pragma once

#include <utility>

class TFlagScope {
public:
    explicit TFlagScope(bool& flag) noexcept : flag_(flag), found_(std::exchange(flag, true)) {}
    ~TFlagScope() { flag_ = found_; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& flag_;
    bool found_;
};
