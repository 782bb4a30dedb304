#include "net/minisign.h"

#include <sodium.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace marlune::net {
namespace {

constexpr std::string_view kUntrusted = "untrusted comment: ";
constexpr std::string_view kTrusted = "trusted comment: ";
// The longest line a signature file has that is worth reading: minisign
// writes comments of a few hundred bytes.
constexpr std::size_t kMaxLine = 8192;

bool SodiumReady()
{
    static const bool ready = ::sodium_init() >= 0;
    return ready;
}

// Exactly `size` bytes of standard base64 (padding allowed), nothing else.
template <std::size_t N> bool DecodeExactly(std::string_view text, std::array<std::uint8_t, N>& out)
{
    std::array<std::uint8_t, N + 1> buffer{}; // one more, to see a longer text
    std::size_t length = 0;
    const char* end = nullptr;
    if (text.empty() || text.size() > kMaxLine ||
        ::sodium_base642bin(buffer.data(), buffer.size(), text.data(), text.size(), nullptr,
                            &length, &end, sodium_base64_VARIANT_ORIGINAL) != 0 ||
        end != text.data() + text.size() || length != N) {
        return false;
    }
    std::copy_n(buffer.begin(), N, out.begin());
    return true;
}

// The lines of text without their line ends; a last line end is optional.
std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty() && lines.size() < 8) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The message the file's signature covers: the file itself, or its hash.
bool SignedMessage(const std::string& path, bool prehashed, std::vector<std::uint8_t>& message)
{
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return false;
    }
    crypto_generichash_state state;
    ::crypto_generichash_init(&state, nullptr, 0, crypto_generichash_BYTES_MAX);
    std::vector<std::uint8_t> block(1 << 16);
    message.clear();
    for (;;) {
        const std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
        if (prehashed) {
            ::crypto_generichash_update(&state, block.data(), got);
        } else {
            message.insert(message.end(), block.begin(),
                           block.begin() + static_cast<std::ptrdiff_t>(got));
        }
        if (got < block.size()) {
            break;
        }
    }
    if (std::ferror(file.get()) != 0) {
        return false;
    }
    if (prehashed) {
        message.resize(crypto_generichash_BYTES_MAX);
        ::crypto_generichash_final(&state, message.data(), message.size());
    }
    return true;
}

} // namespace

std::optional<MinisignKey> ParseMinisignKey(std::string_view text)
{
    std::vector<std::string_view> lines = Lines(text);
    if (!lines.empty() && lines.front().starts_with(kUntrusted)) {
        lines.erase(lines.begin());
    }
    while (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    std::array<std::uint8_t, 42> bytes{};
    if (lines.size() != 1 || !DecodeExactly(lines.front(), bytes) || bytes[0] != 'E' ||
        bytes[1] != 'd') {
        return std::nullopt;
    }
    MinisignKey key;
    std::copy_n(bytes.begin() + 2, key.keyId.size(), key.keyId.begin());
    std::copy_n(bytes.begin() + 10, key.publicKey.size(), key.publicKey.begin());
    return key;
}

std::optional<MinisignSignature> ParseMinisignSignature(std::string_view text)
{
    std::vector<std::string_view> lines = Lines(text);
    while (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    if (lines.size() != 4 || !lines[0].starts_with(kUntrusted) || !lines[2].starts_with(kTrusted) ||
        lines[2].size() > kMaxLine) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 74> bytes{};
    MinisignSignature signature;
    if (!DecodeExactly(lines[1], bytes) || !DecodeExactly(lines[3], signature.globalSignature) ||
        bytes[0] != 'E' || (bytes[1] != 'd' && bytes[1] != 'D')) {
        return std::nullopt;
    }
    signature.prehashed = bytes[1] == 'D';
    std::copy_n(bytes.begin() + 2, signature.keyId.size(), signature.keyId.begin());
    std::copy_n(bytes.begin() + 10, signature.signature.size(), signature.signature.begin());
    signature.trustedComment = std::string(lines[2].substr(kTrusted.size()));
    return signature;
}

std::string MinisignProblem(const std::string& path, std::string_view signatureText,
                            const MinisignKey& key)
{
    if (!SodiumReady()) {
        return "the signature cannot be checked: libsodium did not start";
    }
    const std::optional<MinisignSignature> signature = ParseMinisignSignature(signatureText);
    if (!signature) {
        return "the signature file is not a minisign signature";
    }
    if (signature->keyId != key.keyId) {
        return "it is signed with another key";
    }
    std::vector<std::uint8_t> message;
    if (!SignedMessage(path, signature->prehashed, message)) {
        return "the downloaded file cannot be read";
    }
    if (::crypto_sign_verify_detached(signature->signature.data(), message.data(), message.size(),
                                      key.publicKey.data()) != 0) {
        return "the signature does not match the file";
    }
    // The trusted comment is signed together with the file's signature.
    std::vector<std::uint8_t> global(signature->signature.begin(), signature->signature.end());
    global.insert(global.end(), signature->trustedComment.begin(), signature->trustedComment.end());
    if (::crypto_sign_verify_detached(signature->globalSignature.data(), global.data(),
                                      global.size(), key.publicKey.data()) != 0) {
        return "the trusted comment's signature does not match";
    }
    return {};
}

} // namespace marlune::net
