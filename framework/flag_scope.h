// A flag that is set for the life of the object, however the scope ends: it
// tells code called meanwhile that a piece of work is under way (a reading,
// a rescale, an edit ending).
#pragma once

class TFlagScope {
public:
    explicit TFlagScope(bool& flag) noexcept : flag_(flag) { flag_ = true; }
    ~TFlagScope() { flag_ = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& flag_;
};
