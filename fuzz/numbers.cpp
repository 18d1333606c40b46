// Number texts: what ParseNumber reads must format and read back; NormalizeNumberText and the
// digit filter take any text.
#include "util/Numbers.h"
#include "FuzzSupport.h"
#include "util/Errors.h"
#include "util/uFuncoes.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvel;
    const std::string_view text = fuzz::Text(data, size);
    NormalizeNumberText(text, false);
    NormalizeNumberText(text, true);
    DigitsOnly(text, int(size % 7) - 1, size % 2 == 0);
    ReadNumber(text, '.');
    try {
        const double value = ParseNumber(text);
        if (std::isfinite(value)) {
            ParseNumber(FormatAmount(value));
            ParseNumber(FormatQuantity(value));
            ParseNumber(FormatFixed(value, int(size % 8)));
            FormatPattern(value, "######0.00");
        }
    } catch (const ConversionError&) {
    }
    return 0;
}
