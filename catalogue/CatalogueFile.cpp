#include "catalogue/CatalogueFile.h"

#include "catalogue/ByteScan.h"

#include "util/Errors.h"
#include "util/SafeFile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace torvel {
namespace {

std::string_view UntilNul(std::string_view text) {
    if (const void* nul = std::memchr(text.data(), 0, text.size()))
        text = text.substr(0, size_t(static_cast<const char*>(nul) - text.data()));
    return text;
}

// Set bits of a 16-bit mask, without relying on a population-count instruction.
unsigned CountBits16(unsigned x) {
    x = x - ((x >> 1) & 0x5555u);
    x = (x & 0x3333u) + ((x >> 2) & 0x3333u);
    x = (x + (x >> 4)) & 0x0F0Fu;
    return (x + (x >> 8)) & 0x1Fu;
}

bool IsSpecial(char c) {
    return c == '|' || c == '\r' || c == '\n' || c == '\0';
}

} // namespace

// Finds the "|", CR, LF and NUL bytes sixteen at a time; a catalogue line has about ten of them
// in a hundred bytes, so most bytes are never looked at one by one.
bool CatalogueLineReader::Next(std::vector<std::string_view>& fields) {
    fields.clear();
    if (p_ >= end_)
        return false;
    const char* const lineStart = p_;
    const char* fieldStart = p_;
    const char* scan = p_;
    bool noLine = false;
    // Handles the special byte at q; true when it ended the line.
    auto special = [&](const char* q) {
        if (*q == '|') {
            fields.emplace_back(fieldStart, size_t(q - fieldStart));
            fieldStart = q + 1;
            return false;
        }
        // An empty last piece is no field: this drops it after a trailing "|" and makes the
        // empty line a record without fields.
        if (q > fieldStart)
            fields.emplace_back(fieldStart, size_t(q - fieldStart));
        if (*q == '\0') { // the text ends here, and with it a line that has not begun
            end_ = q;
            p_ = q;
            noLine = q == lineStart;
            return true;
        }
        p_ = (*q == '\r' && q + 1 < end_ && q[1] == '\n') ? q + 2 : q + 1;
        return true;
    };
#if defined(__SSE2__)
    while (end_ - scan >= 16) {
        unsigned mask = Match16<'|', '\r', '\n', '\0'>(scan);
        while (mask) {
            if (special(scan + __builtin_ctz(mask)))
                return !noLine;
            mask &= mask - 1;
        }
        scan += 16;
    }
#endif
    for (; scan < end_; ++scan)
        if (IsSpecial(*scan) && special(scan))
            return !noLine;
    // The last line, with no break after it.
    if (end_ > fieldStart)
        fields.emplace_back(fieldStart, size_t(end_ - fieldStart));
    p_ = end_;
    return true;
}

// The one reading of a line for both NextLine calls, sixteen bytes at a time: it counts the "|"
// on the way to the line's end and, with Places > 0, notes where the first Places of them are.
// Without, the reader of whole records pays nothing for it.
template <size_t Places>
bool CatalogueLineReader::ScanLine(std::string_view& line, size_t& fieldCount,
                                   const char** barPlaces) {
    if (p_ >= end_)
        return false;
    const char* const start = p_;
    const char* scan = p_;
    size_t bars = 0;
    const char* stop = nullptr;
    // Notes the bars of one block's mask (bit i: the byte at block + i) while places are left.
    auto note = [&](const char* block, unsigned mask) {
        if constexpr (Places > 0)
            for (; mask && bars < Places; mask &= mask - 1)
                barPlaces[bars++] = block + __builtin_ctz(mask);
        bars += CountBits16(mask); // those left
    };
#if defined(__SSE2__)
    while (end_ - scan >= 16) {
        const unsigned barMask = Match16<'|'>(scan);
        const unsigned endMask = Match16<'\r', '\n', '\0'>(scan);
        if (endMask) {
            unsigned at = unsigned(__builtin_ctz(endMask));
            note(scan, barMask & ((1u << at) - 1));
            stop = scan + at;
            break;
        }
        note(scan, barMask);
        scan += 16;
    }
#endif
    if (!stop) {
        for (; scan < end_; ++scan) {
            char c = *scan;
            if (c == '\r' || c == '\n' || c == '\0')
                break;
            if (c == '|')
                note(scan, 1u);
        }
        stop = scan;
    }
    if (stop < end_ && *stop == '\0') {
        end_ = stop; // the text ends here, and with it a line that has not begun
        p_ = stop;
        if (stop == start)
            return false;
    } else if (stop < end_) {
        p_ = (*stop == '\r' && stop + 1 < end_ && stop[1] == '\n') ? stop + 2 : stop + 1;
    } else {
        p_ = end_;
    }
    line = std::string_view(start, size_t(stop - start));
    // Each "|" starts a field after it, but an empty last piece is no field.
    fieldCount = line.empty() ? 0 : bars + (line.back() == '|' ? 0 : 1);
    return true;
}

bool CatalogueLineReader::NextLine(std::string_view& line, size_t& fieldCount) {
    return ScanLine<0>(line, fieldCount, nullptr);
}

bool CatalogueLineReader::NextLine(std::string_view& line, size_t& fieldCount,
                                   std::array<const char*, kNotedBars>& bars) {
    return ScanLine<kNotedBars>(line, fieldCount, bars.data());
}

std::string_view CatalogueRecord::operator[](size_t index) const {
    const char* p = line_.data();
    const char* end = p + line_.size();
    for (size_t k = 0; k < index; ++k)
        p = static_cast<const char*>(std::memchr(p, '|', size_t(end - p))) + 1;
    const void* bar = std::memchr(p, '|', size_t(end - p));
    const char* fieldEnd = bar ? static_cast<const char*>(bar) : end;
    return std::string_view(p, size_t(fieldEnd - p));
}

std::string_view CatalogueRecord::At(size_t index) const {
    if (index >= count_)
        throw ListIndexError(int(std::min<size_t>(index, std::numeric_limits<int>::max())));
    return (*this)[index];
}

std::vector<std::string> CatalogueRecord::Fields() const {
    std::vector<std::string> out;
    out.reserve(count_);
    const char* p = line_.data();
    const char* end = p + line_.size();
    for (size_t i = 0; i < count_; ++i) {
        const void* bar = std::memchr(p, '|', size_t(end - p));
        const char* fieldEnd = bar ? static_cast<const char*>(bar) : end;
        out.emplace_back(p, size_t(fieldEnd - p));
        p = fieldEnd + 1;
    }
    return out;
}

CatalogueRecords::CatalogueRecords(std::string text) : text_(std::move(text)) {
    // Offsets are 32-bit to keep the line table small; a larger text could not be a catalogue
    // this program handles in memory anyway.
    if (text_.size() > std::numeric_limits<uint32_t>::max())
        throw FileError(std::string("Cannot read file \"") + kCatalogueFileName +
                        "\". File too large");
    lines_.reserve(text_.size() / 64 + 1); // a usual catalogue line is longer
    const char* base = text_.data();
    CatalogueLineReader reader(text_);
    std::string_view line;
    size_t count = 0;
    while (reader.NextLine(line, count)) {
        size_t length = line.size() - (!line.empty() && line.back() == '|' ? 1 : 0);
        lines_.push_back(Line{uint32_t(line.data() - base), uint32_t(length), uint32_t(count)});
    }
}

CatalogueRecords CatalogueLoad() {
    return CatalogueRecords(ReadWholeFile(kCatalogueFileName));
}

namespace {

// The first ';', CR or LF in [p, end), or end.
const char* FindRecordBreak(const char* p, const char* end) {
#if defined(__SSE2__)
    while (end - p >= 16) {
        if (const unsigned mask = Match16<';', '\r', '\n'>(p))
            return p + __builtin_ctz(mask);
        p += 16;
    }
#endif
    while (p < end && *p != ';' && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

// Turns a reply body into the file's bytes in one pass and hands them to `sink` in pieces of
// about 256 KiB, so that a large catalogue is never held twice more. A ";" is a line break like
// CR; CR LF (and so ";" LF) is one break.
template <class Sink> void ConvertCatalogueBody(std::string_view body, Sink&& sink) {
    constexpr size_t kPiece = 256 * 1024;
    body = UntilNul(body);
    std::string out;
    out.reserve(std::min(body.size() + body.size() / 32 + 2, kPiece + 4096));
    const char* p = body.data();
    const char* const end = p + body.size();
    while (p < end) {
        const char* brk = FindRecordBreak(p, end);
        out.append(p, brk).append("\r\n");
        if (brk == end)
            break;
        p = brk + (*brk != '\n' && brk + 1 < end && brk[1] == '\n' ? 2 : 1);
        if (out.size() >= kPiece) {
            sink(std::string_view(out));
            out.clear();
        }
    }
    if (!out.empty())
        sink(std::string_view(out));
}

} // namespace

std::string CatalogueFileText(std::string_view body) {
    std::string text;
    ConvertCatalogueBody(body, [&](std::string_view piece) { text.append(piece); });
    return text;
}

void WriteCatalogue(std::string_view body) {
    FileReplacement file(kCatalogueFileName);
    ConvertCatalogueBody(body, [&](std::string_view piece) { file.Write(piece); });
    file.Commit();
}

namespace {

// The first field that the editor reads from a matching record (description, unit, price) and
// this record lacks, or -1 when it has them all.
int MissingLookupField(const CatalogueRecord& record) {
    for (int needed : {3, 5, 6})
        if (record.size() <= size_t(needed))
            return needed;
    return -1;
}

} // namespace

ProductMatch FindLastProduct(const CatalogueRecords& records, std::string_view store,
                             std::string_view code) {
    ProductMatch result;
    for (size_t i = 0; i < records.size(); ++i) {
        CatalogueRecord record = records[i];
        if (record.size() < 2) {
            result.missingField = 1;
            return result;
        }
        if (record[1] != code || record[0] != store)
            continue;
        result.missingField = MissingLookupField(record);
        if (result.missingField >= 0)
            return result;
        result.record = std::ptrdiff_t(i);
    }
    return result;
}

namespace {

// Reads the catalogue file of the current directory in pieces of about a megabyte and hands the
// records of each piece to `scan`, in file order, until it returns false or the file ends.
template <class Scan> void ScanCatalogueFile(Scan&& scan) {
    constexpr size_t kPiece = 1 << 20;
    FileReader file(kCatalogueFileName);
    std::string text; // the lines not scanned yet
    for (bool atEnd = false; !atEnd;) {
        // Read on until the text holds a LF, so that it can be cut after one: the records of
        // the lines before the cut are then those of the whole file at that place, a CR LF
        // pair never being split. A NUL ends the text.
        size_t cut = std::string::npos;
        while (cut == std::string::npos && !atEnd) {
            const size_t used = text.size();
            text.resize(used + kPiece);
            const size_t n = file.Read(text.data() + used, kPiece);
            text.resize(used + n);
            std::string_view added(text.data() + used, n);
            if (const size_t nul = added.find('\0'); nul != std::string_view::npos) {
                text.resize(used + nul);
                atEnd = true;
            }
            atEnd = atEnd || n == 0;
            if (const void* lf = memrchr(text.data() + used, '\n', text.size() - used))
                cut = size_t(static_cast<const char*>(lf) - text.data()) + 1;
        }
        if (atEnd)
            cut = text.size();
        std::string rest(text, cut);
        text.resize(cut);
        const CatalogueRecords records(std::move(text));
        if (!scan(records))
            break;
        text = std::move(rest);
    }
}

} // namespace

CatalogueLookup LookupInCatalogue(std::string_view store, std::string_view code) {
    CatalogueLookup result;
    ScanCatalogueFile([&](const CatalogueRecords& records) {
        const ProductMatch match = FindLastProduct(records, store, code);
        if (match.record >= 0)
            result.record = records[size_t(match.record)].Fields();
        if (match.missingField >= 0)
            result.missingField = match.missingField;
        return match.missingField < 0;
    });
    return result;
}

std::vector<CatalogueLookup> LookupManyInCatalogue(std::string_view store,
                                                   const std::vector<std::string>& codes) {
    std::vector<CatalogueLookup> results(codes.size());
    // Each distinct code once, with the positions that asked for it; a code whose scan has
    // stopped leaves the table.
    std::unordered_map<std::string_view, std::vector<size_t>> wanted;
    for (size_t i = 0; i < codes.size(); ++i)
        wanted[codes[i]].push_back(i);
    auto settle = [&](const std::vector<size_t>& positions, auto&& apply) {
        for (size_t p : positions)
            apply(results[p]);
    };
    ScanCatalogueFile([&](const CatalogueRecords& records) {
        for (size_t i = 0; i < records.size() && !wanted.empty(); ++i) {
            const CatalogueRecord record = records[i];
            if (record.size() < 2) {
                // No code to compare: every scan still going stops here.
                for (const auto& [code, positions] : wanted)
                    settle(positions, [](CatalogueLookup& r) { r.missingField = 1; });
                wanted.clear();
                break;
            }
            const auto found = wanted.find(record[1]);
            if (found == wanted.end() || record[0] != store)
                continue;
            const int missing = MissingLookupField(record);
            if (missing >= 0) {
                settle(found->second, [missing](CatalogueLookup& r) { r.missingField = missing; });
                wanted.erase(found);
                continue;
            }
            const std::vector<std::string> fields = record.Fields();
            settle(found->second, [&fields](CatalogueLookup& r) { r.record = fields; });
        }
        return !wanted.empty();
    });
    return results;
}

} // namespace torvel
