// The catalogue file read through CatalogueLoad must cut records and fields exactly as SplitAt
// does (lines first, then "|"); the product table and the code lookup then read the same text,
// and the table holds what the records hold.
#include "FuzzSupport.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/ProductTable.h"
#include "util/Errors.h"
#include "util/uFuncoes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvel;
    const std::string_view text = fuzz::Text(data, size);
    fuzz::WriteFile(kCatalogueFileName, text);
    const CatalogueRecords records = CatalogueLoad();
    const std::vector<std::string> lines = SplitAt(text, '\n');
    FUZZ_CHECK(records.size() == lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        FUZZ_CHECK(records[i].Fields() == SplitAt(lines[i], '|'));

    FindLastProduct(records, "34", "1");
    CatalogueRecords(CatalogueFileText(text));
    // The table holds the products of the lines before any short one, each field cut, with the
    // capitals of names and brands; every line is at its row of the name order.
    ProductTable table;
    try {
        table.LoadText(text);
    } catch (const ListIndexError&) {
    }
    FUZZ_CHECK(table.size() <= records.size());
    std::string scratch;
    for (uint32_t row = 0; row < table.size(); ++row) {
        const uint32_t line = table.LineOfRow(row);
        FUZZ_CHECK(line < records.size() && table.RowOfLine(line) == row);
        const CatalogueRecord record = records[line];
        FUZZ_CHECK(record.size() >= kProductFieldCount);
        for (size_t k = 0; k < kProductFieldCount; ++k) {
            const ProductField field = ProductField(k);
            FUZZ_CHECK(table.Field(row, field) == record[k].substr(0, kProductFieldMaxLength[k]));
            FUZZ_CHECK(table.UpperField(row, field, scratch) == UpperCase(table.Field(row, field)));
        }
    }
    return 0;
}
