// The search of the product window: the filter text built from a search mode, and a reader for
// that small filter language that selects the products of the product table.
//
// The language: conditions joined by AND (no OR, so the store condition that every search ends
// with always holds). A condition is `FIELD like 'pattern'`, `Upper(FIELD) like 'pattern'`,
// `FIELD = value` or `Upper(FIELD) = value`, where a value is a quoted text or a bare text
// running to the next AND. Keywords and field names are read in any case. In a quoted text ''
// stands for one apostrophe, and a single apostrophe followed by a plain word (one that starts
// with a letter and is not AND or LIKE) is an ordinary character. In a pattern "%" stands for
// any run of characters, "_" for one character, and "\" makes the next character stand for
// itself; everything else must match exactly, case included. Upper uses the locale's capitals.
#pragma once

#include "catalogue/ProductTable.h"
#include "util/Errors.h"

#include <string>
#include <string_view>
#include <vector>

namespace torvel {

// A filter text that cannot be read.
class FilterError : public Error {
public:
    using Error::Error;
};

enum class SearchMode { None, Codigo, Descricao, Marca, Semelhanca, Referencia };

// "CODIGO", "DESCRICAO", "MARCA", "SEMELHANCA", "REFERENCIA"; empty for None.
std::string_view SearchModeName(SearchMode mode);
// The mode whose name the text is exactly; None otherwise.
SearchMode SearchModeFromName(std::string_view name);

// The search text as the search uses it: for CODIGO the typed digits ("0" when there are none),
// for the other modes the text unchanged.
std::string PrepareSearchText(SearchMode mode, std::string_view text);

// The filter for a search: the mode's clause with the text inserted unchanged (not escaped),
// then " CTRO=" and the store id. DESCRICAO, "AB", "34" gives " Upper(NOME) like 'AB%' And
// CTRO=34". None has no clause: " CTRO=34".
std::string BuildSearchFilter(SearchMode mode, std::string_view searchText,
                              std::string_view storeId);

// A "like" pattern, compiled once to be matched against many values.
class LikePattern {
public:
    explicit LikePattern(std::string_view pattern);
    bool Matches(std::string_view value) const;

private:
    // A run of the pattern between two "%": literal bytes, with "_" positions marked.
    struct Segment {
        std::string bytes;
        std::vector<bool> any; // per byte: a "_" there
        bool hasAny = false;
        bool MatchesAt(std::string_view value, size_t pos) const;
        size_t Find(std::string_view value, size_t from, size_t limit) const;
    };
    bool hasPercent_ = false;
    bool leadingPercent_ = false;
    bool trailingPercent_ = false;
    std::vector<Segment> segments_; // the non-empty ones
};

class ProductFilter {
public:
    // Reads a filter text; throws FilterError where it cannot be read.
    explicit ProductFilter(std::string_view text);

    // The rows of the table that pass, in name order.
    std::vector<uint32_t> Apply(const ProductTable& table) const;

private:
    struct Condition {
        ProductField field;
        bool upper;
        bool like;
        std::string value;   // for "="
        LikePattern pattern; // for "like"
    };
    bool Passes(const Condition& c, const ProductTable& table, uint32_t line,
                std::string& scratch) const;
    std::vector<Condition> conditions_;
};

} // namespace torvel
