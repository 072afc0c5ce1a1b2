// Sets a flag for as long as it lives, exceptions included: marks a piece of
// work as running so that a nested click can tell.
#pragma once

namespace kovex {

class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;
    FlagScope(FlagScope&&) = delete;
    FlagScope& operator=(FlagScope&&) = delete;

private:
    bool& flag_;
};

}  // namespace kovex
