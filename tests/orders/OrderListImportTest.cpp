// Reading a pasted or dropped list: what a spreadsheet puts on the clipboard, the quantities, the
// header, the faults of a line and the encodings of a file.
#include "orders/OrderListImport.h"

#include <gtest/gtest.h>

namespace torvel {
namespace {

// "number:code:quantity:fault" for each line, ";" after each.
std::string Read(std::string_view text, char comma = 0) {
    std::string out;
    for (const ListLine& l : ReadOrderList(text, comma))
        out += std::to_string(l.number) + ":" + l.code + ":" + l.quantity + ":" +
               std::to_string(int(l.fault)) + ";";
    return out;
}

TEST(OrderListImport, SpreadsheetClipboard) {
    // A sheet copied with its header row: tabs, CR LF, a trailing break, an empty row.
    EXPECT_EQ(Read("C\xF3"
                   "digo\tQuantidade\r\nabc1\t2\r\n\r\n1050\t1,5\r\n2210\t\r\n"),
              "2:ABC1:2:0;4:1050:1,5:0;5:2210:1:0;");
    // ";" and blanks as separators, a code alone, further columns ignored, LF and CR breaks.
    EXPECT_EQ(Read("10;3;ARROZ\n11  4\r12\n \t \n;;\n"), "1:10:3:0;2:11:4:0;3:12:1:0;");
    // A first line with a code alone is no header; a later line with a bad quantity is a fault.
    EXPECT_EQ(Read("Codigo\n10\tdois\n\t5\n"), "1:CODIGO:1:0;2:10::2;3::5:1;");
}

TEST(OrderListImport, QuantitiesWithAPoint) {
    EXPECT_EQ(ListQuantity("2.5"), "2,5");
    EXPECT_EQ(ListQuantity(" 12,25 "), "12,25");
    EXPECT_EQ(ListQuantity("0.125"), "0,125");
    EXPECT_EQ(ListQuantity("10"), "10");
    // A thousand or one? Either way a guess: refused, like a point beside a comma.
    EXPECT_EQ(ListQuantity("1.000"), "");
    EXPECT_EQ(ListQuantity("1.234,5"), "");
    EXPECT_EQ(ListQuantity("1.2.3"), "");
    // More decimals than Qtd takes, a sign, letters, nothing.
    EXPECT_EQ(ListQuantity("1,2345"), "");
    EXPECT_EQ(ListQuantity("-2"), "");
    EXPECT_EQ(ListQuantity("2x"), "");
    EXPECT_EQ(ListQuantity(","), "");
}

TEST(OrderListImport, WhatIsAList) {
    EXPECT_FALSE(IsOrderList("1050"));
    EXPECT_FALSE(IsOrderList("1050\r\n"));
    EXPECT_FALSE(IsOrderList(""));
    EXPECT_TRUE(IsOrderList("1050\t2"));
    EXPECT_TRUE(IsOrderList("1050;2\r\n"));
    EXPECT_TRUE(IsOrderList("1050\n2210"));
}

TEST(OrderListImport, CsvFileFromWindows) {
    // Windows-1252 bytes (not valid UTF-8) stay as they are; UTF-8 becomes Windows-1252.
    EXPECT_EQ(ListFileText("C\xF3"
                           "digo"),
              "C\xF3"
              "digo");
    EXPECT_EQ(ListFileText("\xEF\xBB\xBF"
                           "C\xC3\xB3"
                           "digo \xE2\x82\xAC \xE4\xB8\x80"),
              "C\xF3"
              "digo \x80 ?");
    // "," separates in a .csv with neither tabs nor ";"; a decimal comma is then quoted.
    const std::string commas = "Produto,Qtd\r\n10,2\r\n11,\"2,5\"\r\n";
    EXPECT_EQ(ListFileComma("lista.CSV", commas), ',');
    EXPECT_EQ(Read(commas, ListFileComma("lista.csv", commas)), "2:10:2:0;3:11:2,5:0;");
    EXPECT_EQ(ListFileComma("lista.txt", commas), 0);
    EXPECT_EQ(ListFileComma("lista.csv", "10;2,5\r\n"), 0);
    EXPECT_EQ(Read("10;2,5\r\n", ListFileComma("lista.csv", "10;2,5\r\n")), "1:10:2,5:0;");
}

} // namespace
} // namespace torvel
