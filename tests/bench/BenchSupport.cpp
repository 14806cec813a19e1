#include "tests/bench/BenchSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "app/Startup.h"
#include "base/Registry.h"
#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "catalogue/SuiteCatalogue.h"
#include "codesys/CodesysChange.h"
#include "codesys/CodesysList.h"
#include "steps/Environment.h"
#include "suite/SuiteChange.h"
#include "tests/world/DemoWorld.h"

namespace flipdeck::bench {

double Milliseconds(const std::function<void()>& work)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    work();
    QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string Figures(const std::vector<double>& values)
{
    char text[128];
    std::snprintf(text, sizeof(text), "%7.1f ms (%.1f to %.1f, %zu runs)", Median(values),
                  values.empty() ? 0.0 : *std::min_element(values.begin(), values.end()),
                  values.empty() ? 0.0 : *std::max_element(values.begin(), values.end()), values.size());
    return text;
}

void Require(bool ok, const std::string& what)
{
    if (ok)
        return;
    std::fprintf(stderr, "benchmark stopped: %s\n", what.c_str());
    std::exit(2);
}

namespace {

// A change that must succeed and say nothing but so.
void RequireSuccess(bool done, const test::ScriptedUi& ui, const std::string& what)
{
    Require(done && ui.messages.size() == 1, what + " did not succeed" +
                                                 (ui.messages.empty() ? std::string() : ": " + ui.messages.back().text));
}

}  // namespace

CodesysSwitcher::CodesysSwitcher()
{
    test::ScriptedUi loading;
    EnumerateUserHives(state_.userHives);
    LoadCodesysAtStartup(state_, loading);
    for (const CodesysVersionEntry& entry : state_.codesysEntries)
        CreateDirectoryA((ProductSystemDirectory() + entry.name).c_str(), nullptr);
}

void CodesysSwitcher::Switch(int row)
{
    test::ScriptedUi ui;
    ui.selectedCodesysRows = {row};
    RequireSuccess(SwitchCodesys(state_, ui) == ChangeOutcome::Done, ui, "CoDeSys change to row " + std::to_string(row));
}

SuiteSwitcher::SuiteSwitcher() { world::ApplyLastingSwitchEffects(); }

void SuiteSwitcher::Switch(int row)
{
    RunState state;
    CheckAdministrator(state);
    test::ScriptedUi ui;
    LoadSuiteCatalogue(state, ui, false);
    ui.messages.clear();
    ui.selectedSuiteRows = {row};
    ui.autoStartChecked = false;
    RequireSuccess(SwitchSuite(state, ui) == ChangeOutcome::Done, ui, "suite change to row " + std::to_string(row));
}

namespace {

RegistryTree::Value Value(const std::string& name, DWORD type, std::vector<BYTE> data)
{
    return {ToWide(name), type, std::move(data)};
}

// Text as the wide registry functions keep it: UTF-16 with its terminating zero.
RegistryTree::Value Text(const std::string& name, const std::string& text, DWORD type = REG_SZ)
{
    return Value(name, type, WideTextValue(ToWide(text), type).data);
}

std::vector<RegistryTree::Value> TargetValues(int n)
{
    const std::string number = std::to_string(n);
    const BYTE id[] = {0x53, static_cast<BYTE>(n), static_cast<BYTE>(n >> 8), 0x23, 0x95, 0x10, 0x00, 0x01};
    return {Text("File", "C:\\Programme\\3S Software\\CoDeSys V2.3\\Targets\\Target " + number + "\\target.trg"),
            Text("Info", "%ProgramFiles%\\3S Software\\CoDeSys V2.3\\Targets\\Target " + number + "\\target.tnf",
                 REG_EXPAND_SZ),
            Text("Version", "2.3.9." + number),
            Value("Id", REG_BINARY, std::vector<BYTE>(std::begin(id), std::end(id))),
            Value("Order", REG_DWORD, {static_cast<BYTE>(n), static_cast<BYTE>(n >> 8), 0, 0})};
}

}  // namespace

RegistryTree LiveTree()
{
    RegistryTree tree;
    Require(CaptureRegistryTree(HKEY_LOCAL_MACHINE, kLiveTree, tree) == ERROR_SUCCESS, "the live 3S tree is missing");
    return tree;
}

RegistryTree CodesysTargets(int keys)
{
    RegistryTree tree;
    tree.values = TargetValues(0);
    for (int n = 1; n < keys; ++n) {
        RegistryTree::SubKey target{ToWide("Target " + std::to_string(n)), {}};
        target.tree.values = TargetValues(n);
        tree.subKeys.push_back(std::move(target));
    }
    return tree;
}

void CountKeys(const RegistryTree& tree, size_t& keys, size_t& values)
{
    values += tree.values.size();
    for (const RegistryTree::SubKey& sub : tree.subKeys) {
        ++keys;
        CountKeys(sub.tree, keys, values);
    }
}

void RunSystemProgram(const std::string& program, const std::string& arguments)
{
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string application = std::string(system) + "\\" + program;
    std::string commandLine = "\"" + application + "\" " + arguments;
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    UniqueFileHandle nowhere(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         &inheritable, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nowhere.get();
    PROCESS_INFORMATION info{};
    Require(CreateProcessA(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                           nullptr, &startup, &info) != FALSE,
            "cannot start " + commandLine);
    UniqueHandle process(info.hProcess), thread(info.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    Require(code == 0, commandLine + " answered " + std::to_string(code));
}

}  // namespace flipdeck::bench
