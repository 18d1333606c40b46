#include "catalogue/ProductTable.h"

#include "catalogue/CatalogueFile.h"
#include "catalogue/NameCollation.h"
#include "catalogue/ProductFilter.h"
#include "util/Errors.h"
#include "util/SafeFile.h"
#include "util/uFuncoes.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <unordered_map>

namespace torvel {
namespace {

// UpperCase as a byte table, when it maps every byte to one byte without looking at its
// neighbours (checked once); otherwise every text goes through UpperCase itself.
struct UpperTable {
    bool perByte = true;
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
    LoadText(text, progress);
}

// Sorting by sort keys, not by a comparison per pair: each name's key is made once, and the
// entries are sorted by eight key bytes held beside the row; runs that tie are sorted again by
// the next eight bytes, and so on. The short primary keys (base letters) decide almost every
// pair; only runs of names with equal primary keys need their full keys.
namespace {

struct KeyEntry {
    uint64_t prefix; // eight key bytes from the current depth, big-endian
    uint32_t key;    // offset of the key; every key is followed by eight NUL bytes
    uint32_t line;
};

uint64_t LoadPrefix(const char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::little)
        v = __builtin_bswap64(v);
    return v;
}

template <class OnEqualKeys>
void SortByKeys(KeyEntry* lo, KeyEntry* hi, const char* keys, size_t depth,
                OnEqualKeys& onEqualKeys) {
    auto less = [](const KeyEntry& a, const KeyEntry& b) {
        return a.prefix != b.prefix ? a.prefix < b.prefix : a.line < b.line;
    };
    if (hi - lo < 4096) {
        std::sort(lo, hi, less);
    } else {
        // Bucketing by the first two key bytes leaves many small sorts instead of one large.
        std::vector<uint32_t> start(65537, 0);
        for (KeyEntry* e = lo; e < hi; ++e)
            ++start[(e->prefix >> 48) + 1];
        for (size_t b = 1; b < start.size(); ++b)
            start[b] += start[b - 1];
        std::vector<KeyEntry> sorted(size_t(hi - lo));
        std::vector<uint32_t> next(start.begin(), start.end() - 1);
        for (KeyEntry* e = lo; e < hi; ++e)
            sorted[next[e->prefix >> 48]++] = *e;
        std::copy(sorted.begin(), sorted.end(), lo);
        for (size_t b = 0; b + 1 < start.size(); ++b)
            if (start[b + 1] - start[b] > 1)
                std::sort(lo + start[b], lo + start[b + 1], less);
    }
    for (KeyEntry* a = lo; a < hi;) {
        KeyEntry* b = a + 1;
        while (b < hi && b->prefix == a->prefix)
            ++b;
        if (b - a > 1) {
            if ((a->prefix & 0xFF) == 0) { // the keys ended within these bytes: equal
                onEqualKeys(a, b);
            } else {
                for (KeyEntry* e = a; e < b; ++e)
                    e->prefix = LoadPrefix(keys + e->key + depth + 8);
                SortByKeys(a, b, keys, depth + 8, onEqualKeys);
            }
        }
        a = b;
    }
}

// Where the first eight fields of a catalogue line lie in the text: from the start of the first
// to the end of the eighth, with exactly seven "|" between them.
struct LineSpan {
    uint32_t start;
    uint32_t length;
};

void SplitEight(std::string_view text, LineSpan span, std::string_view* fields) {
    const char* p = text.data() + span.start;
    const char* end = p + span.length;
    for (size_t k = 0; k + 1 < kProductFieldCount; ++k) {
        const char* bar = static_cast<const char*>(std::memchr(p, '|', size_t(end - p)));
        fields[k] = std::string_view(p, size_t(bar - p));
        p = bar + 1;
    }
    fields[kProductFieldCount - 1] = std::string_view(p, size_t(end - p));
}

// The primary key of each distinct name, made once: names repeat (one product under several
// brands, or in several stores), and every entry of a name then shares one key, which also
// tells the sort that two entries have the same name without reading their lines again.
class NameKeys {
public:
    NameKeys(const NameCollation& collation, std::string& keys)
        : collation_(collation), keys_(keys), slots_(1024, 0) {}

    // The offset in `keys` of the name's primary key, followed by eight NUL bytes.
    uint32_t KeyOf(std::string_view name) {
        const size_t mask = slots_.size() - 1;
        const size_t hash = std::hash<std::string_view>{}(name);
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const uint32_t slot = slots_[i];
            if (slot == 0)
                return Add(name, i);
            if (names_[slot - 1].name == name)
                return names_[slot - 1].key;
        }
    }

private:
    struct Name {
        std::string_view name;
        uint32_t key;
    };

    uint32_t Add(std::string_view name, size_t slot) {
        const uint32_t offset = CheckedOffset(keys_.size());
        collation_.AppendPrimaryKey(name, keys_);
        keys_.append(8, '\0');
        names_.push_back(Name{name, offset});
        slots_[slot] = uint32_t(names_.size());
        if (names_.size() * 2 > slots_.size())
            Grow();
        return offset;
    }

    void Grow() {
        std::vector<uint32_t>(slots_.size() * 2, 0).swap(slots_);
        const size_t mask = slots_.size() - 1;
        for (size_t n = 0; n < names_.size(); ++n) {
            size_t i = std::hash<std::string_view>{}(names_[n].name) & mask;
            while (slots_[i] != 0)
                i = (i + 1) & mask;
            slots_[i] = uint32_t(n + 1);
        }
    }

    const NameCollation& collation_;
    std::string& keys_;
    std::vector<uint32_t> slots_; // index into names_ + 1; 0: free
    std::vector<Name> names_;
};

std::string_view Cut(std::string_view value, ProductField field) {
    return value.substr(0, kProductFieldMaxLength[size_t(field)]);
}

} // namespace

// Two passes: the first reads the lines in file order and makes the sort key of each name; the
// second stores the products in name order, so that every search reads the table front to back.
void ProductTable::LoadText(std::string_view text, const Progress& progress) {
    Clear();
    if (text.size() > std::numeric_limits<uint32_t>::max())
        throw Error("The product table is too large");
    const NameCollation& collation = NameCollation::Instance();
    CatalogueLineReader reader(text);
    const size_t estimate = text.size() / 64 + 1; // a usual catalogue line is longer
    std::vector<LineSpan> lines;
    lines.reserve(estimate);
    std::vector<KeyEntry> entries;
    entries.reserve(estimate);
    std::string keys;
    keys.reserve(estimate * 8); // one key per distinct name, not per line: names repeat
    size_t storeSize = 0;
    size_t upperSize = 0; // room for the capitals of every brand and name: exact when all differ
    ProgressThrottle throttle(progress);
    int shortLine = -1;
    std::vector<std::string_view> fields;
    fields.reserve(16);
    auto nameKeys = std::make_unique<NameKeys>(collation, keys);
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
        const uint32_t offset =
            nameKeys->KeyOf(Cut(fields[size_t(ProductField::Nome)], ProductField::Nome));
        entries.push_back(
            KeyEntry{LoadPrefix(keys.data() + offset), offset, uint32_t(lines.size() - 1)});
        throttle.Tick();
    }
    nameKeys.reset(); // its table is not needed any more
    throttle.Check();

    std::string_view split[kProductFieldCount];
    // Runs of equal primary keys are mostly one name sold under several brands: its entries
    // share one key offset and keep their file order. Only runs of different names (that
    // differ in case or accents) need full keys, one per name.
    std::unordered_map<uint32_t, uint32_t> distinct; // primary key offset -> index of full key
    std::vector<std::string> distinctKeys;
    std::vector<std::pair<uint32_t, uint32_t>> ordered; // full key index, line
    auto byFullKeys = [&](KeyEntry* a, KeyEntry* b) {
        bool allSame = true;
        for (KeyEntry* e = a + 1; e < b && allSame; ++e)
            allSame = e->key == a->key;
        if (allSame)
            return; // already in file order
        distinct.clear();
        distinctKeys.clear();
        ordered.clear();
        for (KeyEntry* e = a; e < b; ++e) {
            auto [hit, added] = distinct.try_emplace(e->key, uint32_t(distinctKeys.size()));
            if (added) {
                SplitEight(text, lines[e->line], split);
                distinctKeys.emplace_back();
                collation.AppendKey(Cut(split[size_t(ProductField::Nome)], ProductField::Nome),
                                    distinctKeys.back());
            }
            ordered.emplace_back(hit->second, e->line);
        }
        std::sort(ordered.begin(), ordered.end(), [&](const auto& x, const auto& y) {
            const int c = distinctKeys[x.first].compare(distinctKeys[y.first]);
            return c != 0 ? c < 0 : x.second < y.second;
        });
        for (KeyEntry* e = a; e < b; ++e)
            e->line = ordered[size_t(e - a)].second;
    };
    SortByKeys(entries.data(), entries.data() + entries.size(), keys.data(), 0, byFullKeys);
    // Given back now: a moved-in empty string would keep the buffer.
    std::string().swap(keys);
    throttle.Check();

    // Both stores are sized once and written in place: the field store exactly, the capitals
    // for the worst case (every brand and name differs from its capitals), cut back after.
    fields_.resize(storeSize);
    char* fieldsOut = fields_.data();
    const UpperTable& capitals = Upper();
    // Room for the worst case is reserved but not written: only the capitals that differ from
    // their field are stored, and most catalogues are in capitals already.
    if (capitals.perByte)
        upper_.reserve(upperSize);
    char upperScratch[256];
    size_t upperUsed = 0;
    rows_.reserve(entries.size());
    // Lines are visited out of order: fetch their places, then their text, well ahead.
    constexpr size_t kAhead = 8;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i + 2 * kAhead < entries.size())
            __builtin_prefetch(&lines[entries[i + 2 * kAhead].line]);
        if (i + kAhead < entries.size())
            __builtin_prefetch(text.data() + lines[entries[i + kAhead].line].start);
        SplitEight(text, lines[entries[i].line], split);

        Row row{};
        row.offset = uint32_t(fieldsOut - fields_.data());
        for (size_t k = 0; k < kProductFieldCount; ++k) {
            std::string_view value = Cut(split[k], ProductField(k));
            std::memcpy(fieldsOut, value.data(), value.size());
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
                bool differs = false;
                for (size_t k = 0; k < length; ++k) {
                    upperScratch[k] = capitals.map[static_cast<unsigned char>(value[k])];
                    differs |= upperScratch[k] != value[k];
                }
                if (!differs)
                    continue;
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
        rows_.push_back(row);
        throttle.Tick();
    }
    upper_.resize(upperUsed);
    if (upper_.size() < upper_.capacity() / 2)
        upper_.shrink_to_fit();
    if (shortLine >= 0)
        throw ListIndexError(shortLine);
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
