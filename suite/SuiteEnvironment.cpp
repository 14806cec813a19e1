#include "suite/SuiteEnvironment.h"

#include <windows.h>

#include "base/LocalizedString.h"
#include "base/Text.h"
#include "steps/Environment.h"

namespace flipdeck {

namespace {

std::string TypeName(DWORD type)
{
    switch (type) {
    case REG_NONE:
        return "REG_NONE";
    case REG_BINARY:
        return "REG_BINARY";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    case REG_QWORD:
        return "REG_QWORD";
    default:
        return std::to_string(type);
    }
}

}  // namespace

bool PathListHolds(const std::string& list, const std::string& folder)
{
    auto plain = [](std::string entry) {
        while (!entry.empty() && entry.back() == '\\')
            entry.pop_back();
        return ToUpper(entry);
    };
    const std::string wanted = plain(folder);
    for (size_t start = 0;;) {
        const size_t end = list.find(';', start);
        if (plain(list.substr(start, end == std::string::npos ? std::string::npos : end - start)) == wanted)
            return true;
        if (end == std::string::npos)
            return false;
        start = end + 1;
    }
}

namespace {

// `folder` and ";" in front of the PATH value; the rest of its bytes stay as they are, whatever they
// hold. The value is REG_EXPAND_SZ, as Windows keeps the machine PATH.
RegValue WithFolderInFront(const RegValue& path, const std::string& folder)
{
    if (path.data.empty())
        return WideTextValue(ToWide(folder + ";"), REG_EXPAND_SZ);
    RegValue updated{REG_EXPAND_SZ, WideBytes(ToWide(folder + ";"))};
    updated.data.insert(updated.data.end(), path.data.begin(), path.data.end());
    return updated;
}

}  // namespace

std::optional<Refusal> PlanPathUpdate(const SuiteVersionEntry& entry, std::vector<Step>& steps)
{
    PathReadFailure failure;
    const std::optional<RegValue> old = ReadSystemPath(failure);
    if (!old) {
        if (failure.status == ERROR_SUCCESS) {
            return Refusal{FormatLocalized(IDS_SYSTEM_PATH_WRONG_TYPE, {kEnvironmentKey, TypeName(failure.type)}),
                           {"ENV PATH not read: type " + TypeName(failure.type)}};
        }
        const std::string error = std::to_string(failure.status);
        return Refusal{FormatLocalized(IDS_SYSTEM_PATH_NOT_READ, {kEnvironmentKey, error}),
                       {std::string("ENV PATH not read: ") + (failure.keyOpened ? "" : "key not opened, ") + "error " + error}};
    }
    const std::string bin = entry.BinPath();
    const std::string list = PathListText(*old);
    if (PathListHolds(list, bin))
        return std::nullopt;
    steps.push_back(SetSystemPathStep(WithFolderInFront(*old, bin), bin));
    for (const std::string& line : {list, std::string("ENV PATH not found."), bin + ";" + list})
        steps.push_back(NoteStep(line));
    return std::nullopt;
}

std::vector<std::string> SuiteComponents(const SuiteVersionEntry& entry)
{
    const std::string components = entry.programPath + (entry.edition == 1 ? "\\program\\" : "\\kalvio\\");
    std::vector<std::string> files;
    for (const char* file : {"UiControls.dll", "UiControlsSet2.dll", "ATL.dll", "CxForms.dll", "CxUndo.dll", "CxAggreg.dll"})
        files.push_back(components + file);
    files.push_back(entry.programPath + "\\bin\\RemotePanel.dll");
    return files;
}

}  // namespace flipdeck
