// The item rows of the order editor as texts: a row built from the entry fields or from a record
// of an order on the server, the order total, and descriptions filled in from the catalogue.
#pragma once

#include "controls/RowList.h"

#include <string>
#include <string_view>
#include <vector>

namespace torvel {

class CatalogueRecords;

// The six cells of an entered item joined by "|": item number, code, description, then the unit
// price and the line total as amounts and the quantity as a quantity. The three numbers are read
// in that order; one that does not read throws ConversionError. A "|" in the code or the
// description becomes a blank, so the row keeps its six cells.
std::string OrderLineText(std::string_view itemNo, std::string_view code,
                          std::string_view description, std::string_view unitPrice,
                          std::string_view quantity, std::string_view total);

// The line total of an item: quantity times the unit price text, as an amount.
std::string LineTotal(double quantity, std::string_view unitPrice);

// A catalogue price ("12.5") as the editor shows it ("12,5").
std::string CommaDecimal(std::string_view price);

// "0,00" plus cell 6 of every row, in row order, each partial sum written as an amount.
// Throws ConversionError at the first cell that does not read.
std::string OrderTotal(const RowList& rows);

// The editor row of one item record of a server order: fields 0, 1, an empty description, 7, 5
// and 8, as the server wrote them. A missing field throws ListIndexError with its index, looked
// for in the order 0, 1, 7, 5, 8.
std::string ItemRowFromRecord(const std::vector<std::string>& fields);

// Cell 3 of each row := field 3 of the last catalogue record whose field 1 equals the row's cell
// 2, whatever the record's store. Rows without a match keep their cell. A record without field 1
// stops the filling with ListIndexError(1) once the first row has taken what the records before
// it gave; a matching record without field 3 stops it with ListIndexError(3).
void FillDescriptions(RowList& rows, const CatalogueRecords& catalogue);

} // namespace torvel
