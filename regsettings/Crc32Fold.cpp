// Folding four 128-bit lanes at a time: each lane is multiplied by x^n mod P for the distance it
// has to travel and added to the data there; what is left is reduced to 32 bits (Barrett).
// This file alone is compiled for PCLMULQDQ; its caller checks that the processor has it.
#include "regsettings/Crc32Fold.h"

#include <emmintrin.h>
#include <wmmintrin.h>

namespace flipdeck {
namespace {

// Bit-reflected constants of P = 0x104C11DB7: (x^n mod P) reflected and shifted left by one.
const long long kFold512Low = 0x154442bd4;   // n = 4*128+32
const long long kFold512High = 0x1c6e41596;  // n = 4*128-32
const long long kFold128Low = 0x1751997d0;   // n = 128+32
const long long kFold128High = 0x0ccaa009e;  // n = 128-32
const long long kFold64 = 0x163cd6124;       // n = 64
const long long kPoly = 0x1db710641;         // P reflected
const long long kMu = 0x1f7011641;           // x^64 / P reflected

__m128i Load(const unsigned char* data) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data)); }

// Moves `lane` forward by the distance its constants stand for and adds it to `next`.
__m128i Fold(__m128i lane, __m128i constants, __m128i next)
{
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(lane, constants, 0x00),
                                       _mm_clmulepi64_si128(lane, constants, 0x11)),
                         next);
}

}  // namespace

uint32_t FoldCrc32(uint32_t crc, const unsigned char* data, size_t size)
{
    const __m128i fold512 = _mm_set_epi64x(kFold512High, kFold512Low);
    const __m128i fold128 = _mm_set_epi64x(kFold128High, kFold128Low);
    const __m128i low32 = _mm_set_epi32(0, 0, 0, -1);

    __m128i lane0 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i lane1 = Load(data + 16);
    __m128i lane2 = Load(data + 32);
    __m128i lane3 = Load(data + 48);
    for (data += 64, size -= 64; size >= 64; data += 64, size -= 64) {
        lane0 = Fold(lane0, fold512, Load(data));
        lane1 = Fold(lane1, fold512, Load(data + 16));
        lane2 = Fold(lane2, fold512, Load(data + 32));
        lane3 = Fold(lane3, fold512, Load(data + 48));
    }
    __m128i value = Fold(Fold(Fold(lane0, fold128, lane1), fold128, lane2), fold128, lane3);
    for (; size >= 16; data += 16, size -= 16)
        value = Fold(value, fold128, Load(data));

    // 128 bits to 64, then to 32 (which appends the 32 zero bits a CRC implies).
    value = _mm_xor_si128(_mm_clmulepi64_si128(value, fold128, 0x10), _mm_srli_si128(value, 8));
    value = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(value, low32), _mm_set_epi64x(0, kFold64), 0x00),
                          _mm_srli_si128(value, 4));
    // Barrett reduction: the quotient by P from mu, then subtract quotient times P.
    const __m128i polyMu = _mm_set_epi64x(kMu, kPoly);
    __m128i quotient = _mm_clmulepi64_si128(_mm_and_si128(value, low32), polyMu, 0x10);
    value = _mm_xor_si128(value, _mm_clmulepi64_si128(_mm_and_si128(quotient, low32), polyMu, 0x00));
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(value, 4)));
}

}  // namespace flipdeck
