// The catalogue file read through CatalogueLoad must cut records and fields exactly as SplitAt
// does (lines first, then "|"); the product table and the code lookup then read the same text.
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
    try {
        ProductTable table;
        table.LoadText(text);
    } catch (const ListIndexError&) {
    }
    return 0;
}
