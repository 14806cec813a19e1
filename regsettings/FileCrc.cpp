// CRC-32 of a file's contents, the reflected polynomial 0xEDB88320 of zlib and PKZIP.
#include "regsettings/regsettings.h"

#include <windows.h>

#include <intrin.h>

#include <array>
#include <cstdint>

#include "base/UniqueHandle.h"
#include "regsettings/Crc32Fold.h"

namespace {

using CrcTable = std::array<uint32_t, 256>;

void BuildTable(CrcTable& table)
{
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit)
            value = (value >> 1) ^ ((value & 1) != 0 ? 0xEDB88320u : 0u);
        table[i] = value;
    }
}

bool ProcessorCanFold()
{
    int registers[4] = {};  // eax, ebx, ecx, edx of leaf 1
    __cpuid(registers, 1);
    const int kPclmulqdq = 1 << 1;  // ecx
    const int kSse2 = 1 << 26;      // edx
    return (registers[2] & kPclmulqdq) != 0 && (registers[3] & kSse2) != 0;
}

// Whole 16-byte blocks go to the carry-less multiply where the processor has it; the rest
// byte by byte through the table.
uint32_t UpdateCrc(const CrcTable& table, bool canFold, uint32_t crc, const unsigned char* data, size_t size)
{
    if (canFold && size >= 64) {
        const size_t blocks = size & ~size_t{15};
        crc = flipdeck::FoldCrc32(crc, data, blocks);
        data += blocks;
        size -= blocks;
    }
    for (; size > 0; ++data, --size)
        crc = (crc >> 8) ^ table[(crc ^ *data) & 0xFF];
    return crc;
}

}  // namespace

extern "C" int __cdecl GetFileCrc(const char* fileName, unsigned long* crc)
{
    // Everything lives on this call's stack, so threads checksumming at once share nothing.
    CrcTable table;
    BuildTable(table);
    const bool canFold = ProcessorCanFold();
    flipdeck::UniqueFileHandle file;
    if (fileName != nullptr)
        file.reset(CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        DWORD error = fileName != nullptr ? GetLastError() : ERROR_INVALID_PARAMETER;
        if (crc != nullptr)
            *crc = 0;
        return static_cast<int>(error);
    }
    uint32_t value = 0xFFFFFFFF;
    unsigned char block[4096];
    DWORD read = 0;
    // A read error part-way ends the file like its end does: the checksum covers what was read.
    while (ReadFile(file.get(), block, sizeof(block), &read, nullptr) && read > 0)
        value = UpdateCrc(table, canFold, value, block, read);
    if (crc != nullptr)
        *crc = value ^ 0xFFFFFFFF;
    return 0;
}
