// The product filter language: a filter text read and applied to a small product table, the
// input as a "like" pattern, and the filters the search window builds from a typed text.
#include "FuzzSupport.h"
#include "catalogue/ProductFilter.h"

namespace {

const torvel::ProductTable& Table() {
    static const torvel::ProductTable table = [] {
        torvel::ProductTable t;
        t.LoadText("34|1|ACME|Parafuso sextavado|P-1|UN|0.10|0.15\r\n"
                   "34|2|Tigre|\xC1gua sanit\xE1ria 1L|AS-1|L|3.50|4.20\r\n"
                   "35|10|BelVo|caf\xE9 100% puro_|C'1|KG|21.90|25.00\r\n"
                   "34|11||O'Neil \\ barra|||||\r\n");
        return t;
    }();
    return table;
}

// What a "like" pattern means, step by step: "%" any run of bytes, "_" one byte, a backslash
// the next byte itself (at the very end, itself).
bool Like(std::string_view pattern, std::string_view value) {
    struct Token {
        bool percent, any;
        char c;
    };
    std::vector<Token> tokens;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '\\' && i + 1 < pattern.size())
            tokens.push_back({false, false, pattern[++i]});
        else
            tokens.push_back({c == '%', c == '_', c});
    }
    // fits[j]: the tokens from the current one on match value[j..].
    std::vector<char> fits(value.size() + 1, 0), next;
    fits[value.size()] = 1;
    for (size_t t = tokens.size(); t-- > 0;) {
        next.assign(value.size() + 1, 0);
        for (size_t j = value.size() + 1; j-- > 0;) {
            const Token& k = tokens[t];
            if (k.percent)
                next[j] = fits[j] || (j < value.size() && next[j + 1]);
            else
                next[j] = j < value.size() && (k.any || value[j] == k.c) && fits[j + 1];
        }
        fits.swap(next);
    }
    return fits[0];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvel;
    const std::string_view text = fuzz::Text(data, size);
    try {
        ProductFilter(text).Apply(Table());
    } catch (const FilterError&) {
    }
    // The first byte tells how long the pattern is; the value follows it.
    if (size > 0) {
        const std::string_view rest = text.substr(1);
        const std::string_view pattern = rest.substr(0, data[0] % (rest.size() + 1));
        const std::string_view value = rest.substr(pattern.size());
        FUZZ_CHECK(LikePattern(pattern).Matches(value) == Like(pattern, value));
    }
    for (int mode = 0; mode <= int(SearchMode::Referencia); ++mode) {
        const auto m = SearchMode(mode);
        try {
            ProductFilter(BuildSearchFilter(m, PrepareSearchText(m, text), "34")).Apply(Table());
        } catch (const FilterError&) {
        }
    }
    return 0;
}
