#include "catalogue/NameOrderMemo.h"

#include <cstring>
#include <utility>

namespace torvel {
namespace {

// Four lanes of 64 bits, each taking every fourth word: a lane's step is a bijection of its state
// for any word and of the word for any state, so a changed byte always leaves its lane in
// another state. The steps of the four lanes are independent, which keeps the multiplier busy:
// the digest costs about as much as reading the bytes once more from the cache.
constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ull;
constexpr uint64_t kPrime4 = 0x85EBCA77C2B2AE63ull;

uint64_t RotateLeft(uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

uint64_t Step(uint64_t lane, uint64_t word) {
    return RotateLeft(lane + word * kPrime2, 31) * kPrime1;
}

uint64_t Word(const char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// Spreads every bit of x over the whole result.
uint64_t Avalanche(uint64_t x) {
    x ^= x >> 33;
    x *= kPrime2;
    x ^= x >> 29;
    x *= kPrime3;
    return x ^ (x >> 32);
}

} // namespace

TextDigest DigestOf(std::string_view text) {
    uint64_t lane[4] = {kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1};
    const char* p = text.data();
    size_t left = text.size();
    for (; left >= 32; p += 32, left -= 32)
        for (int k = 0; k < 4; ++k)
            lane[k] = Step(lane[k], Word(p + 8 * k));
    // The last piece padded with zeros; the length tells it from a text that ends in zeros.
    char last[32] = {};
    std::memcpy(last, p, left);
    for (int k = 0; k < 4; ++k)
        lane[k] = Step(lane[k], Word(last + 8 * k));

    TextDigest digest;
    digest.length = text.size();
    // Two different mixes of the four lanes make the two halves.
    uint64_t low = RotateLeft(lane[0], 1) + RotateLeft(lane[1], 7) + RotateLeft(lane[2], 12) +
                   RotateLeft(lane[3], 18);
    uint64_t high = RotateLeft(lane[0], 41) ^ RotateLeft(lane[1], 27) ^
                    (RotateLeft(lane[2], 17) * kPrime4) ^ (RotateLeft(lane[3], 5) * kPrime3);
    for (int k = 0; k < 4; ++k) {
        low = (low ^ Step(0, lane[k])) * kPrime1 + kPrime4;
        high = (high + Step(kPrime3, lane[3 - k])) * kPrime2 ^ kPrime1;
    }
    digest.low = Avalanche(low ^ digest.length);
    digest.high = Avalanche(high + digest.length * kPrime4);
    return digest;
}

const std::vector<uint32_t>* NameOrderMemo::Find(const TextDigest& digest) const {
    return kept_ && digest == digest_ ? &order_ : nullptr;
}

void NameOrderMemo::Keep(const TextDigest& digest, std::vector<uint32_t> order) {
    digest_ = digest;
    order_ = std::move(order);
    kept_ = true;
}

void NameOrderMemo::Forget() {
    kept_ = false;
    std::vector<uint32_t>().swap(order_);
}

NameOrderMemo& NameOrderMemo::OfThisRun() {
    static NameOrderMemo memo;
    return memo;
}

} // namespace torvel
