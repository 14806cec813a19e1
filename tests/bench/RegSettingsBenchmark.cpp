// Prints the throughput of GetFileCrc on a 64 MiB file next to zlib's crc32 over the same bytes,
// read the same way (4096-byte blocks), and zlib's crc32 over the bytes already in memory.
// GetFileCrc must not be slower than zlib reading the file.
#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "regsettings/regsettings.h"

namespace {

const size_t kFileSize = 64u << 20;

double Seconds(const std::function<unsigned long()>& run, unsigned long& crc)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    crc = run();
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
}

unsigned long ZlibOverFile(const std::string& path)
{
    flipdeck::UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    unsigned long crc = crc32(0, nullptr, 0);
    unsigned char block[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), block, sizeof(block), &read, nullptr) && read > 0)
        crc = crc32(crc, block, read);
    return crc;
}

}  // namespace

int main()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "regsettings-benchmark.bin";
    std::vector<unsigned char> bytes(kFileSize);
    std::mt19937 generator(42);
    std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<unsigned char>(generator()); });
    {
        flipdeck::UniqueFileHandle file(
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size()) {
            std::printf("cannot write %s\n", path.c_str());
            return 1;
        }
    }

    // Best of several interleaved rounds, so that a busy machine disturbs both sides alike.
    double ours = 1e9, zlibFile = 1e9, zlibMemory = 1e9;
    unsigned long ourCrc = 0, zlibFileCrc = 0, zlibMemoryCrc = 0;
    for (int round = 0; round < 5; ++round) {
        ours = std::min(ours, Seconds([&] {
                            unsigned long crc = 0;
                            GetFileCrc(path.c_str(), &crc);
                            return crc;
                        }, ourCrc));
        zlibFile = std::min(zlibFile, Seconds([&] { return ZlibOverFile(path); }, zlibFileCrc));
        zlibMemory = std::min(zlibMemory, Seconds([&] {
                                  return crc32(crc32(0, nullptr, 0), bytes.data(), static_cast<uInt>(bytes.size()));
                              }, zlibMemoryCrc));
    }
    DeleteFileA(path.c_str());

    const double mebibytes = static_cast<double>(kFileSize) / (1u << 20);
    std::printf("GetFileCrc, 64 MiB file:                %8.0f MiB/s  crc %08lx\n", mebibytes / ours, ourCrc);
    std::printf("zlib crc32, same file, 4096-byte reads: %8.0f MiB/s  crc %08lx\n", mebibytes / zlibFile, zlibFileCrc);
    std::printf("zlib crc32, same bytes in memory:       %8.0f MiB/s  crc %08lx\n", mebibytes / zlibMemory,
                zlibMemoryCrc);
    const bool same = ourCrc == zlibFileCrc && ourCrc == zlibMemoryCrc;
    std::printf("GetFileCrc / zlib (file): %.2f (must be at least 1.00)%s\n", zlibFile / ours,
                same ? "" : ", CHECKSUMS DIFFER");
    return same && ours <= zlibFile ? 0 : 1;
}
