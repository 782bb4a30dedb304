#include "net/urlencoder.h"

#include <exception>

namespace marlune::net {

std::string UrlEncoder::Encode() const
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    try {
        std::string out;
        out.reserve(inputString_.size() * 3);
        for (const char c : inputString_) {
            const auto byte = static_cast<unsigned char>(c);
            if (c == ' ') {
                out += '+';
            } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
                out += c;
            } else {
                out += '%';
                out += kHex[byte >> 4];
                out += kHex[byte & 0x0F];
            }
        }
        return out;
    } catch (const std::exception& e) {
        if (OnError) {
            OnError("Error during encode", e.what());
        }
        return inputString_;
    }
}

} // namespace marlune::net
