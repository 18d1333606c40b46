// Finding the bytes that end fields and lines sixteen at a time, for the readers of the
// catalogue text: most bytes of a line are then never looked at one by one. Callers keep a
// byte-by-byte loop for the tail and for machines without SSE2.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace torvel {

#if defined(__SSE2__)
// Bit i set when byte i of the sixteen at p is one of Bytes. The compares are against
// constants, which the compiler keeps out of the callers' loops.
template <char... Bytes> inline unsigned Match16(const char* p) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hits = _mm_setzero_si128();
    ((hits = _mm_or_si128(hits, _mm_cmpeq_epi8(block, _mm_set1_epi8(Bytes)))), ...);
    return unsigned(_mm_movemask_epi8(hits));
}
#endif

} // namespace torvel
