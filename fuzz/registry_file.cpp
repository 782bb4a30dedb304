// Registry files are outside input: anything may be in them. The parser must
// never crash or hang, and whatever it reads must survive being written back.
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
    const RegistryDocument again = RegistryDocument::Parse(PredefinedKey::CurrentUser, written);
    if (!(again == document) || again.Serialize() != written) {
        std::abort();
    }
    return 0;
}
