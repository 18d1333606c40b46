// A list of product codes and quantities pasted or dropped on the order editor, read into the
// lines to enter and the lines that cannot be entered.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace torvel {

// Why a line of a list is not entered.
enum class ListLineFault { None, NoCode, BadQuantity, UnknownCode };

// One line of the list that holds something. Texts are Windows-1252.
struct ListLine {
    int number = 0;       // 1-based, counting every line of the text, empty ones included
    std::string text;     // the line as it came, without its break
    std::string code;     // upper-cased
    std::string quantity; // with a decimal comma, as Qtd takes it; "1" when the line gives none
    ListLineFault fault = ListLineFault::None;
};

// Whether a clipboard text is a list rather than a code: more than one line, or one line with a
// tab or a ";". A single trailing break does not make a second line.
bool IsOrderList(std::string_view text);

// The lines of a list. Lines end at CR LF, LF or CR; empty and blank lines are skipped. Fields
// are split at tabs or ";" when the line has any, else at `comma` when it is not 0, else at runs
// of blanks; a field may be quoted with '"'. Field 1 is the code, field 2 the quantity, further
// fields are ignored. The first line that holds something is a header, and skipped, when its
// quantity field is there and is not a number.
std::vector<ListLine> ReadOrderList(std::string_view text, char comma = 0);

// The extra field separator of a list file: "," for a ".csv" file with no tab and no ";" in it
// (a quantity with a decimal comma is then quoted, as spreadsheets write it), else none.
char ListFileComma(std::string_view fileName, std::string_view text);

// The bytes of a list file as Windows-1252: UTF-8 when they are valid UTF-8 (a BOM dropped,
// characters outside the code page as "?"), else taken as Windows-1252 already.
std::string ListFileText(std::string_view bytes);

// A quantity as a spreadsheet writes it, with a decimal comma: "2", "2,5", "2.5" -> "2,5".
// A "." is a decimal point only when it is the one separator and is not followed by exactly
// three digits after a whole part other than 0 ("1.000" could be a thousand, "0.125" cannot).
// Empty when it is not a non-negative number with at most three decimals.
std::string ListQuantity(std::string_view text);

} // namespace torvel
