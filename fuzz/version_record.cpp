// The version information reader over arbitrary files: the ELF section
// table and the record inside it. Nothing may crash, hang or read outside
// the file; what one reading gives, a second gives too.
#include "appmanager/executerequest.h"
#include "platform/versionres.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = [] {
        char name[] = "/tmp/fuzz_version_record_XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd >= 0) {
            ::close(fd);
        }
        return std::string(name);
    }();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    using namespace marlune::platform;
    const std::uint32_t infoSize = VersionInfoSize(path);
    std::vector<char> info;
    if (infoSize > 0 && ReadVersionInfo(path, infoSize + 1, info)) {
        for (const char* query :
             {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4\\FileVersion"}) {
            if (QueryVersionValue(info, query) != QueryVersionValue(info, query)) {
                std::abort();
            }
        }
    }
    // The same bytes as an execute request.
    marlune::appmanager::ParseExecuteRequest(
        std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
