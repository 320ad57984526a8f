// Private to the direct codecs (text_encoding_codecs.h).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qinghe::platform::detail {

// ASCII runs, 16 bytes or units per step. Each takes a block of 16, writes
// all 16 positions of `out` (callers keep that room) and returns how many
// leading elements were ASCII: only those count as written.
#if defined(__SSE2__)

inline unsigned leading(unsigned ascii_mask) {
    return ascii_mask == 0xFFFF ? 16 : unsigned(std::countr_one(ascii_mask));
}

// Bytes to UTF-16LE: each byte gains a zero high byte.
inline size_t widen_ascii16(const unsigned char* p, char* out) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi8(v, zero));
    return leading(~unsigned(_mm_movemask_epi8(v)) & 0xFFFF);
}

inline size_t copy_ascii16(const unsigned char* p, char* out) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
    return leading(~unsigned(_mm_movemask_epi8(v)) & 0xFFFF);
}

// Bit k set when unit k of the 16 at p is below 0x80.
inline unsigned ascii_unit_mask(__m128i a, __m128i b) {
    const __m128i high = _mm_set1_epi16(int16_t(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    const __m128i ascii = _mm_packs_epi16(_mm_cmpeq_epi16(_mm_and_si128(a, high), zero),
                                          _mm_cmpeq_epi16(_mm_and_si128(b, high), zero));
    return unsigned(_mm_movemask_epi8(ascii));
}

// Units to bytes: the low byte of each (what counts is ASCII anyway).
inline size_t narrow_ascii16(const char16_t* p, char* out) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
    const __m128i low = _mm_set1_epi16(0xFF);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_packus_epi16(_mm_and_si128(a, low), _mm_and_si128(b, low)));
    return leading(ascii_unit_mask(a, b));
}

// How many of the 16 units at p are ASCII, and whether any is a surrogate.
struct Census {
    size_t ascii;
    bool surrogate;
};

inline Census census16(const char16_t* p) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
    const __m128i zero = _mm_setzero_si128();
    const __m128i high = _mm_set1_epi16(int16_t(0xFF80));
    const __m128i ascii = _mm_packs_epi16(_mm_cmpeq_epi16(_mm_and_si128(a, high), zero),
                                          _mm_cmpeq_epi16(_mm_and_si128(b, high), zero));
    const __m128i sums = _mm_sad_epu8(ascii, zero);  // 0xFF per ASCII unit, in two halves
    const size_t count = size_t(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4)) / 0xFF;
    const __m128i mask = _mm_set1_epi16(int16_t(0xF800));
    const __m128i surrogate = _mm_set1_epi16(int16_t(0xD800));
    const __m128i found = _mm_or_si128(_mm_cmpeq_epi16(_mm_and_si128(a, mask), surrogate),
                                       _mm_cmpeq_epi16(_mm_and_si128(b, mask), surrogate));
    return {count, _mm_movemask_epi8(found) != 0};
}

#else  // one element at a time

inline size_t widen_ascii16(const unsigned char* p, char* out) {
    size_t k = 0;
    for (; k < 16 && p[k] < 0x80; ++k) {
        out[2 * k] = char(p[k]);
        out[2 * k + 1] = 0;
    }
    return k;
}

inline size_t copy_ascii16(const unsigned char* p, char* out) {
    size_t k = 0;
    for (; k < 16 && p[k] < 0x80; ++k) out[k] = char(p[k]);
    return k;
}

inline size_t narrow_ascii16(const char16_t* p, char* out) {
    size_t k = 0;
    for (; k < 16 && p[k] < 0x80; ++k) out[k] = char(p[k]);
    return k;
}

struct Census {
    size_t ascii;
    bool surrogate;
};

inline Census census16(const char16_t* p) {
    Census c{0, false};
    for (size_t k = 0; k < 16; ++k) {
        c.ascii += p[k] < 0x80;
        c.surrogate = c.surrogate || (p[k] >= 0xD800 && p[k] < 0xE000);
    }
    return c;
}

#endif

}  // namespace qinghe::platform::detail
