// Prints what one ReadRegString costs on a key with 10 values and on one with 350 values.
// Start-up makes hundreds of such reads on keys of that size; the cost must not grow with the
// number of values in the key.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/Registry.h"
#include "base/RegistryTree.h"

using namespace flipdeck;

namespace {

const char kKey[] = "Software\\FlipdeckBenchmark";

double MicrosecondsPerRead(int valueCount)
{
    const std::string key = std::string(kKey) + "\\" + std::to_string(valueCount);
    for (int i = 1; i <= valueCount; ++i)
        WriteRegString(HKEY_CURRENT_USER, key, "Path" + std::to_string(i), "C:\\Brivane V2.14.0." + std::to_string(i));
    // The last value written is the one an enumeration would reach last.
    const std::string wanted = "Path" + std::to_string(valueCount);
    const int reads = 2000;
    char buffer[MAX_PATH];
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < reads; ++i)
        ReadRegString(HKEY_CURRENT_USER, key, wanted, buffer, sizeof(buffer));
    QueryPerformanceCounter(&end);
    return 1e6 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart / reads;
}

}  // namespace

int main()
{
    DeleteRegistryTree(HKEY_CURRENT_USER, kKey);
    double small = MicrosecondsPerRead(10);
    double large = MicrosecondsPerRead(350);
    DeleteRegistryTree(HKEY_CURRENT_USER, kKey);
    std::printf("ReadRegString, key with  10 values: %.2f us per read\n", small);
    std::printf("ReadRegString, key with 350 values: %.2f us per read\n", large);
    std::printf("ratio 350/10: %.2f (must stay below 1.5)\n", large / small);
    return large / small < 1.5 ? 0 : 1;
}
