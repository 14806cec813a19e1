#include "app/Startup.h"

#include <windows.h>

#include <utility>

#include "base/ActivityLog.h"
#include "base/Registry.h"
#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "catalogue/CatalogueHive.h"
#include "catalogue/CodesysCatalogue.h"
#include "catalogue/SuiteCatalogue.h"
#include "codesys/CodesysList.h"
#include "codesys/CodesysVerify.h"
#include "suite/SuiteVerify.h"

namespace flipdeck {

const char kSingleInstanceMutex[] = "Global\\FLIPDECKMUTEX";
const char kSessionInstanceMutex[] = "FLIPDECKMUTEX";

namespace {

// The mutex of that name, owned by this thread; null while another process owns it. Only
// SYNCHRONIZE is asked for: that much administrators may have of a mutex the system account made.
UniqueHandle OwnMutex(const char* name)
{
    UniqueHandle mutex(CreateMutexExA(nullptr, name, 0, SYNCHRONIZE));
    // Abandoned: the Flipdeck that owned it died, and this one takes over.
    const DWORD wait = mutex ? WaitForSingleObject(mutex.get(), 0) : WAIT_FAILED;
    return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED ? std::move(mutex) : UniqueHandle();
}

}  // namespace

bool AcquireSingleInstance()
{
    // Both are held until the process ends. A dialog opened again in the same process is the same
    // instance.
    static UniqueHandle machine, session;
    if (machine)
        return true;
    UniqueHandle global = OwnMutex(kSingleInstanceMutex);
    UniqueHandle local = global ? OwnMutex(kSessionInstanceMutex) : UniqueHandle();
    if (!local)
        return false;
    machine = std::move(global);
    session = std::move(local);
    return true;
}

void PrepareRun(RunState& state)
{
    state.suiteDirty = false;
    state.codesysDirty = false;
    state.currentSuiteIndex = 0;
    state.autoStart = ReadCatalogueByte(kSuiteCatalogueKey, "AutoStart").value_or(1) != 0;
}

bool CheckAdministrator(RunState& state)
{
    const std::pair<const char*, std::string*> installations[] = {{kMeridanInstallKey, &state.meridanInstallPath},
                                                                  {kKalvioInstallKey, &state.kalvioInstallPath}};
    bool writable = false;
    for (const auto& [key, remembered] : installations) {
        const std::optional<RegValue> value = ReadRegValue(HKEY_LOCAL_MACHINE, key, "Path");
        if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ))
            continue;
        // Written back as it was: an expandable path stays expandable. Remembered expanded, as the
        // folder it names: program paths are derived from it and saved in the catalogue.
        const std::string text = value->Text();
        *remembered = value->type == REG_EXPAND_SZ ? ExpandEnvironment(text) : text;
        writable = value->type == REG_EXPAND_SZ ? WriteRegExpandString(HKEY_LOCAL_MACHINE, key, "Path", text)
                                                : WriteRegString(HKEY_LOCAL_MACHINE, key, "Path", text);
    }
    return writable;
}

RecoveryReport::Result LoadAtStartup(RunState& state, UserInterface& ui, const std::string& ownVersion)
{
    WriteLog("==============================================");
    WriteLog("Flipdeck " + ownVersion + " started");
    // A switch that died half-way is undone before anything reads the catalogues it changed.
    const RecoveryReport recovery = RecoverUnfinishedSwitch();
    if (recovery.result != RecoveryReport::Result::NothingToDo)
        ui.ShowMessage(RecoveryMessage(recovery), recovery.result == RecoveryReport::Result::Recovered
                                                      ? MB_ICONINFORMATION | MB_OK
                                                      : MB_ICONWARNING | MB_OK);
    // The repair comes first, so that the repaired entry is in the list that later saves write.
    RepairFirstSuiteEntry(state.installPath);
    LoadSuiteCatalogue(state, ui, true);
    state.userHives = CatalogueUserHives();
    return recovery.result;
}

void SaveChangedCatalogues(const RunState& state, bool autoStart)
{
    if (state.codesysDirty)
        SaveCodesysCatalogue(state);
    if (state.suiteDirty)
        SaveSuiteCatalogue(state, autoStart);
}

std::vector<Finding> VerifyMachine(const RunState& state, VerifyDepth depth)
{
    std::vector<Finding> findings;
    CheckJournal(findings);
    for (const std::vector<Finding>& part : {VerifySuite(state, depth), VerifyCodesys(state)})
        findings.insert(findings.end(), part.begin(), part.end());
    return findings;
}

RunStartup ProgramStartup()
{
    RunStartup startup;
    startup.acquireSingleInstance = AcquireSingleInstance;
    startup.prepare = PrepareRun;
    startup.checkAdministrator = CheckAdministrator;
    startup.load = [](RunState& state, UserInterface& ui, const std::string& ownVersion) {
        const RecoveryReport::Result recovery = LoadAtStartup(state, ui, ownVersion);
        LoadCodesysAtStartup(state, ui);
        return recovery;
    };
    startup.saveChanged = SaveChangedCatalogues;
    startup.verify = VerifyMachine;
    return startup;
}

}  // namespace flipdeck
