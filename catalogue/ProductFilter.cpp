#include "catalogue/ProductFilter.h"

#include "util/uFuncoes.h"

#include <algorithm>
#include <cstring>

namespace torvel {
namespace {

bool IsBlankChar(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Letters of Windows-1252, accented ones included.
bool IsLetter(char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
        return true;
    switch (c) {
    case 0x83:
    case 0x8A:
    case 0x8C:
    case 0x8E:
    case 0x9A:
    case 0x9C:
    case 0x9E:
    case 0x9F:
    case 0xAA:
    case 0xB5:
    case 0xBA:
        return true;
    default:
        return c >= 0xC0 && c != 0xD7 && c != 0xF7;
    }
}

bool IsWordStart(char c) {
    return IsLetter(c) || c == '_';
}

bool IsWordChar(char c) {
    return IsWordStart(c) || IsDigit(c);
}

// Case-insensitive for ASCII letters and for the c cedilla (0xC7/0xE7).
bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    auto fold = [](char ch) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 'a' && c <= 'z')
            return char(c - 'a' + 'A');
        if (c == 0xE7)
            return char(0xC7);
        return ch;
    };
    for (size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i]))
            return false;
    return true;
}

// Reads the filter text from left to right; pos_ is the next character to read.
struct Parser {
    explicit Parser(std::string_view text) : s_(text) {}

    std::string_view Word() const {
        if (pos_ >= s_.size() || !IsWordStart(s_[pos_]))
            return {};
        size_t end = pos_ + 1;
        while (end < s_.size() && IsWordChar(s_[end]))
            ++end;
        return s_.substr(pos_, end - pos_);
    }

    void SkipBlanks() {
        while (pos_ < s_.size() && IsBlankChar(s_[pos_]))
            ++pos_;
    }

    bool AtEnd() {
        SkipBlanks();
        return pos_ >= s_.size();
    }

    bool AcceptWord(std::string_view keyword) {
        SkipBlanks();
        std::string_view w = Word();
        if (!SameWord(w, keyword))
            return false;
        pos_ += w.size();
        return true;
    }

    bool AcceptChar(char c) {
        SkipBlanks();
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    [[noreturn]] void Fail(const std::string& what) const {
        std::string where;
        if (pos_ >= s_.size()) {
            where = " at the end of the filter";
        } else {
            std::string_view rest = s_.substr(pos_, 24);
            where =
                " at \"" + std::string(rest) + (pos_ + rest.size() < s_.size() ? "...\"" : "\"");
        }
        throw FilterError("Invalid filter: " + what + where);
    }

    ProductField Field() {
        SkipBlanks();
        std::string_view w = Word();
        if (w.empty())
            Fail("field name expected");
        static constexpr struct {
            std::string_view name;
            ProductField field;
        } kFields[] = {{"CTRO", ProductField::Ctro},
                       {"ID", ProductField::Id},
                       {"MARCA", ProductField::Marca},
                       {"NOME", ProductField::Nome},
                       {"REFERENCIA", ProductField::Referencia},
                       {"UND", ProductField::Und},
                       {"PRE\xC7O", ProductField::Preco}};
        for (const auto& f : kFields) {
            if (SameWord(w, f.name)) {
                pos_ += w.size();
                return f.field;
            }
        }
        throw FilterError("Invalid filter: field '" + std::string(w) + "' not found");
    }

    // A quoted text, the opening apostrophe at the current position.
    std::string Quoted() {
        size_t i = pos_ + 1;
        std::string out;
        for (;;) {
            if (i >= s_.size()) {
                pos_ = s_.size();
                Fail("unterminated quoted text");
            }
            char c = s_[i];
            if (c != '\'') {
                out += c;
                ++i;
                continue;
            }
            if (i + 1 < s_.size() && s_[i + 1] == '\'') {
                out += '\'';
                i += 2;
                continue;
            }
            // A single apostrophe before a plain word is part of the text; otherwise it closes.
            size_t save = pos_;
            pos_ = i + 1;
            std::string_view w = Word();
            pos_ = save;
            if (!w.empty() && !SameWord(w, "AND") && !SameWord(w, "LIKE")) {
                out += c;
                ++i;
                continue;
            }
            pos_ = i + 1;
            return out;
        }
    }

    // A bare value: everything up to the next word AND that stands after a blank, or to the end.
    std::string Bare() {
        SkipBlanks();
        size_t end = pos_;
        for (; end < s_.size(); ++end) {
            if (end > pos_ && !IsBlankChar(s_[end - 1]))
                continue;
            if (end + 3 <= s_.size() && SameWord(s_.substr(end, 3), "AND") &&
                (end + 3 == s_.size() || !IsWordChar(s_[end + 3])))
                break;
        }
        size_t last = end;
        while (last > pos_ && IsBlankChar(s_[last - 1]))
            --last;
        std::string value(s_.substr(pos_, last - pos_));
        if (value.empty())
            Fail("value expected after \"=\"");
        pos_ = end;
        return value;
    }

    char Peek() {
        SkipBlanks();
        return pos_ < s_.size() ? s_[pos_] : '\0';
    }

    std::string_view s_;
    size_t pos_ = 0;
};

} // namespace

std::string_view SearchModeName(SearchMode mode) {
    switch (mode) {
    case SearchMode::Codigo:
        return "CODIGO";
    case SearchMode::Descricao:
        return "DESCRICAO";
    case SearchMode::Marca:
        return "MARCA";
    case SearchMode::Semelhanca:
        return "SEMELHANCA";
    case SearchMode::Referencia:
        return "REFERENCIA";
    case SearchMode::None:
        break;
    }
    return {};
}

SearchMode SearchModeFromName(std::string_view name) {
    for (SearchMode mode : {SearchMode::Codigo, SearchMode::Descricao, SearchMode::Marca,
                            SearchMode::Semelhanca, SearchMode::Referencia})
        if (name == SearchModeName(mode))
            return mode;
    return SearchMode::None;
}

std::string PrepareSearchText(SearchMode mode, std::string_view text) {
    if (mode == SearchMode::Codigo)
        return NormalizeNumberText(DigitsOnly(text, 0, false), false);
    return std::string(text);
}

std::string BuildSearchFilter(SearchMode mode, std::string_view searchText,
                              std::string_view storeId) {
    std::string t(searchText);
    std::string clause;
    switch (mode) {
    case SearchMode::Descricao:
        clause = " Upper(NOME) like '" + t + "%'" + " And ";
        break;
    case SearchMode::Semelhanca:
        clause = " Upper(NOME) like '%" + t + "%'" + " And ";
        break;
    case SearchMode::Marca:
        clause = " Upper(MARCA) like '" + t + "%'" + " And ";
        break;
    case SearchMode::Referencia:
        clause = " REFERENCIA like '" + t + "%'" + " And ";
        break;
    case SearchMode::Codigo:
        clause = " ID =" + t + " And ";
        break;
    case SearchMode::None:
        break;
    }
    return clause + " CTRO=" + std::string(storeId);
}

LikePattern::LikePattern(std::string_view pattern) {
    Segment current;
    bool first = true;
    auto close = [&] {
        if (!current.bytes.empty())
            segments_.push_back(std::move(current));
        current = Segment{};
    };
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '%') {
            hasPercent_ = true;
            if (first)
                leadingPercent_ = true;
            close();
            trailingPercent_ = true;
            first = false;
            continue;
        }
        first = false;
        trailingPercent_ = false;
        bool any = false;
        if (c == '_') {
            any = true;
        } else if (c == '\\' && i + 1 < pattern.size()) {
            c = pattern[++i]; // a "\" at the very end stands for itself
        }
        current.bytes += c;
        current.any.push_back(any);
        current.hasAny = current.hasAny || any;
    }
    close();
}

bool LikePattern::Segment::MatchesAt(std::string_view value, size_t pos) const {
    if (pos + bytes.size() > value.size())
        return false;
    if (!hasAny)
        return std::memcmp(value.data() + pos, bytes.data(), bytes.size()) == 0;
    for (size_t k = 0; k < bytes.size(); ++k)
        if (!any[k] && value[pos + k] != bytes[k])
            return false;
    return true;
}

// The first position in [from, limit - size] where the segment matches, or npos.
size_t LikePattern::Segment::Find(std::string_view value, size_t from, size_t limit) const {
    if (limit < bytes.size() || from > limit - bytes.size())
        return std::string_view::npos;
    if (!hasAny)
        return value.substr(0, limit).find(bytes, from);
    // Look for the first fixed byte of the segment and try the places where it occurs.
    size_t fixed = 0;
    while (fixed < bytes.size() && any[fixed])
        ++fixed;
    if (fixed == bytes.size())
        return from; // only "_": any place with room will do
    const size_t last = limit - bytes.size();
    for (size_t p = from; p <= last;) {
        const void* hit = std::memchr(value.data() + p + fixed, bytes[fixed], last - p + 1);
        if (!hit)
            break;
        p = size_t(static_cast<const char*>(hit) - value.data()) - fixed;
        if (MatchesAt(value, p))
            return p;
        ++p;
    }
    return std::string_view::npos;
}

bool LikePattern::Matches(std::string_view value) const {
    if (!hasPercent_)
        return segments_.empty()
                   ? value.empty()
                   : value.size() == segments_[0].bytes.size() && segments_[0].MatchesAt(value, 0);
    size_t first = 0;
    size_t last = segments_.size();
    size_t pos = 0;
    size_t limit = value.size();
    if (!leadingPercent_) {
        if (!segments_[0].MatchesAt(value, 0))
            return false;
        pos = segments_[0].bytes.size();
        first = 1;
    }
    if (!trailingPercent_) {
        const Segment& tail = segments_.back();
        if (value.size() < pos + tail.bytes.size() ||
            !tail.MatchesAt(value, value.size() - tail.bytes.size()))
            return false;
        limit = value.size() - tail.bytes.size();
        --last;
    }
    // Taking each middle run at its leftmost place leaves the most room for the next.
    for (size_t i = first; i < last; ++i) {
        size_t at = segments_[i].Find(value, pos, limit);
        if (at == std::string_view::npos)
            return false;
        pos = at + segments_[i].bytes.size();
    }
    return true;
}

ProductFilter::ProductFilter(std::string_view text) {
    Parser p(text);
    do {
        p.SkipBlanks();
        bool upper = false;
        ProductField field;
        std::string_view w = p.Word();
        if (SameWord(w, "UPPER")) {
            p.pos_ += w.size();
            if (!p.AcceptChar('('))
                p.Fail("\"(\" expected after Upper");
            field = p.Field();
            if (!p.AcceptChar(')'))
                p.Fail("\")\" expected");
            upper = true;
        } else {
            field = p.Field();
        }
        if (p.AcceptWord("LIKE")) {
            if (p.Peek() != '\'')
                p.Fail("quoted text expected after like");
            std::string pattern = p.Quoted();
            conditions_.push_back(Condition{field, upper, true, {}, LikePattern(pattern)});
        } else if (p.AcceptChar('=')) {
            std::string value = p.Peek() == '\'' ? p.Quoted() : p.Bare();
            conditions_.push_back(Condition{field, upper, false, value, LikePattern("")});
        } else {
            p.Fail("like or \"=\" expected");
        }
    } while (p.AcceptWord("AND"));
    if (!p.AtEnd())
        p.Fail("AND expected");
    // Exact comparisons first: they are cheap and the store's usually rules out most rows.
    std::stable_partition(conditions_.begin(), conditions_.end(),
                          [](const Condition& c) { return !c.like; });
}

bool ProductFilter::Passes(const Condition& c, const ProductTable& table, uint32_t line,
                           std::string& scratch) const {
    std::string_view value =
        c.upper ? table.LineUpperField(line, c.field, scratch) : table.LineField(line, c.field);
    return c.like ? c.pattern.Matches(value) : value == c.value;
}

// The products are visited in file order, as the table holds them, and their rows noted in a
// bitmap, which then gives them in name order.
std::vector<uint32_t> ProductFilter::Apply(const ProductTable& table) const {
    const uint32_t count = uint32_t(table.size());
    std::vector<uint64_t> passed((size_t(count) + 63) / 64);
    size_t found = 0;
    std::string scratch;
    for (uint32_t line = 0; line < count; ++line) {
        bool pass = true;
        for (const Condition& c : conditions_) {
            if (!Passes(c, table, line, scratch)) {
                pass = false;
                break;
            }
        }
        if (pass) {
            const uint32_t row = table.RowOfLine(line);
            passed[row / 64] |= uint64_t(1) << (row % 64);
            ++found;
        }
    }
    std::vector<uint32_t> rows;
    rows.reserve(found);
    for (size_t w = 0; w < passed.size(); ++w)
        for (uint64_t bits = passed[w]; bits; bits &= bits - 1)
            rows.push_back(uint32_t(w * 64 + size_t(__builtin_ctzll(bits))));
    return rows;
}

} // namespace torvel
