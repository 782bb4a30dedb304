// A signature file comes from the update server: outside input. Parsing it as
// a signature and as a public key, and checking it against a file, must
// never crash, hang or read past what it was given.
#include "net/minisign.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <unistd.h>

namespace {

// A small signed-for file, made once per run.
const std::string& SignedFile()
{
    static const std::string path = [] {
        char name[] = "/tmp/marlune-fuzz-minisig-XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd >= 0) {
            static constexpr char kBytes[] = "TPF0 a data file";
            [[maybe_unused]] const auto written = ::write(fd, kBytes, sizeof kBytes - 1);
            ::close(fd);
        }
        std::atexit([] { std::remove(SignedFile().c_str()); });
        return std::string(name);
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto signature = marlune::net::ParseMinisignSignature(text);
    const auto key = marlune::net::ParseMinisignKey(text);
    marlune::net::MinisignKey fixed;
    if (signature) {
        fixed.keyId = signature->keyId; // so the check goes on to the signatures
    }
    const std::string problem =
        marlune::net::MinisignProblem(SignedFile(), text, key ? *key : fixed);
    if (!signature && problem.empty()) {
        std::abort(); // what does not parse never verifies
    }
    return 0;
}
