// The local catalogue file: one product per line, fields separated by "|", replaced by every
// download and read afresh by every reader.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace torvel {

// The one name under which the catalogue is written and read, in the current directory.
inline constexpr const char* kCatalogueFileName = "Itens.Txt";

class CatalogueRecords;

// One record of the catalogue: a view of its fields, valid while its CatalogueRecords lives.
// Fields are found when asked for, by walking the line from its start.
class CatalogueRecord {
public:
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    // The field; index must be below size().
    std::string_view operator[](size_t index) const;
    // The field, or ListIndexError(index) when the record has no such field.
    std::string_view At(size_t index) const;
    std::vector<std::string> Fields() const;

private:
    friend class CatalogueRecords;
    CatalogueRecord(std::string_view line, uint32_t count) : line_(line), count_(count) {}
    std::string_view line_;
    uint32_t count_;
};

// The records of a catalogue text in file order. Holds the text once and notes where each line
// lies and how many fields it has, so that a large catalogue loads without a string per field.
class CatalogueRecords {
public:
    CatalogueRecords() = default;
    // Cuts the text into records and fields by the text-list rule (see CatalogueLineReader).
    explicit CatalogueRecords(std::string text);

    size_t size() const { return lines_.size(); }
    bool empty() const { return lines_.empty(); }
    CatalogueRecord operator[](size_t index) const {
        const Line& l = lines_[index];
        return CatalogueRecord(std::string_view(text_.data() + l.start, l.length), l.count);
    }

    class Iterator {
    public:
        using value_type = CatalogueRecord;
        using difference_type = std::ptrdiff_t;
        Iterator() = default;
        Iterator(const CatalogueRecords* owner, size_t index) : owner_(owner), index_(index) {}
        CatalogueRecord operator*() const { return (*owner_)[index_]; }
        Iterator& operator++() {
            ++index_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator old = *this;
            ++index_;
            return old;
        }
        bool operator==(const Iterator& other) const { return index_ == other.index_; }

    private:
        const CatalogueRecords* owner_ = nullptr;
        size_t index_ = 0;
    };
    Iterator begin() const { return Iterator(this, 0); }
    Iterator end() const { return Iterator(this, size()); }

private:
    struct Line {
        uint32_t start;
        uint32_t length; // up to the end of the last field
        uint32_t count;  // fields
    };
    std::string text_;
    std::vector<Line> lines_;
};

// Reads the catalogue file of the current directory. A file that cannot be opened throws
// FileError 'Cannot open file "Itens.Txt". <reason>'.
CatalogueRecords CatalogueLoad();

// The bytes of the catalogue file for a download reply body: every ";" becomes a CR, the result
// is cut into lines by the text-list rule, and each line is written followed by CR LF.
std::string CatalogueFileText(std::string_view body);

// Replaces the catalogue file with the records of a reply body. The file is replaced whole or
// not at all: a failure throws FileError and leaves the former file as it was.
void WriteCatalogue(std::string_view body);

// The code lookup's scan: the last record, before any record it cannot read, whose field 1 is
// `code` and field 0 is `store`, both exactly. Every record must have a field 1, and a matching
// record also fields 3, 5 and 6; the first one that does not stops the scan with the index of
// the missing field in `missingField`, keeping the match found before it.
struct ProductMatch {
    std::ptrdiff_t record = -1; // index into the records; -1 when nothing matched
    int missingField = -1;      // -1 when the scan read every record
};
ProductMatch FindLastProduct(const CatalogueRecords& records, std::string_view store,
                             std::string_view code);

// The same scan over the catalogue file of the current directory, read afresh in pieces of about
// a megabyte, so that a large file is never held whole: the fields of the last match (none when
// nothing matched) and the missing field that stopped the scan, as FindLastProduct gives them.
// A file that cannot be opened throws as CatalogueLoad does.
struct CatalogueLookup {
    std::vector<std::string> record;
    int missingField = -1;
};
CatalogueLookup LookupInCatalogue(std::string_view store, std::string_view code);

// LookupInCatalogue for each of `codes`, in one reading of the file: the answer at each position
// is the one that LookupInCatalogue gives for the code at that position.
std::vector<CatalogueLookup> LookupManyInCatalogue(std::string_view store,
                                                   const std::vector<std::string>& codes);

// Reads a catalogue text line by line by the text-list rule: a NUL byte ends the text; lines
// end at CR, LF or CR LF; a break at the very end adds no empty line; the empty text has no
// lines. Within a line every "|" is a break of the same rule, so an empty line has no fields, a
// trailing "|" adds no empty last field, and "||" gives two empty fields.
class CatalogueLineReader {
public:
    explicit CatalogueLineReader(std::string_view text)
        : p_(text.data()), end_(text.data() + text.size()) {}
    // The next line's fields (views into the text) replace those in `fields`; false at the end.
    bool Next(std::vector<std::string_view>& fields);
    // The next line without its break, and how many fields it has; false at the end. The
    // fields run from the line's start to its end, less a trailing "|".
    bool NextLine(std::string_view& line, size_t& fieldCount);
    // The same, noting where the line's first kNotedBars "|" are (as many as it has).
    static constexpr size_t kNotedBars = 8;
    bool NextLine(std::string_view& line, size_t& fieldCount,
                  std::array<const char*, kNotedBars>& bars);

private:
    template <size_t Places>
    bool ScanLine(std::string_view& line, size_t& fieldCount, const char** barPlaces);
    const char* p_;
    const char* end_;
};

} // namespace torvel
