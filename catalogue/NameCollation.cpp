#include "catalogue/NameCollation.h"

#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uset.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <vector>

namespace torvel {
namespace {

std::u16string ToUtf16(std::string_view text) {
    std::u16string out(text.size(), u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = Cp1252ToUtf16(static_cast<unsigned char>(text[i]));
    return out;
}

UCollator* OpenCollator(UColAttributeValue strength) {
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open("pt_BR", &status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("Cannot open the pt_BR collation: ") +
                                 u_errorName(status));
    ucol_setStrength(collator, strength);
    return collator;
}

// One collation element split into its three weights, as ICU compares them level by level.
struct Weights {
    uint32_t primary;
    uint32_t secondary;
    uint32_t tertiary;
};

// The collation elements of a UTF-16 text. ICU hands them out as 32-bit halves; a long
// element continues in a second half marked by 0xC0 in its low byte.
bool CollationElements(UCollator* collator, const std::u16string& text, std::vector<Weights>& out) {
    UErrorCode status = U_ZERO_ERROR;
    UCollationElements* it = ucol_openElements(
        collator, reinterpret_cast<const UChar*>(text.data()), int32_t(text.size()), &status);
    if (U_FAILURE(status))
        return false;
    std::vector<uint32_t> halves;
    for (int32_t ce; (ce = ucol_next(it, &status)) != UCOL_NULLORDER && U_SUCCESS(status);)
        halves.push_back(uint32_t(ce));
    ucol_closeElements(it);
    if (U_FAILURE(status))
        return false;
    for (size_t i = 0; i < halves.size(); ++i) {
        uint32_t first = halves[i];
        uint32_t second = 0;
        if (i + 1 < halves.size() && (halves[i + 1] & 0xC0) == 0xC0)
            second = halves[++i];
        Weights w;
        w.primary = (first & 0xFFFF0000u) | (second >> 16);
        w.secondary = (first & 0xFF00u) | ((second >> 8) & 0xFFu);
        // Case bits are not compared at tertiary strength without a case-first setting.
        w.tertiary = (((first & 0xFFu) << 8) | (second & 0x3Fu)) & 0x3F3Fu;
        out.push_back(w);
    }
    return true;
}

} // namespace

// Without contractions, the collation elements of a text are those of its characters in turn,
// and ICU compares texts by the sequence of non-zero primary weights, then of secondary, then of
// tertiary weights. Windows-1252 has fewer than 254 distinct weights per level, so each weight
// becomes one byte of rank (2 and up, above the level separator 1), and a key is built by table
// look-ups instead of a trip through ICU per text. The few contractions that Windows-1252 text
// can form (such as "l·") are looked up as units.
struct NameCollation::Tables {
    struct Symbols {
        uint8_t count[3] = {0, 0, 0};
        uint8_t symbol[3][6] = {};
    };
    struct Contraction {
        std::string bytes; // whole contraction, its first byte included
        Symbols symbols;
    };
    std::array<Symbols, 256> bytes{};
    std::array<std::vector<Contraction>, 256> contractions{};
    // Per level, the one symbol of a byte that has exactly one and starts no contraction; 0
    // sends the byte the long way. Most bytes of a name take the short one.
    uint8_t single[3][256] = {};
    size_t maxSymbolsPerByte = 1;

    // The symbols for the text at position i; advances i past what they stand for.
    const Symbols& At(std::string_view text, size_t& i) const {
        unsigned char b = static_cast<unsigned char>(text[i]);
        for (const Contraction& c : contractions[b]) {
            if (text.compare(i, c.bytes.size(), c.bytes) == 0) {
                i += c.bytes.size();
                return c.symbols;
            }
        }
        ++i;
        return bytes[b];
    }

    void AppendLevel(std::string_view text, int level, std::string& out) const {
        out.reserve(out.size() + text.size() * maxSymbolsPerByte);
        const uint8_t* fast = single[level];
        for (size_t i = 0; i < text.size();) {
            if (uint8_t symbol = fast[static_cast<unsigned char>(text[i])]) {
                out.push_back(char(symbol));
                ++i;
                continue;
            }
            const Symbols& s = At(text, i);
            for (int k = 0; k < s.count[level]; ++k)
                out.push_back(char(s.symbol[level][k]));
        }
    }
};

namespace {

// Builds the tables, or returns null when this collation cannot be described by them.
NameCollation::Tables* BuildTables(UCollator* collator) {
    struct Check {
        UColAttribute attribute;
        UColAttributeValue expected;
    };
    for (Check c :
         {Check{UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE}, Check{UCOL_CASE_FIRST, UCOL_OFF},
          Check{UCOL_CASE_LEVEL, UCOL_OFF}, Check{UCOL_FRENCH_COLLATION, UCOL_OFF},
          Check{UCOL_NUMERIC_COLLATION, UCOL_OFF}}) {
        UErrorCode status = U_ZERO_ERROR;
        if (ucol_getAttribute(collator, c.attribute, &status) != c.expected || U_FAILURE(status))
            return nullptr;
    }

    // Elements of every byte, then of every contraction made of Windows-1252 characters.
    std::array<std::vector<Weights>, 256> byteElements;
    for (int b = 1; b < 256; ++b) {
        std::u16string text(1, Cp1252ToUtf16(static_cast<unsigned char>(b)));
        if (!CollationElements(collator, text, byteElements[size_t(b)]))
            return nullptr;
    }
    std::vector<std::pair<std::string, std::vector<Weights>>> contractionElements;
    {
        UErrorCode status = U_ZERO_ERROR;
        USet* set = uset_openEmpty();
        ucol_getContractionsAndExpansions(collator, set, nullptr, true, &status);
        if (U_FAILURE(status)) {
            uset_close(set);
            return nullptr;
        }
        int32_t items = uset_getItemCount(set);
        for (int32_t i = 0; i < items; ++i) {
            UChar32 start, end;
            UChar buffer[64];
            UErrorCode itemStatus = U_ZERO_ERROR;
            int32_t length = uset_getItem(set, i, &start, &end, buffer, 64, &itemStatus);
            if (U_FAILURE(itemStatus) || length <= 0)
                continue; // a range of single characters, or too long to be 1252 text
            std::string bytes;
            for (int32_t k = 0; k < length; ++k) {
                int b = Utf16ToCp1252(char16_t(buffer[k]));
                if (b <= 0) {
                    bytes.clear();
                    break;
                }
                bytes += char(b);
            }
            if (bytes.size() < 2)
                continue;
            std::vector<Weights> elements;
            if (!CollationElements(collator, std::u16string(buffer, buffer + length), elements)) {
                uset_close(set);
                return nullptr;
            }
            contractionElements.emplace_back(std::move(bytes), std::move(elements));
        }
        uset_close(set);
    }

    // Rank the distinct weights of each level.
    std::array<std::map<uint32_t, uint8_t>, 3> ranks;
    auto collect = [&](const std::vector<Weights>& elements) {
        for (const Weights& w : elements) {
            if (w.primary)
                ranks[0][w.primary] = 0;
            if (w.secondary)
                ranks[1][w.secondary] = 0;
            if (w.tertiary)
                ranks[2][w.tertiary] = 0;
        }
    };
    for (const auto& e : byteElements)
        collect(e);
    for (const auto& c : contractionElements)
        collect(c.second);
    for (auto& level : ranks) {
        if (level.size() > 254)
            return nullptr;
        uint8_t next = 2;
        for (auto& entry : level)
            entry.second = next++;
    }

    auto* tables = new NameCollation::Tables;
    auto fill = [&](const std::vector<Weights>& elements, NameCollation::Tables::Symbols& s) {
        for (const Weights& w : elements) {
            const uint32_t level[3] = {w.primary, w.secondary, w.tertiary};
            for (int l = 0; l < 3; ++l) {
                if (!level[l])
                    continue;
                if (s.count[l] == sizeof s.symbol[l])
                    return false;
                s.symbol[l][s.count[l]++] = ranks[size_t(l)][level[l]];
            }
        }
        return true;
    };
    bool ok = true;
    for (int b = 1; b < 256 && ok; ++b) {
        ok = fill(byteElements[size_t(b)], tables->bytes[size_t(b)]);
        for (int l = 0; l < 3; ++l)
            tables->maxSymbolsPerByte =
                std::max<size_t>(tables->maxSymbolsPerByte, tables->bytes[size_t(b)].count[l]);
    }
    for (auto& [bytes, elements] : contractionElements) {
        NameCollation::Tables::Contraction c;
        c.bytes = bytes;
        ok = ok && fill(elements, c.symbols);
        tables->contractions[static_cast<unsigned char>(bytes[0])].push_back(std::move(c));
    }
    if (!ok) {
        delete tables;
        return nullptr;
    }
    for (int b = 1; b < 256; ++b)
        for (int l = 0; l < 3; ++l)
            if (tables->contractions[size_t(b)].empty() && tables->bytes[size_t(b)].count[l] == 1)
                tables->single[l][b] = tables->bytes[size_t(b)].symbol[l][0];
    // Longest contraction first, so that the longest match wins.
    for (auto& list : tables->contractions)
        std::sort(list.begin(), list.end(),
                  [](const auto& a, const auto& b) { return a.bytes.size() > b.bytes.size(); });
    return tables;
}

} // namespace

const NameCollation& NameCollation::Instance() {
    static const NameCollation instance;
    return instance;
}

NameCollation::NameCollation(bool allowTables) : collator_(OpenCollator(UCOL_TERTIARY)) {
    if (allowTables)
        tables_ = BuildTables(collator_);
}

NameCollation::~NameCollation() {
    delete tables_;
    ucol_close(collator_);
}

int NameCollation::Compare(std::string_view a, std::string_view b) const {
    std::u16string ua = ToUtf16(a), ub = ToUtf16(b);
    return int(ucol_strcoll(collator_, reinterpret_cast<const UChar*>(ua.data()),
                            int32_t(ua.size()), reinterpret_cast<const UChar*>(ub.data()),
                            int32_t(ub.size())));
}

void NameCollation::AppendIcuKey(std::string_view text, std::string& out) const {
    std::u16string u = ToUtf16(text);
    size_t base = out.size();
    int32_t room = int32_t(text.size() * 8 + 32);
    for (;;) {
        out.resize(base + size_t(room));
        int32_t need =
            ucol_getSortKey(collator_, reinterpret_cast<const UChar*>(u.data()), int32_t(u.size()),
                            reinterpret_cast<uint8_t*>(out.data() + base), room);
        if (need <= room) {
            out.resize(base + size_t(need > 0 ? need - 1 : 0)); // drop ICU's terminating NUL
            return;
        }
        room = need;
    }
}

void NameCollation::AppendKey(std::string_view text, std::string& out) const {
    if (!tables_) {
        AppendIcuKey(text, out);
        return;
    }
    tables_->AppendLevel(text, 0, out);
    out += '\x01';
    tables_->AppendLevel(text, 1, out);
    out += '\x01';
    tables_->AppendLevel(text, 2, out);
}

void NameCollation::AppendPrimaryKey(std::string_view text, std::string& out) const {
    if (!tables_) {
        // ICU's full key is a valid coarse key too: equal keys are then simply equal texts.
        AppendIcuKey(text, out);
        return;
    }
    tables_->AppendLevel(text, 0, out);
}

} // namespace torvel
