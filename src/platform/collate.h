#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

class QLocale;

// Locale-aware comparison of Windows-1252 texts by Windows locale number, the
// stand-in for CompareStringA (with NORM_IGNORECASE when ignoreCase is set).
//
// What it guarantees:
// - The answer is QCollator's for the locale, over the texts decoded from
//   Windows-1252: with ignoreCase the collator runs at a strength where case is
//   ignored and accents count ("É" equals "é", "é" differs from "e");
//   without it case counts too.
// - Compare returns <0, 0 or >0; Equal(a, b) is exactly Compare(a, b) == 0;
//   EqualPrefix(key, text) is exactly Equal(key, first length(key) bytes of
//   text) (the whole text when it is shorter), without copying.
// - When both texts consist of printable ASCII (0x20..0x7E) a table answers
//   instead of QCollator. The table holds each character's rank among the 95
//   printable characters as the collator orders them, and is used for a
//   locale and case mode only after it has been checked, when the collator is
//   made, to give the collator's answer for every pair of texts of up to two
//   printable characters (all 9,121 of them are sorted by the collator and
//   every neighbouring pair is compared both ways; for a collator that orders
//   consistently that covers all pairs). Locales whose collation the table
//   cannot express (contractions such as Czech "ch", Danish "aa", or a
//   case-sensitive order that only looks at case after the letters) fail that
//   check and always take the collator.
// - Control characters and bytes above 0x7E always take the collator: ICU
//   ignores most control characters entirely and expands letters such as "ß"
//   or "æ", which no per-character table reproduces.
namespace marlune::platform {

// Windows locale numbers that stand for a default locale rather than naming one.
inline constexpr unsigned kLocaleNeutral = 0x0000;
inline constexpr unsigned kLocaleInvariant = 0x007F;
inline constexpr unsigned kLocaleUserDefault = 0x0400;
inline constexpr unsigned kLocaleSystemDefault = 0x0800;

class Collator {
public:
    explicit Collator(const QLocale& locale);
    ~Collator();
    Collator(const Collator&) = delete;
    Collator& operator=(const Collator&) = delete;

    // The collator for a Windows locale number: 0, 1024 (user default) and
    // 2048 (system default) give the system locale (QLocale::system()), 127
    // the invariant locale, and a small set of common specific locale numbers
    // (0x0409 en-US, 0x0C09 en-AU, 0x0407 de-DE, ...) their locales. Nothing
    // for any other number. Collators are made once per thread and live until
    // the thread ends; the pointer stays valid that long.
    static const Collator* ForLocaleId(unsigned localeId);

    int Compare(std::string_view a, std::string_view b, bool ignoreCase) const;
    bool Equal(std::string_view a, std::string_view b, bool ignoreCase) const;
    bool EqualPrefix(std::string_view key, std::string_view text, bool ignoreCase) const;

    // The collator's answer without the table, for checking the table.
    int CompareGeneral(std::string_view a, std::string_view b, bool ignoreCase) const;

    // Whether the printable-ASCII table passed its check for this case mode.
    bool HasFastPath(bool ignoreCase) const;

private:
    static constexpr std::uint8_t kNotFast = 0xFF;
    using RankTable = std::array<std::uint8_t, 256>;

    // The table's answer: <0/0/>0, or nothing when a byte is not printable ASCII.
    static std::optional<int> FastCompare(const RankTable& ranks, std::string_view a,
                                          std::string_view b);
    static std::optional<bool> FastEqual(const RankTable& ranks, std::string_view a,
                                         std::string_view b);
    // Whether every byte of the text from `from` on has a rank in the table.
    static bool RestIsFast(const RankTable& ranks, std::string_view text, std::size_t from);
    void BuildFastPath(bool ignoreCase);

    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::array<RankTable, 2> ranks_{}; // [ignoreCase]
    std::array<bool, 2> fast_{};
};

// The same through the per-thread collators; nothing when the locale number
// is unknown (the caller reports "Invalid locale. " and the number).
std::optional<int> Compare(std::string_view a, std::string_view b, bool ignoreCase,
                           unsigned localeId);
std::optional<bool> Equal(std::string_view a, std::string_view b, bool ignoreCase,
                          unsigned localeId);
std::optional<bool> EqualPrefix(std::string_view key, std::string_view text, bool ignoreCase,
                                unsigned localeId);

} // namespace marlune::platform
