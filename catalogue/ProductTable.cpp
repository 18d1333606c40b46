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
#include <array>
#include <chrono>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace torvel {
namespace {

static_assert(CatalogueLineReader::kNotedBars >= kProductFieldCount);

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
    // The capitals of a text into `to`, which has room for it and for sixteen bytes more; only
    // for a per-byte table. Sixteen bytes at a time: "a" to "z" by arithmetic, the few bytes from
    // 0x80 up through the table. The bytes up to `readable` may be loaded, so that a short text
    // or the tail of one is one block too; what lands beyond the text's length is of no meaning.
    void Map(std::string_view text, const char* readable, char* to) const {
        const char* p = text.data();
        const size_t n = text.size();
        size_t i = 0;
#if defined(__SSE2__)
        if (asciiPlain) {
            const __m128i beforeA = _mm_set1_epi8('a' - 1);
            const __m128i afterZ = _mm_set1_epi8('z' + 1);
            const __m128i caseBit = _mm_set1_epi8(0x20);
            for (; i < n && (i + 16 <= n || readable - (p + i) >= 16); i += 16) {
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
                const __m128i small =
                    _mm_and_si128(_mm_cmpgt_epi8(b, beforeA), _mm_cmplt_epi8(b, afterZ));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i),
                                 _mm_sub_epi8(b, _mm_and_si128(small, caseBit)));
                for (unsigned high = unsigned(_mm_movemask_epi8(b)); high; high &= high - 1) {
                    const size_t at = i + unsigned(__builtin_ctz(high));
                    to[at] = map[static_cast<unsigned char>(p[at])];
                }
            }
            if (i >= n)
                return;
        }
#endif
        for (; i < n; ++i)
            to[i] = map[static_cast<unsigned char>(p[i])];
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

} // namespace

void AppendUpperCase(std::string_view text, std::string& out, const char* readable) {
    const UpperTable& table = Upper();
    if (!table.perByte) {
        out += UpperCase(text);
        return;
    }
    const size_t base = out.size();
    out.resize(base + text.size() + 16);
    table.Map(text, readable ? readable : text.data() + text.size(), out.data() + base);
    out.resize(base + text.size());
}

ProductTable::ProductTable() = default;
ProductTable::~ProductTable() = default;
ProductTable::ProductTable(ProductTable&&) noexcept = default;
ProductTable& ProductTable::operator=(ProductTable&&) noexcept = default;

void ProductTable::Clear() {
    text_.reset();
    textSize_ = 0;
    std::vector<Line>().swap(lines_);
    std::vector<uint32_t>().swap(order_);
    std::vector<uint32_t>().swap(rowOfLine_);
}

void ProductTable::Load(const Progress& progress) {
    Clear();
    // Read straight into the table's own copy: the products are views of these bytes.
    text_ = ReadWholeFileBuffer(kCatalogueFileName, textSize_);
    Build(progress, &NameOrderMemo::OfThisRun());
}

void ProductTable::LoadText(std::string_view text, const Progress& progress, NameOrderMemo* memo) {
    Clear();
    text_.reset(new char[text.size()]);
    std::memcpy(text_.get(), text.data(), text.size());
    textSize_ = text.size();
    Build(progress, memo);
}

namespace {

// The first eight fields of a line that has at least `fieldCount` (eight or more) fields, from
// the places of its first "|".
void FirstEight(std::string_view line, size_t fieldCount,
                const std::array<const char*, CatalogueLineReader::kNotedBars>& bars,
                std::string_view* fields) {
    const char* start = line.data();
    for (size_t k = 0; k + 1 < kProductFieldCount; ++k) {
        fields[k] = std::string_view(start, size_t(bars[k] - start));
        start = bars[k] + 1;
    }
    // The eighth ends at an eighth "|" where there is one: more fields, or one "|" after it.
    const bool barAfter = fieldCount > kProductFieldCount || line.back() == '|';
    const char* end = barAfter ? bars[kProductFieldCount - 1] : line.data() + line.size();
    fields[kProductFieldCount - 1] = std::string_view(start, size_t(end - start));
}

// Rewrites a line whose fields do not all fit their lengths as its fields cut, each followed by
// a "|", from the line's own start. Every field only moves towards the start, so the bytes to be
// moved are never overwritten first.
void CutInPlace(std::string_view* fields) {
    char* to = const_cast<char*>(fields[0].data());
    for (size_t k = 0; k < kProductFieldCount; ++k) {
        const std::string_view value = fields[k].substr(0, kProductFieldMaxLength[k]);
        std::memmove(to, value.data(), value.size());
        fields[k] = std::string_view(to, value.size());
        to += value.size();
        if (k + 1 < kProductFieldCount)
            *to++ = '|';
    }
}

} // namespace

// One pass over the lines in file order: each product is a view of its line, and the names are
// collected for the sort, which is skipped when the memo holds the order of these very bytes.
void ProductTable::Build(const Progress& progress, NameOrderMemo* memo) {
    if (textSize_ > std::numeric_limits<uint32_t>::max())
        throw Error("The product table is too large");
    const std::string_view text(text_.get(), textSize_);
    const TextDigest digest = memo ? DigestOf(text) : TextDigest{};
    const std::vector<uint32_t>* kept = memo ? memo->Find(digest) : nullptr;
    std::optional<NameSort> names;
    if (!kept)
        names.emplace(NameCollation::Instance());
    ProgressThrottle throttle(progress);
    CatalogueLineReader reader(text);
    lines_.reserve(textSize_ / 64 + 1); // a usual catalogue line is longer
    int shortLine = -1;
    std::string_view line;
    size_t fieldCount = 0;
    std::array<const char*, CatalogueLineReader::kNotedBars> bars{};
    std::string_view fields[kProductFieldCount];
    while (reader.NextLine(line, fieldCount, bars)) {
        if (fieldCount < kProductFieldCount) {
            shortLine = int(fieldCount);
            break;
        }
        FirstEight(line, fieldCount, bars, fields);
        bool fits = true;
        for (size_t k = 0; k < kProductFieldCount; ++k)
            fits &= fields[k].size() <= kProductFieldMaxLength[k];
        if (!fits)
            CutInPlace(fields);
        Line& l = lines_.emplace_back();
        l.offset = uint32_t(fields[0].data() - text.data());
        for (size_t k = 0; k < kProductFieldCount; ++k)
            l.length[k] = uint8_t(fields[k].size());
        if (names)
            names->AddLine(fields[size_t(ProductField::Nome)]);
        throttle.Tick();
    }
    throttle.Check();

    // Kept for these bytes, so for these lines; what does not fit them is sorted afresh.
    if (kept && kept->size() != lines_.size())
        kept = nullptr;
    if (kept) {
        order_ = *kept;
    } else {
        if (!names) {
            names.emplace(NameCollation::Instance());
            for (uint32_t i = 0; i < lines_.size(); ++i)
                names->AddLine(LineField(i, ProductField::Nome));
        }
        order_ = names->Order();
        names.reset(); // its tables are not needed any more
#ifdef __GLIBC__
        // Sorting a large catalogue leaves megabytes of freed scratch space in the heap; give it
        // back rather than hold it for as long as the window is open. Only after a sort: at
        // other times the heap holds nothing worth the page faults of taking it back.
        malloc_trim(0);
#endif
        throttle.Check();
    }
    rowOfLine_.resize(order_.size());
    for (uint32_t row = 0; row < order_.size(); ++row)
        rowOfLine_[order_[row]] = row;
    if (shortLine >= 0)
        throw ListIndexError(shortLine);
    // Only an order that covers the whole file is worth keeping: a file cut by a short line is
    // loaded afresh every time, as is its message shown.
    if (memo && !kept)
        memo->Keep(digest, order_);
}

std::string_view ProductTable::LineUpperField(uint32_t line, ProductField field,
                                              std::string& scratch) const {
    // Made at each call rather than stored: sixteen bytes at a time it costs a search little,
    // and the load nothing.
    scratch.clear();
    AppendUpperCase(LineField(line, field), scratch, text_.get() + textSize_);
    return scratch;
}

std::vector<uint32_t> ProductTable::Select(const ProductFilter& filter) const {
    return filter.Apply(*this);
}

size_t ProductTable::MemoryBytes() const {
    return sizeof(*this) + textSize_ + lines_.capacity() * sizeof(Line) +
           (order_.capacity() + rowOfLine_.capacity()) * sizeof(uint32_t);
}

} // namespace torvel
