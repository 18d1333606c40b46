// The name order of the catalogue sorted last in this run, kept with a digest of the bytes it was
// computed from: opening the search window again on the same file takes the order from here
// instead of collating every name again. Only the order and the digest are kept, never products.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace torvel {

// 128 bits computed from every byte of a text, and its length: any change to the text changes
// the digest, save for odds of about one in 2^128.
struct TextDigest {
    uint64_t low = 0;
    uint64_t high = 0;
    uint64_t length = 0;
    bool operator==(const TextDigest&) const = default;
};

TextDigest DigestOf(std::string_view text);

class NameOrderMemo {
public:
    // The order kept for the text with this digest, or null.
    const std::vector<uint32_t>* Find(const TextDigest& digest) const;
    // Keeps `order` (the lines of the text, 0-based, in name order) for the text with this
    // digest, in place of what was kept before.
    void Keep(const TextDigest& digest, std::vector<uint32_t> order);
    void Forget();

    // The memo of this run, kept by the product table's Load.
    static NameOrderMemo& OfThisRun();

private:
    TextDigest digest_;
    std::vector<uint32_t> order_;
    bool kept_ = false;
};

} // namespace torvel
