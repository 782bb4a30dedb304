#pragma once

namespace marlune::platform {

// Sets a flag for the lifetime of the object and clears it on every way out:
// "an operation is running", for code that may be entered again from an
// event handler while it waits.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

} // namespace marlune::platform
