#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Signatures of the standard minisign tool, verified with libsodium (Ed25519):
// the legacy kind "Ed" signs the file itself, the pre-hashed kind "ED" its
// BLAKE2b-512 hash; both carry a trusted comment under a second, global
// signature. An update is installed only when its file verifies.
namespace marlune::net {

struct MinisignKey {
    std::array<std::uint8_t, 8> keyId{};
    std::array<std::uint8_t, 32> publicKey{};
};

struct MinisignSignature {
    bool prehashed = false; // "ED"
    std::array<std::uint8_t, 8> keyId{};
    std::array<std::uint8_t, 64> signature{};
    std::string trustedComment;
    std::array<std::uint8_t, 64> globalSignature{};
};

// The public key: its base64 line ("RW..."), or the text of a .pub file
// (an untrusted comment line, then that line). Nothing when malformed.
std::optional<MinisignKey> ParseMinisignKey(std::string_view text);

// A .minisig file's text; nothing when it is not one.
std::optional<MinisignSignature> ParseMinisignSignature(std::string_view text);

// Why the file at path is not signed by key according to signatureText, in
// words; empty when it is. The file is read in blocks, so its size is not
// bounded by memory.
std::string MinisignProblem(const std::string& path, std::string_view signatureText,
                            const MinisignKey& key);

} // namespace marlune::net
