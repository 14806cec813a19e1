// regsettings.dll as the suite's programs use it: loaded by full path from the programs' folder,
// every function resolved by its exported name.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

#include "base/UniqueHandle.h"
#include "regsettings/regsettings.h"
#include "tests/TestSupport.h"

namespace flipdeck::test {

class RegSettingsDll {
public:
    // Loaded once per test program; throws when the library or one of its exports is missing.
    static const RegSettingsDll& Get()
    {
        static const RegSettingsDll dll;
        return dll;
    }

private:
    RegSettingsDll() : module_(LoadLibraryA((BinDir() + "\\regsettings.dll").c_str()))
    {
        if (!module_)
            throw std::runtime_error("cannot load regsettings.dll");
    }

    template <typename F>
    F Resolve(const char* name) const
    {
        FARPROC address = GetProcAddress(module_.get(), name);
        if (address == nullptr)
            throw std::runtime_error(std::string("regsettings.dll does not export ") + name);
        // Through void (*)(), the one function pointer type any other converts from and back to.
        return reinterpret_cast<F>(reinterpret_cast<void (*)()>(address));
    }

    UniqueModule module_;  // declared before the functions, which are resolved from it

public:
#define FLIPDECK_IMPORT(name) const decltype(&::name) name = Resolve<decltype(&::name)>(#name)
    FLIPDECK_IMPORT(GetRegistryBrivaneString);
    FLIPDECK_IMPORT(GetRegistryTessaroString);
    FLIPDECK_IMPORT(GetRegistryTessaroIIString);
    FLIPDECK_IMPORT(GetRegistryScrivoString);
    FLIPDECK_IMPORT(GetRegistryTaragoString);
    FLIPDECK_IMPORT(GetRegistryBusflashString);
    FLIPDECK_IMPORT(GetRegistryTessaroDW);
    FLIPDECK_IMPORT(GetRegistryTessaroIIBin);
    FLIPDECK_IMPORT(GetRegistryBrivaneBin);
    FLIPDECK_IMPORT(GetRegistryScrivoBin);
    FLIPDECK_IMPORT(GetRegistryTaragoBin);
    FLIPDECK_IMPORT(GetRegistryBusflashBin);
    FLIPDECK_IMPORT(SetRegistryTessaroIIString);
    FLIPDECK_IMPORT(GetRegistryRegistryToolsString);
    FLIPDECK_IMPORT(GetRegistryRegistryToolsDW);
    FLIPDECK_IMPORT(GetRegistryToolName);
    FLIPDECK_IMPORT(GetRegistryVersionName);
    FLIPDECK_IMPORT(GetRegistryAppParaName);
    FLIPDECK_IMPORT(GetFileCrc);
    FLIPDECK_IMPORT(GetLocalUserFolder);
#undef FLIPDECK_IMPORT
};

}  // namespace flipdeck::test
