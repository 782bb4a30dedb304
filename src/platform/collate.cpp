#include "platform/collate.h"

#include "platform/cp1252.h"

#include <QCollator>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace marlune::platform {
namespace {

constexpr char kFirstPrintable = 0x20;
constexpr char kLastPrintable = 0x7E;

struct LocaleNumber {
    unsigned id;
    const char* name;
};

// Specific Windows locale numbers (sort order 0) that have an obvious Qt locale.
constexpr LocaleNumber kKnownLocales[] = {
    {0x0409, "en_US"}, {0x0809, "en_GB"}, {0x0C09, "en_AU"}, {0x1009, "en_CA"}, {0x1409, "en_NZ"},
    {0x1809, "en_IE"}, {0x1C09, "en_ZA"}, {0x0407, "de_DE"}, {0x0C07, "de_AT"}, {0x0807, "de_CH"},
    {0x040C, "fr_FR"}, {0x0C0C, "fr_CA"}, {0x080C, "fr_BE"}, {0x0410, "it_IT"}, {0x0C0A, "es_ES"},
    {0x080A, "es_MX"}, {0x0413, "nl_NL"}, {0x0813, "nl_BE"}, {0x0816, "pt_PT"}, {0x0416, "pt_BR"},
    {0x041D, "sv_SE"}, {0x0406, "da_DK"}, {0x0414, "nb_NO"}, {0x040B, "fi_FI"}, {0x0405, "cs_CZ"},
    {0x040E, "hu_HU"}, {0x0415, "pl_PL"}, {0x0408, "el_GR"}, {0x041F, "tr_TR"}, {0x0419, "ru_RU"},
};

std::optional<QLocale> LocaleForId(unsigned localeId)
{
    switch (localeId) {
    case kLocaleNeutral:
    case kLocaleUserDefault:
    case kLocaleSystemDefault:
        return QLocale::system().collation();
    case kLocaleInvariant:
        return QLocale::c();
    default:
        break;
    }
    for (const auto& known : kKnownLocales) {
        if (known.id == localeId) {
            return QLocale(QString::fromLatin1(known.name));
        }
    }
    return std::nullopt;
}

// A Windows-1252 text as UTF-16, on the stack for the short texts the table holds.
class Utf16Text {
public:
    explicit Utf16Text(std::string_view text)
    {
        char16_t* out = inline_;
        if (text.size() > kInlineSize) {
            heap_.resize(text.size());
            out = heap_.data();
        }
        for (std::size_t i = 0; i < text.size(); ++i) {
            // Every Windows-1252 character lies in the basic multilingual plane.
            out[i] =
                static_cast<char16_t>(platform::ToUnicode(static_cast<unsigned char>(text[i])));
        }
        view_ = QStringView(out, static_cast<qsizetype>(text.size()));
    }
    Utf16Text(const Utf16Text&) = delete;
    Utf16Text& operator=(const Utf16Text&) = delete;

    QStringView View() const { return view_; }

private:
    static constexpr std::size_t kInlineSize = 256;
    char16_t inline_[kInlineSize];
    std::u16string heap_;
    QStringView view_;
};

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

struct Collator::Impl {
    explicit Impl(const QLocale& locale) : collators{QCollator(locale), QCollator(locale)}
    {
        collators[0].setCaseSensitivity(Qt::CaseSensitive);
        collators[1].setCaseSensitivity(Qt::CaseInsensitive);
    }
    std::array<QCollator, 2> collators; // [ignoreCase]
};

Collator::Collator(const QLocale& locale) : impl_(std::make_unique<Impl>(locale))
{
    BuildFastPath(false);
    BuildFastPath(true);
}

Collator::~Collator() = default;

int Collator::CompareGeneral(std::string_view a, std::string_view b, bool ignoreCase) const
{
    const Utf16Text ua(a);
    const Utf16Text ub(b);
    return Sign(impl_->collators[ignoreCase ? 1 : 0].compare(ua.View(), ub.View()));
}

// Inline: it runs on every table comparison, a search's inner loop included.
inline bool Collator::RestIsFast(const RankTable& ranks, std::string_view text, std::size_t from)
{
    for (std::size_t j = from; j < text.size(); ++j) {
        if (ranks[static_cast<unsigned char>(text[j])] == kNotFast) {
            return false;
        }
    }
    return true;
}

std::optional<int> Collator::FastCompare(const RankTable& ranks, std::string_view a,
                                         std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    int result = 0;
    std::size_t i = 0;
    for (; i < common; ++i) {
        const std::uint8_t ra = ranks[static_cast<unsigned char>(a[i])];
        const std::uint8_t rb = ranks[static_cast<unsigned char>(b[i])];
        if (ra == kNotFast || rb == kNotFast) {
            return std::nullopt;
        }
        if (ra != rb) {
            result = ra < rb ? -1 : 1;
            ++i;
            break;
        }
    }
    // The table only speaks for texts that are printable ASCII throughout.
    if (!RestIsFast(ranks, a, i) || !RestIsFast(ranks, b, i)) {
        return std::nullopt;
    }
    if (result != 0) {
        return result;
    }
    return (a.size() > b.size()) - (a.size() < b.size());
}

void Collator::BuildFastPath(bool ignoreCase)
{
    const std::size_t mode = ignoreCase ? 1 : 0;
    fast_[mode] = false;
    const auto less = [&](const std::string& x, const std::string& y) {
        return CompareGeneral(x, y, ignoreCase) < 0;
    };

    // Rank the printable characters as the collator orders them.
    std::vector<std::string> singles;
    for (char c = kFirstPrintable; c <= kLastPrintable; ++c) {
        singles.emplace_back(1, c);
    }
    std::stable_sort(singles.begin(), singles.end(), less);
    RankTable ranks;
    ranks.fill(kNotFast);
    std::uint8_t rank = 0;
    for (std::size_t k = 0; k < singles.size(); ++k) {
        if (k > 0) {
            const int order = CompareGeneral(singles[k - 1], singles[k], ignoreCase);
            if (order > 0) {
                return; // an inconsistent collator: never trust a table for it
            }
            rank = static_cast<std::uint8_t>(rank + (order < 0 ? 1 : 0));
        }
        ranks[static_cast<unsigned char>(singles[k][0])] = rank;
    }

    // Check the table against the collator over every text of up to two
    // printable characters: sorted by the collator, each neighbouring pair must
    // get the same answer from the table. Both orders being total preorders,
    // agreeing on all neighbours means agreeing on every pair.
    std::vector<std::string> texts;
    texts.reserve(1 + singles.size() + singles.size() * singles.size());
    texts.emplace_back();
    for (char c = kFirstPrintable; c <= kLastPrintable; ++c) {
        texts.emplace_back(1, c);
        for (char d = kFirstPrintable; d <= kLastPrintable; ++d) {
            texts.push_back(std::string{c, d});
        }
    }
    std::sort(texts.begin(), texts.end(), less);
    for (std::size_t k = 1; k < texts.size(); ++k) {
        const int general = CompareGeneral(texts[k - 1], texts[k], ignoreCase);
        const std::optional<int> table = FastCompare(ranks, texts[k - 1], texts[k]);
        if (general > 0 || !table || *table != general) {
            return;
        }
    }
    ranks_[mode] = ranks;
    fast_[mode] = true;
}

bool Collator::HasFastPath(bool ignoreCase) const
{
    return fast_[ignoreCase ? 1 : 0];
}

int Collator::Compare(std::string_view a, std::string_view b, bool ignoreCase) const
{
    const std::size_t mode = ignoreCase ? 1 : 0;
    if (fast_[mode]) {
        if (const std::optional<int> result = FastCompare(ranks_[mode], a, b)) {
            return *result;
        }
    }
    return CompareGeneral(a, b, ignoreCase);
}

bool Collator::Equal(std::string_view a, std::string_view b, bool ignoreCase) const
{
    const std::size_t mode = ignoreCase ? 1 : 0;
    if (fast_[mode]) {
        if (const std::optional<bool> result = FastEqual(ranks_[mode], a, b)) {
            return *result;
        }
    }
    return CompareGeneral(a, b, ignoreCase) == 0;
}

std::optional<bool> Collator::FastEqual(const RankTable& ranks, std::string_view a,
                                        std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t i = 0;
    for (; i < common; ++i) {
        const std::uint8_t ra = ranks[static_cast<unsigned char>(a[i])];
        if (ra != ranks[static_cast<unsigned char>(b[i])]) {
            break;
        }
        if (ra == kNotFast) {
            return std::nullopt;
        }
    }
    if (i == a.size() && i == b.size()) {
        return true;
    }
    // Unequal, provided the rest of both texts is printable ASCII.
    if (!RestIsFast(ranks, a, i) || !RestIsFast(ranks, b, i)) {
        return std::nullopt;
    }
    return false;
}

bool Collator::EqualPrefix(std::string_view key, std::string_view text, bool ignoreCase) const
{
    return Equal(key, text.substr(0, key.size()), ignoreCase);
}

const Collator* Collator::ForLocaleId(unsigned localeId)
{
    struct Entry {
        unsigned id;
        std::unique_ptr<Collator> collator;
    };
    thread_local std::vector<Entry> cache;
    // The search asks for the same locale a million times in a row.
    thread_local unsigned lastId = 0;
    thread_local const Collator* last = nullptr;
    if (last != nullptr && lastId == localeId) {
        return last;
    }
    for (const Entry& entry : cache) {
        if (entry.id == localeId) {
            lastId = localeId;
            last = entry.collator.get();
            return last;
        }
    }
    const std::optional<QLocale> locale = LocaleForId(localeId);
    if (!locale) {
        return nullptr;
    }
    cache.push_back({localeId, std::make_unique<Collator>(*locale)});
    lastId = localeId;
    last = cache.back().collator.get();
    return last;
}

namespace {

template <class Result>
using Comparison = Result (Collator::*)(std::string_view, std::string_view, bool) const;

// Asks the thread's collator for the locale; nothing when the number is unknown.
template <class Result>
std::optional<Result> AskCollator(unsigned localeId, Comparison<Result> ask, std::string_view a,
                                  std::string_view b, bool ignoreCase)
{
    const Collator* collator = Collator::ForLocaleId(localeId);
    if (collator == nullptr) {
        return std::nullopt;
    }
    return (collator->*ask)(a, b, ignoreCase);
}

} // namespace

std::optional<int> Compare(std::string_view a, std::string_view b, bool ignoreCase,
                           unsigned localeId)
{
    return AskCollator(localeId, &Collator::Compare, a, b, ignoreCase);
}

std::optional<bool> Equal(std::string_view a, std::string_view b, bool ignoreCase,
                          unsigned localeId)
{
    return AskCollator(localeId, &Collator::Equal, a, b, ignoreCase);
}

std::optional<bool> EqualPrefix(std::string_view key, std::string_view text, bool ignoreCase,
                                unsigned localeId)
{
    return AskCollator(localeId, &Collator::EqualPrefix, key, text, ignoreCase);
}

} // namespace marlune::platform
