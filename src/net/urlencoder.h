#pragma once

#include <functional>
#include <string>

// Form encoding of POST data: a space becomes "+", ASCII letters and digits
// stay, every other byte becomes "%" and two upper-case hexadecimal digits.
namespace marlune::net {

class UrlEncoder {
public:
    const std::string& InputString() const { return inputString_; }
    void SetInputString(std::string text) { inputString_ = std::move(text); }

    // (operation, message) of a failed encoding.
    std::function<void(const std::string& operation, const std::string& errMsg)> OnError;

    // The encoded InputString; the input unchanged when encoding fails.
    std::string Encode() const;

private:
    std::string inputString_;
};

} // namespace marlune::net
