#pragma once

#include <span>
#include <string>

// The built-in paper table: the Windows paper codes 1 to 47 and 50 to 68 with
// their standard sizes, and the custom size. The printer layer uses it when no
// real printer is there.
namespace marlune::report {

inline constexpr int kCustomPaper = 256;
inline constexpr int kPaperA4 = 9;

struct PaperSize {
    int code = 0;
    int width = 0;  // tenths of a millimetre, portrait
    int height = 0; // tenths of a millimetre, portrait
};

std::span<const PaperSize> BuiltInPapers();

// The entry for a code, or nullptr.
const PaperSize* FindBuiltInPaper(int code);

// The papers' names are string resources that this program leaves empty.
inline std::string BuiltInPaperName(int /*code*/)
{
    return {};
}

} // namespace marlune::report
