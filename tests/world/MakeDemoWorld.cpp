// Builds the demo world in the current Wine prefix (or on a test machine): make_demo_world.exe
#include <cstdio>
#include <stdexcept>

#include <windows.h>

#include "tests/world/DemoWorld.h"

int main()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string bin(path);
    bin = bin.substr(0, bin.find_last_of('\\'));
    try {
        flipdeck::world::Build(bin + "\\standins");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    std::printf("Demo world built: suite at %s, CoDeSys at %s\n", flipdeck::world::kKalvioInstall,
                flipdeck::world::kCodesysRoot);
    return 0;
}
