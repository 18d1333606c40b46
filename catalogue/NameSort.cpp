#include "catalogue/NameSort.h"

#include "catalogue/NameCollation.h"
#include "util/Errors.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

namespace torvel {

// The name order is found for the distinct names, not for every line: names repeat (one product
// under several brands, or in several stores). Each distinct name's primary key is made once and
// the names are sorted by eight key bytes held beside them; runs that tie are sorted again by the
// next eight bytes, and so on. The short primary keys (base letters) decide almost every pair;
// only runs of names with equal primary keys need their full keys. Each name then has a rank,
// and one counting pass puts the lines in the order of their names' ranks, keeping file order
// among equal names.
namespace {

struct KeyEntry {
    uint64_t prefix; // eight key bytes from the current depth, big-endian
    uint32_t key;    // offset of the key; every key is followed by eight NUL bytes
    uint32_t name;
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
        return a.prefix != b.prefix ? a.prefix < b.prefix : a.name < b.name;
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

uint32_t CheckedOffset(size_t offset) {
    if (offset > std::numeric_limits<uint32_t>::max())
        throw Error("The product table is too large");
    return uint32_t(offset);
}

// The lines in the order of their names' ranks, lines of equal rank in file order.
std::vector<uint32_t> OrderByRank(const std::vector<uint32_t>& lineName,
                                  const std::vector<uint32_t>& rank) {
    std::vector<uint32_t> start(rank.size() + 1, 0);
    for (uint32_t name : lineName)
        ++start[rank[name] + 1];
    for (size_t r = 1; r < start.size(); ++r)
        start[r] += start[r - 1];
    std::vector<uint32_t> order(lineName.size());
    for (size_t line = 0; line < lineName.size(); ++line)
        order[start[rank[lineName[line]]]++] = uint32_t(line);
    return order;
}

} // namespace

// The distinct names of a catalogue, numbered in order of first appearance, each with its
// primary key, made once.
class NameSort::Names {
public:
    explicit Names(const NameCollation& collation) : collation_(collation), slots_(1024, 0) {}

    // The number of the name.
    uint32_t IdOf(std::string_view name) {
        const size_t mask = slots_.size() - 1;
        const uint64_t hash = Hash(name);
        const uint64_t tag = hash & ~uint64_t(0xFFFFFFFF);
        for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask) {
            const uint64_t slot = slots_[i];
            if (slot == 0)
                return Add(name, i, tag);
            const uint32_t id = uint32_t(slot) - 1;
            if ((slot & ~uint64_t(0xFFFFFFFF)) == tag && names_[id].name == name)
                return id;
        }
    }

    // The names in their linguistic order: the rank of each name, equal names sharing one.
    std::vector<uint32_t> Ranks() const {
        std::vector<KeyEntry> entries(names_.size());
        for (size_t n = 0; n < names_.size(); ++n)
            entries[n] =
                KeyEntry{LoadPrefix(keys_.data() + names_[n].key), names_[n].key, uint32_t(n)};
        // Set for a name whose full key equals that of the name before it in the order.
        std::vector<uint8_t> tied(entries.size(), 0);
        std::vector<std::pair<std::string, uint32_t>> full; // full key, name
        auto byFullKeys = [&](KeyEntry* a, KeyEntry* b) {
            full.clear();
            for (KeyEntry* e = a; e < b; ++e) {
                full.emplace_back(std::string(), e->name);
                collation_.AppendKey(names_[e->name].name, full.back().first);
            }
            std::sort(full.begin(), full.end());
            for (size_t i = 0; i < full.size(); ++i) {
                a[i].name = full[i].second;
                tied[size_t(a - entries.data()) + i] = i > 0 && full[i].first == full[i - 1].first;
            }
        };
        SortByKeys(entries.data(), entries.data() + entries.size(), keys_.data(), 0, byFullKeys);
        std::vector<uint32_t> rank(names_.size());
        uint32_t next = 0;
        for (size_t i = 0; i < entries.size(); ++i)
            rank[entries[i].name] = tied[i] ? next - 1 : next++;
        return rank;
    }

private:
    struct Name {
        std::string_view name;
        uint32_t key;
    };

    // A name is at most 60 bytes: a few multiplications over overlapping words.
    static uint64_t Hash(std::string_view name) {
        const char* p = name.data();
        const size_t n = name.size();
        auto word = [p](size_t at) {
            uint64_t w;
            std::memcpy(&w, p + at, 8);
            return w;
        };
        uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
        auto mix = [&h](uint64_t w) {
            const unsigned __int128 m = (unsigned __int128)(h ^ w) * 0xD6E8FEB86659FD93ull;
            h = uint64_t(m) ^ uint64_t(m >> 64);
        };
        if (n >= 8) {
            for (size_t at = 0; at + 8 < n; at += 8)
                mix(word(at));
            mix(word(n - 8));
        } else {
            uint64_t w = 0;
            std::memcpy(&w, p, n);
            mix(w);
        }
        mix(n);
        return h;
    }

    uint32_t Add(std::string_view name, size_t slot, uint64_t tag) {
        const uint32_t offset = CheckedOffset(keys_.size());
        collation_.AppendPrimaryKey(name, keys_);
        keys_.append(8, '\0');
        names_.push_back(Name{name, offset});
        slots_[slot] = tag | names_.size();
        if (names_.size() * 2 > slots_.size())
            Grow();
        return uint32_t(names_.size() - 1);
    }

    void Grow() {
        std::vector<uint64_t>(slots_.size() * 2, 0).swap(slots_);
        const size_t mask = slots_.size() - 1;
        for (size_t n = 0; n < names_.size(); ++n) {
            const uint64_t hash = Hash(names_[n].name);
            size_t i = size_t(hash) & mask;
            while (slots_[i] != 0)
                i = (i + 1) & mask;
            slots_[i] = (hash & ~uint64_t(0xFFFFFFFF)) | (n + 1);
        }
    }

    const NameCollation& collation_;
    std::string keys_;
    // High half: the high half of the name's hash; low half: index into names_ + 1; 0: free.
    std::vector<uint64_t> slots_;
    std::vector<Name> names_;
};

NameSort::NameSort(const NameCollation& collation) : names_(std::make_unique<Names>(collation)) {}

NameSort::~NameSort() = default;

void NameSort::AddLine(std::string_view name) {
    lineName_.push_back(names_->IdOf(name));
}

std::vector<uint32_t> NameSort::Order() const {
    return OrderByRank(lineName_, names_->Ranks());
}

} // namespace torvel
