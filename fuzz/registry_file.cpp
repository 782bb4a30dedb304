// Registry files are outside input: anything may be in them. The parser must
// never crash or hang, whatever it reads must survive being written back, and
// what it writes must read back as fully understood.
#include "platform/registry.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using marlune::platform::PredefinedKey;
    using marlune::platform::RegistryDocument;

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const RegistryDocument document = RegistryDocument::Parse(PredefinedKey::CurrentUser, bytes);
    const std::string written = document.Serialize();
    bool complete = false;
    const RegistryDocument again =
        RegistryDocument::Parse(PredefinedKey::CurrentUser, written, &complete);
    // What the program writes it understands in full: else it would refuse
    // to write over its own file.
    if (!complete || !(again == document) || again.Serialize() != written) {
        std::abort();
    }
    return 0;
}
