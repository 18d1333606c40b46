#include "catalogue/ProductTable.h"

#include "catalogue/ByteScan.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/NameCollation.h"
#include "catalogue/NameOrderMemo.h"
#include "catalogue/NameSort.h"
#include "catalogue/ProductFilter.h"
#include "util/Errors.h"
#include "util/SafeFile.h"
#include "util/uFuncoes.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <sys/mman.h>
#include <type_traits>

namespace torvel {
namespace {

// UpperCase as a byte table, when it maps every byte to one byte without looking at its
// neighbours (checked once); otherwise every text goes through UpperCase itself.
struct UpperTable {
    bool perByte = true;
    // Every byte below 0x80 but "a" to "z" is its own capital.
    bool asciiPlain = false;
    char map[256];
    UpperTable() {
        std::string all;
        for (int b = 0; b < 256; ++b) {
            std::string one = UpperCase(std::string(1, char(b)));
            if (one.size() != 1) {
                perByte = false;
                return;
            }
            map[b] = one[0];
            all += char(b);
        }
        std::string mapped = UpperCase(all);
        for (int b = 0; b < 256 && perByte; ++b)
            perByte = mapped[size_t(b)] == map[b];
        asciiPlain = perByte;
        for (int b = 0; b < 0x80 && asciiPlain; ++b)
            asciiPlain = (b >= 'a' && b <= 'z') || map[b] == char(b);
    }
    // Whether the text differs from its capitals; only for a per-byte table. Sixteen bytes at a
    // time: "a" to "z" by comparison, the few bytes from 0x80 up through the table.
    bool Changes(std::string_view text) const {
        const char* p = text.data();
        const size_t n = text.size();
        size_t i = 0;
        auto changes = [this](char c) { return map[static_cast<unsigned char>(c)] != c; };
#if defined(__SSE2__)
        if (asciiPlain) {
            const __m128i beforeA = _mm_set1_epi8('a' - 1);
            const __m128i afterZ = _mm_set1_epi8('z' + 1);
            for (; i + 16 <= n; i += 16) {
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
                const __m128i small =
                    _mm_and_si128(_mm_cmpgt_epi8(b, beforeA), _mm_cmplt_epi8(b, afterZ));
                if (_mm_movemask_epi8(small))
                    return true;
                for (unsigned high = unsigned(_mm_movemask_epi8(b)); high; high &= high - 1)
                    if (changes(p[i + unsigned(__builtin_ctz(high))]))
                        return true;
            }
        }
#endif
        for (; i < n; ++i)
            if (changes(p[i]))
                return true;
        return false;
    }
};

const UpperTable& Upper() {
    static const UpperTable table;
    return table;
}

// Calls the progress callback at most once per interval, looking at the clock only now and then.
class ProgressThrottle {
public:
    explicit ProgressThrottle(const ProductTable::Progress& progress)
        : progress_(progress), last_(std::chrono::steady_clock::now()) {}
    void Tick() {
        if (progress_ && (++ticks_ & 255) == 0)
            Check();
    }
    void Check() {
        if (!progress_)
            return;
        auto now = std::chrono::steady_clock::now();
        if (now - last_ >= std::chrono::milliseconds(ProductTable::kProgressIntervalMs)) {
            progress_();
            last_ = std::chrono::steady_clock::now();
        }
    }

private:
    const ProductTable::Progress& progress_;
    std::chrono::steady_clock::time_point last_;
    unsigned ticks_ = 0;
};

// A large store is written whole at once: in pages of 2 MB where the system has them, it takes
// hundreds of times fewer page faults. Only advice; nothing changes where it is not taken.
void AdviseHugePages(void* start, size_t bytes) {
    constexpr uintptr_t kHuge = uintptr_t(2) << 20;
    const uintptr_t from = (reinterpret_cast<uintptr_t>(start) + kHuge - 1) & ~(kHuge - 1);
    const uintptr_t to = (reinterpret_cast<uintptr_t>(start) + bytes) & ~(kHuge - 1);
    if (to > from)
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

uint32_t CheckedOffset(size_t offset) {
    if (offset > std::numeric_limits<uint32_t>::max())
        throw Error("The product table is too large");
    return uint32_t(offset);
}

} // namespace

void AppendUpperCase(std::string_view text, std::string& out) {
    const UpperTable& table = Upper();
    if (!table.perByte) {
        out += UpperCase(text);
        return;
    }
    size_t base = out.size();
    out.resize(base + text.size());
    char* w = out.data() + base;
    for (char c : text)
        *w++ = table.map[static_cast<unsigned char>(c)];
}

void ProductTable::Clear() {
    fields_.clear();
    fields_.shrink_to_fit();
    upper_.clear();
    upper_.shrink_to_fit();
    rows_.clear();
    rows_.shrink_to_fit();
}

void ProductTable::Load(const Progress& progress) {
    Clear();
    std::string text = ReadWholeFile(kCatalogueFileName);
    LoadText(text, progress, &NameOrderMemo::OfThisRun());
}

namespace {

// Where the first eight fields of a catalogue line lie in the text: from the start of the first
// to the end of the eighth, with exactly seven "|" between them.
struct LineSpan {
    uint32_t start;
    uint32_t length;
};

void SplitEight(std::string_view text, LineSpan span, std::string_view* fields) {
    const char* p = text.data() + span.start;
    const char* const end = p + span.length;
    const char* fieldStart = p;
    size_t k = 0;
#if defined(__SSE2__)
    for (; k + 1 < kProductFieldCount && end - p >= 16; p += 16) {
        for (unsigned bars = Match16<'|'>(p); bars && k + 1 < kProductFieldCount;
             bars &= bars - 1) {
            const char* bar = p + __builtin_ctz(bars);
            fields[k++] = std::string_view(fieldStart, size_t(bar - fieldStart));
            fieldStart = bar + 1;
        }
    }
#endif
    for (; k + 1 < kProductFieldCount; ++p) {
        if (*p == '|') {
            fields[k++] = std::string_view(fieldStart, size_t(p - fieldStart));
            fieldStart = p + 1;
        }
    }
    fields[kProductFieldCount - 1] = std::string_view(fieldStart, size_t(end - fieldStart));
}

// Copies up to 64 bytes as a few overlapping fixed-size moves: a field is short, and a call to
// memcpy for each of eight fields costs more than the copy.
inline void CopyShort(char* to, const char* from, size_t n) {
    auto move = [&](size_t at, auto width) {
        char block[decltype(width)::value];
        std::memcpy(block, from + at, sizeof block);
        std::memcpy(to + at, block, sizeof block);
    };
    using W16 = std::integral_constant<size_t, 16>;
    using W8 = std::integral_constant<size_t, 8>;
    using W4 = std::integral_constant<size_t, 4>;
    if (n > 32) {
        if (n > 64)
            return (void)std::memcpy(to, from, n);
        move(0, W16{}), move(16, W16{}), move(n - 32, W16{}), move(n - 16, W16{});
    } else if (n > 16) {
        move(0, W16{}), move(n - 16, W16{});
    } else if (n >= 8) {
        move(0, W8{}), move(n - 8, W8{});
    } else if (n >= 4) {
        move(0, W4{}), move(n - 4, W4{});
    } else {
        for (size_t i = 0; i < n; ++i)
            to[i] = from[i];
    }
}

std::string_view Cut(std::string_view value, ProductField field) {
    return value.substr(0, kProductFieldMaxLength[size_t(field)]);
}

} // namespace

// Two passes: the first reads the lines in file order and numbers their names; the second stores
// the products in name order, so that every search reads the table front to back. The order
// comes from the memo when it holds one for these very bytes.
void ProductTable::LoadText(std::string_view text, const Progress& progress, NameOrderMemo* memo) {
    Clear();
    if (text.size() > std::numeric_limits<uint32_t>::max())
        throw Error("The product table is too large");
    const TextDigest digest = memo ? DigestOf(text) : TextDigest{};
    const std::vector<uint32_t>* kept = memo ? memo->Find(digest) : nullptr;
    CatalogueLineReader reader(text);
    const size_t estimate = text.size() / 64 + 1; // a usual catalogue line is longer
    std::vector<LineSpan> lines;
    lines.reserve(estimate);
    size_t storeSize = 0;
    size_t upperSize = 0; // room for the capitals of every brand and name: exact when all differ
    ProgressThrottle throttle(progress);
    int shortLine = -1;
    std::vector<std::string_view> fields;
    fields.reserve(16);
    std::optional<NameSort> names;
    if (!kept)
        names.emplace(NameCollation::Instance());
    while (reader.Next(fields)) {
        if (fields.size() < kProductFieldCount) {
            shortLine = int(fields.size());
            break;
        }
        const std::string_view& last = fields[kProductFieldCount - 1];
        lines.push_back(LineSpan{uint32_t(fields[0].data() - text.data()),
                                 uint32_t(last.data() + last.size() - fields[0].data())});
        for (size_t k = 0; k < kProductFieldCount; ++k)
            storeSize += std::min(fields[k].size(), kProductFieldMaxLength[k]);
        upperSize += Cut(fields[size_t(ProductField::Marca)], ProductField::Marca).size() +
                     Cut(fields[size_t(ProductField::Nome)], ProductField::Nome).size();
        if (names)
            names->AddLine(Cut(fields[size_t(ProductField::Nome)], ProductField::Nome));
        throttle.Tick();
    }
    throttle.Check();

    std::string_view split[kProductFieldCount];
    // Kept for these bytes, so for these lines; what does not fit them is sorted afresh.
    if (kept && kept->size() != lines.size())
        kept = nullptr;
    std::vector<uint32_t> sorted;
    if (!kept) {
        if (!names) {
            names.emplace(NameCollation::Instance());
            for (const LineSpan& line : lines) {
                SplitEight(text, line, split);
                names->AddLine(Cut(split[size_t(ProductField::Nome)], ProductField::Nome));
            }
        }
        sorted = names->Order();
        names.reset(); // its tables are not needed any more
        throttle.Check();
    }
    const std::vector<uint32_t>& order = kept ? *kept : sorted;

    // Both stores are sized once and written in place: the field store exactly, the capitals
    // for the worst case (every brand and name differs from its capitals), cut back after.
    fields_.reserve(storeSize);
    AdviseHugePages(fields_.data(), storeSize);
    fields_.resize(storeSize);
    char* fieldsOut = fields_.data();
    const UpperTable& capitals = Upper();
    // Room for the worst case is reserved but not written: only the capitals that differ from
    // their field are stored, and most catalogues are in capitals already.
    if (capitals.perByte)
        upper_.reserve(upperSize);
    char upperScratch[256];
    size_t upperUsed = 0;
    // Written in place: a row put together on the stack and then copied would be read back
    // before its bytes had all been stored.
    rows_.reserve(order.size());
    AdviseHugePages(rows_.data(), order.size() * sizeof(Row));
    rows_.resize(order.size());
    // Lines are visited out of order: fetch their places, then their text, well ahead.
    constexpr size_t kAhead = 8;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i + 2 * kAhead < order.size())
            __builtin_prefetch(&lines[order[i + 2 * kAhead]]);
        if (i + kAhead < order.size()) {
            const char* ahead = text.data() + lines[order[i + kAhead]].start;
            __builtin_prefetch(ahead);
            __builtin_prefetch(ahead + 64);
        }
        SplitEight(text, lines[order[i]], split);

        Row& row = rows_[i];
        row.offset = uint32_t(fieldsOut - fields_.data());
        for (size_t k = 0; k < kProductFieldCount; ++k) {
            std::string_view value = Cut(split[k], ProductField(k));
            CopyShort(fieldsOut, value.data(), value.size());
            fieldsOut += value.size();
            row.length[k] = uint8_t(value.size());
        }
        row.upperOffset = CheckedOffset(upperUsed);
        const ProductField upperCased[2] = {ProductField::Marca, ProductField::Nome};
        for (int u = 0; u < 2; ++u) {
            std::string_view value = Cut(split[size_t(upperCased[u])], upperCased[u]);
            // Most catalogues are in capitals already: such a field is its own upper case.
            size_t length = value.size();
            if (capitals.perByte) {
                if (!capitals.Changes(value))
                    continue;
                for (size_t k = 0; k < length; ++k)
                    upperScratch[k] = capitals.map[static_cast<unsigned char>(value[k])];
                upper_.append(upperScratch, length);
            } else {
                std::string up = UpperCase(value);
                if (up == value || up.size() > 255)
                    continue;
                upper_.resize(upperUsed);
                upper_ += up;
                length = up.size();
            }
            upperUsed += length;
            row.upperOwn |= uint8_t(1u << u);
            row.upperLength[u] = uint8_t(length);
        }
        throttle.Tick();
    }
    upper_.resize(upperUsed);
    if (upper_.size() < upper_.capacity() / 2)
        upper_.shrink_to_fit();
    if (shortLine >= 0)
        throw ListIndexError(shortLine);
    // Only an order that covers the whole file is worth keeping: a file cut by a short line is
    // loaded afresh every time, as is its message shown.
    if (memo && !kept)
        memo->Keep(digest, std::move(sorted));
}

std::string_view ProductTable::UpperField(size_t row, ProductField field,
                                          std::string& scratch) const {
    const Row& r = rows_[row];
    int which = field == ProductField::Marca ? 0 : field == ProductField::Nome ? 1 : -1;
    if (which < 0) {
        scratch.clear();
        AppendUpperCase(Field(row, field), scratch);
        return scratch;
    }
    if (!(r.upperOwn & (1u << which)))
        return Field(row, field);
    size_t offset = r.upperOffset + (which == 1 && (r.upperOwn & 1u) ? r.upperLength[0] : 0);
    return std::string_view(upper_.data() + offset, r.upperLength[which]);
}

std::vector<uint32_t> ProductTable::Select(const ProductFilter& filter) const {
    return filter.Apply(*this);
}

size_t ProductTable::MemoryBytes() const {
    return sizeof(*this) + fields_.capacity() + upper_.capacity() + rows_.capacity() * sizeof(Row);
}

} // namespace torvel
