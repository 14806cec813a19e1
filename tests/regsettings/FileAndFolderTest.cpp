// The file checksum of regsettings.dll against zlib's crc32, and the per-user folder.
#include <gtest/gtest.h>
#include <zlib.h>

#include <shlobj.h>
#include <shlwapi.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/regsettings/RegSettingsDll.h"
#include "tests/TestSupport.h"

using namespace flipdeck::test;

namespace {

std::string RandomBytes(size_t size, unsigned int seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator());
    return bytes;
}

unsigned long ZlibCrc(const std::string& bytes)
{
    return crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
}

}  // namespace

TEST(GetFileCrc, MatchesZlibAcrossBlockBoundaries)
{
    const RegSettingsDll& dll = RegSettingsDll::Get();
    ScratchDir dir;
    // Every length up to two 64-byte strides covers how the blocks of one read are split.
    std::vector<size_t> sizes = {4095, 4096, 4097, 8193, (5u << 20) + 3};
    for (size_t size = 0; size <= 130; ++size)
        sizes.push_back(size);
    for (size_t size : sizes) {
        SCOPED_TRACE(size);
        const std::string bytes = RandomBytes(size, static_cast<unsigned int>(size));
        WriteFileBytes(dir / "data.bin", bytes);
        unsigned long crc = 1;
        EXPECT_EQ(dll.GetFileCrc((dir / "data.bin").c_str(), &crc), 0);
        EXPECT_EQ(crc, ZlibCrc(bytes));
    }
    WriteFileBytes(dir / "abc.txt", "abc");
    unsigned long crc = 0;
    EXPECT_EQ(dll.GetFileCrc((dir / "abc.txt").c_str(), &crc), 0);
    EXPECT_EQ(crc, 0x352441C2u);

    // A failed open answers the system's error code and a checksum of 0.
    crc = 1;
    EXPECT_EQ(dll.GetFileCrc((dir / "missing.bin").c_str(), &crc), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(crc, 0u);
    crc = 1;
    EXPECT_EQ(dll.GetFileCrc((dir / "missing\\data.bin").c_str(), &crc), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(crc, 0u);
}

TEST(GetFileCrc, ThreadsChecksummingAtOnceGetTheirOwnResults)
{
    const RegSettingsDll& dll = RegSettingsDll::Get();
    ScratchDir dir;
    const int kThreads = 8;
    std::vector<unsigned long> expected;
    for (int i = 0; i < kThreads; ++i) {
        const std::string bytes = RandomBytes((1u << 20) + 977u * i, 100 + i);
        WriteFileBytes(dir / std::to_string(i), bytes);
        expected.push_back(ZlibCrc(bytes));
    }
    std::vector<std::vector<unsigned long>> results(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            const std::string file = dir / std::to_string(i);
            for (int round = 0; round < 6; ++round) {
                unsigned long crc = 0;
                dll.GetFileCrc(file.c_str(), &crc);
                results[i].push_back(crc);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    for (int i = 0; i < kThreads; ++i)
        EXPECT_EQ(results[i], std::vector<unsigned long>(6, expected[i])) << "thread " << i;
}

TEST(GetLocalUserFolder, CreatesBothFoldersOnlyWhenTheBufferHoldsThePath)
{
    const RegSettingsDll& dll = RegSettingsDll::Get();
    char documents[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, documents, CSIDL_PERSONAL, TRUE));
    const std::string brivane = std::string(documents) + "\\Brivane";
    const std::string kalvio = brivane + "\\Kalvio";
    // Another program's Brivane folder (with its log) is set aside and put back afterwards.
    const std::string saved = brivane + ".saved-" + std::to_string(GetCurrentProcessId());
    const bool hadFolder = MoveFileA(brivane.c_str(), saved.c_str()) != FALSE;
    flipdeck::ScopeExit restore([&] {
        RemoveTree(brivane);
        if (hadFolder)
            MoveFileA(saved.c_str(), brivane.c_str());
    });

    for (size_t size : {size_t{0}, kalvio.size()}) {
        GuardedBuffer tooShort(size);
        EXPECT_EQ(dll.GetLocalUserFolder(tooShort.Data(), static_cast<unsigned int>(size)), 0);
        EXPECT_TRUE(tooShort.Untouched());
    }
    EXPECT_FALSE(PathFileExistsA(brivane.c_str()));

    for (int call = 0; call < 2; ++call) {  // creates the folders, then finds them
        GuardedBuffer exact(kalvio.size() + 1);
        EXPECT_EQ(dll.GetLocalUserFolder(exact.Data(), static_cast<unsigned int>(exact.size)), 1);
        EXPECT_EQ(exact.Text(), kalvio);
        EXPECT_TRUE(exact.GuardsIntact());
        EXPECT_TRUE(PathIsDirectoryA(kalvio.c_str()));
    }
}
