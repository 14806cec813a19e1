// CRC-32 of long runs with the processor's carry-less multiply (PCLMULQDQ), sixteen bytes and
// more per instruction instead of one table look-up per byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace flipdeck {

// Advances the running CRC register (no pre- or post-inversion) over `size` bytes; `size` is a
// multiple of 16 and at least 64. Only for processors with PCLMULQDQ and SSE2.
uint32_t FoldCrc32(uint32_t crc, const unsigned char* data, size_t size);

}  // namespace flipdeck
