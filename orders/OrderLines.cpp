#include "orders/OrderLines.h"

#include "catalogue/CatalogueFile.h"
#include "util/Errors.h"
#include "util/Numbers.h"

#include <algorithm>
#include <unordered_map>

namespace torvel {

namespace {

// A "|" inside a cell would cut the row into seven cells and shift every column after it.
std::string CellText(std::string_view text) {
    std::string cell(text);
    std::replace(cell.begin(), cell.end(), '|', ' ');
    return cell;
}

const std::string& Field(const std::vector<std::string>& fields, int index) {
    if (index < 0 || static_cast<size_t>(index) >= fields.size())
        throw ListIndexError(index);
    return fields[static_cast<size_t>(index)];
}

} // namespace

std::string OrderLineText(std::string_view itemNo, std::string_view code,
                          std::string_view description, std::string_view unitPrice,
                          std::string_view quantity, std::string_view total) {
    std::string price = FormatAmount(ParseNumber(unitPrice));
    std::string amount = FormatQuantity(ParseNumber(quantity));
    std::string lineTotal = FormatAmount(ParseNumber(total));
    std::string row(itemNo);
    row.append("|").append(CellText(code));
    row.append("|").append(CellText(description));
    row.append("|").append(price);
    row.append("|").append(amount);
    row.append("|").append(lineTotal);
    return row;
}

std::string LineTotal(double quantity, std::string_view unitPrice) {
    return FormatAmount(quantity * ParseNumber(unitPrice));
}

std::string CommaDecimal(std::string_view price) {
    std::string text(price);
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

std::string OrderTotal(const RowList& rows) {
    std::string total = "0,00";
    for (int r = 1; r <= rows.RowCount(); ++r)
        total = FormatAmount(ParseNumber(total) + ParseNumber(rows.GetCell(6, r)));
    return total;
}

std::string ItemRowFromRecord(const std::vector<std::string>& fields) {
    const std::string& item = Field(fields, 0);
    const std::string& code = Field(fields, 1);
    const std::string& price = Field(fields, 7);
    const std::string& quantity = Field(fields, 5);
    const std::string& total = Field(fields, 8);
    return item + "|" + code + "||" + price + "|" + quantity + "|" + total;
}

void FillDescriptions(RowList& rows, const CatalogueRecords& catalogue) {
    if (rows.RowCount() == 0)
        return;
    // Every row scans the whole catalogue in file order, so the scans stop at the first record
    // without a code; an index of the records before it gives the same result without scanning
    // the catalogue once per row.
    size_t readable = 0;
    std::unordered_map<std::string_view, std::vector<size_t>> byCode;
    for (; readable < catalogue.size(); ++readable) {
        const CatalogueRecord record = catalogue[readable];
        if (record.size() < 2)
            break;
        byCode[record[1]].push_back(readable);
    }
    for (int r = 1; r <= rows.RowCount(); ++r) {
        auto hit = byCode.find(rows.GetCell(2, r));
        if (hit != byCode.end()) {
            for (size_t index : hit->second)
                rows.SetCell(3, r, catalogue[index].At(3));
        }
        if (readable < catalogue.size())
            throw ListIndexError(1);
    }
}

} // namespace torvel
