// The product table of the search window: the catalogue's products with their fields cut to
// fixed lengths, in linguistic order of their names, ready to be filtered many times.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace torvel {

class NameOrderMemo;
class ProductFilter;

// The fields of a product, in the order of the catalogue file (brand before name).
enum class ProductField : uint8_t { Ctro, Id, Marca, Nome, Referencia, Und, Preco, VSugerido };
inline constexpr size_t kProductFieldCount = 8;

// The longest value each field keeps; a longer one is cut when it is stored.
inline constexpr std::array<size_t, kProductFieldCount> kProductFieldMaxLength = {20, 50, 20, 60,
                                                                                  20, 10, 10, 10};

class ProductTable {
public:
    // Called now and then during a load (at most once every kProgressIntervalMs), so that the
    // caller can handle pending window events. It must not touch the table being loaded.
    using Progress = std::function<void()>;
    static constexpr int kProgressIntervalMs = 30;

    ProductTable();
    ~ProductTable();
    ProductTable(ProductTable&&) noexcept;
    ProductTable& operator=(ProductTable&&) noexcept;

    // Loads the catalogue file of the current directory, replacing what the table held, with
    // the memo of this run (NameOrderMemo::OfThisRun).
    // A file that cannot be opened throws FileError and leaves the table empty. A line with
    // fewer than eight fields ends the loading: the products of the lines before it stay (in
    // order), that line adds no product, and ListIndexError with its field count is thrown.
    void Load(const Progress& progress = {});
    // The same from the text of a catalogue file. With a memo, the name order is taken from it
    // when it was kept for these very bytes, and a text read to its end leaves its order there.
    void LoadText(std::string_view text, const Progress& progress = {},
                  NameOrderMemo* memo = nullptr);
    void Clear();

    size_t size() const { return order_.size(); }
    bool empty() const { return order_.empty(); }

    // A field of a product as stored (cut). Rows are numbered in ascending linguistic order of
    // the names, products with equal names in file order.
    std::string_view Field(size_t row, ProductField field) const {
        return LineField(order_[row], field);
    }
    // The field in capitals by the locale's rules, made in `scratch`.
    std::string_view UpperField(size_t row, ProductField field, std::string& scratch) const {
        return LineUpperField(order_[row], field, scratch);
    }

    // The same by the product's line in the file (0-based). The table holds its products in file
    // order, so a scan of every product reads it front to back by line.
    std::string_view LineField(uint32_t line, ProductField field) const {
        const Line& l = lines_[line];
        size_t offset = l.offset;
        for (size_t k = 0; k < size_t(field); ++k)
            offset += l.length[k] + 1u; // each field is followed by its "|"
        return std::string_view(text_.get() + offset, l.length[size_t(field)]);
    }
    std::string_view LineUpperField(uint32_t line, ProductField field, std::string& scratch) const;
    uint32_t RowOfLine(uint32_t line) const { return rowOfLine_[line]; }
    uint32_t LineOfRow(uint32_t row) const { return order_[row]; }

    // The rows that pass the filter, in name order.
    std::vector<uint32_t> Select(const ProductFilter& filter) const;

    // Bytes held by the table, for measurements.
    size_t MemoryBytes() const;

private:
    // A product in the catalogue text: its eight fields, cut, one after the other with a "|"
    // after each. A line with a field longer than its cut has been rewritten in place so.
    struct Line {
        uint32_t offset; // first field in text_
        uint8_t length[kProductFieldCount];
    };

    void Build(const Progress& progress, NameOrderMemo* memo);

    std::unique_ptr<char[]> text_; // the catalogue's bytes
    size_t textSize_ = 0;
    std::vector<Line> lines_;         // in file order
    std::vector<uint32_t> order_;     // row -> line
    std::vector<uint32_t> rowOfLine_; // line -> row
};

// Capitals of Windows-1252 text by the locale's rules: the same result as UpperCase, through a
// byte table where UpperCase maps byte to byte. The bytes from the text up to `readable`, where
// given, may be read (not used), which lets the text's tail be done sixteen bytes at a time.
void AppendUpperCase(std::string_view text, std::string& out, const char* readable = nullptr);

} // namespace torvel
