// A row file read by LoadRows, then the list operations that read its cells.
#include "FuzzSupport.h"
#include "controls/RowList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace torvel;
    const std::string_view text = fuzz::Text(data, size);
    fuzz::WriteFile("GProd_0.Txt", text);
    RowList rows;
    const int loaded = rows.LoadRows("GProd_0.Txt");
    FUZZ_CHECK(loaded == rows.RowCount());
    // Rows read from a file hold no line break or NUL: saved and read again, they stay as many.
    RowList again;
    FUZZ_CHECK(again.AppendLines(rows.RowFileText()) == loaded);
    rows.SetChecked(1, true);
    for (int column = 0; column <= 7; ++column) {
        rows.SumColumn(column, false);
        rows.SumColumn(column, true);
        rows.GetCell(column, loaded);
    }
    rows.AddRow(text, 0);
    rows.AddRow(text, 1);
    rows.NumberRows(1);
    rows.SetCell(2, 2, text);
    rows.DeleteRow(1);
    again.AppendLines(rows.RowFileText());
    return 0;
}
