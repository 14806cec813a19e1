#include <gtest/gtest.h>

#include <thread>

#include "app/Startup.h"
#include "base/Language.h"
#include "base/LocalizedString.h"
#include "base/Registry.h"
#include "catalogue/SuiteCatalogue.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

struct ResourceModuleReset {
    ~ResourceModuleReset() { SetResourceModule(nullptr); }
};

// Takes a named mutex on a thread of its own, as another process would, and keeps it until the
// object ends.
class MutexHeldElsewhere {
public:
    explicit MutexHeldElsewhere(const char* name)
        : thread_([this, name] {
              UniqueHandle mutex(CreateMutexA(nullptr, FALSE, name));
              owned_ = mutex && WaitForSingleObject(mutex.get(), 0) == WAIT_OBJECT_0;
              SetEvent(ready_.get());
              WaitForSingleObject(done_.get(), INFINITE);
              if (owned_)
                  ReleaseMutex(mutex.get());
          })
    {
        WaitForSingleObject(ready_.get(), INFINITE);
    }
    ~MutexHeldElsewhere()
    {
        SetEvent(done_.get());
        thread_.join();
    }
    bool Owned() const { return owned_; }

private:
    UniqueHandle ready_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle done_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    bool owned_ = false;
    std::thread thread_;
};

}  // namespace

TEST(SingleInstance, OneFlipdeckPerMachineAndNoneBesideAnEarlierVersionInTheSession)
{
    // The global name reaches every session: a deployment tool's run in session 0 and a
    // technician's window in session 1 see the same mutex (Wine runs everything in one session).
    EXPECT_STREQ(kSingleInstanceMutex, "Global\\FLIPDECKMUTEX");
    EXPECT_STREQ(kSessionInstanceMutex, "FLIPDECKMUTEX");
    for (const char* name : {kSingleInstanceMutex, kSessionInstanceMutex}) {
        MutexHeldElsewhere other(name);
        ASSERT_TRUE(other.Owned()) << name;
        EXPECT_FALSE(AcquireSingleInstance()) << name;
    }
    EXPECT_TRUE(AcquireSingleInstance());
    EXPECT_TRUE(AcquireSingleInstance());  // a dialog opened again in the same process
    for (const char* name : {kSingleInstanceMutex, kSessionInstanceMutex}) {
        MutexHeldElsewhere later(name);
        EXPECT_FALSE(later.Owned()) << name;
    }
}

TEST(Language, CodesAndHelpFiles)
{
    EXPECT_EQ(LanguageIdFromCode("ENG"), 1);
    EXPECT_EQ(LanguageIdFromCode("deu"), 0);
    EXPECT_EQ(LanguageIdFromCode("FRA"), 0);
    EXPECT_EQ(HelpFilePath("C:\\Prog", "Flipdeck", "DEU"), "C:\\Prog\\Help\\Flipdeck_1031.chm");
    // The help choice compares exactly: lower-case "deu" gets the English help.
    EXPECT_EQ(HelpFilePath("C:\\Prog", "Flipdeck", "deu"), "C:\\Prog\\Help\\Flipdeck_1033.chm");
    EXPECT_EQ(HelpFilePath("", "Flipdeck", ""), "\\Help\\Flipdeck_1033.chm");
}

TEST(Language, LoadsLibrariesAsDataFromTheProgramFolderWithFallbacks)
{
    ResourceModuleReset reset;
    ScratchDir dir;
    UniqueModule library;
    // No library at all: English falls back to German, which is built in.
    EXPECT_EQ(LoadLanguageResources(dir.Path(), "Flipdeck", 1, library), 0);
    EXPECT_FALSE(library);
    EXPECT_EQ(ResourceModule(), GetModuleHandleA(nullptr));

    // Any module with resources serves as a language library; this one has no string table,
    // so the texts fall back to German.
    ASSERT_TRUE(CopyFileA(StandInPath("kalvio_2_14", "workbench.exe").c_str(), (dir / "Flipdeck.ENG").c_str(), FALSE));
    EXPECT_EQ(LoadLanguageResources(dir.Path(), "Flipdeck", 1, library), 1);
    ASSERT_TRUE(library);
    EXPECT_EQ(ResourceModule(), library.get());
    EXPECT_EQ(LoadLocalizedString(IDS_ALREADY_ACTIVE), "Diese Version ist bereits aktiv!");

    // An unknown id is German, whose library does not exist: the program's own resources.
    EXPECT_EQ(LoadLanguageResources(dir.Path(), "Flipdeck", 7, library), 0);
    EXPECT_EQ(ResourceModule(), GetModuleHandleA(nullptr));
}

class AdministratorCheck : public ::testing::Test {
protected:
    ScratchKey kalvio_{HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane"};
    ScratchKey meridan_{HKEY_LOCAL_MACHINE, "SOFTWARE\\Harlund Software\\MERIDAN"};
    RunState state_;
};

TEST_F(AdministratorCheck, RefusesWithoutAnyInstallationPath)
{
    // A current-user value does not count: the check is on the machine only.
    ScratchKey user(HKEY_CURRENT_USER, "SOFTWARE\\Brivane");
    WriteRegString(HKEY_CURRENT_USER, "SOFTWARE\\Brivane", "Path", "C:\\Brivane");
    EXPECT_FALSE(CheckAdministrator(state_));
    EXPECT_TRUE(state_.kalvioInstallPath.empty());
}

TEST_F(AdministratorCheck, PassesWithEitherPathAndRemembersBoth)
{
    WriteRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Harlund Software\\MERIDAN", "Path", "C:\\MERIDAN");
    EXPECT_TRUE(CheckAdministrator(state_));
    EXPECT_EQ(state_.meridanInstallPath, "C:\\MERIDAN");

    WriteRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane", "Path", "C:\\Brivane");
    EXPECT_TRUE(CheckAdministrator(state_));
    EXPECT_EQ(state_.kalvioInstallPath, "C:\\Brivane");
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane", "Path"), "C:\\Brivane");
}

TEST_F(AdministratorCheck, WriteBackKeepsTheValueType)
{
    const std::string expandable = "%SystemDrive%\\Brivane";
    SetRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane", "Path", REG_EXPAND_SZ, expandable.c_str(),
                static_cast<DWORD>(expandable.size() + 1));
    WriteRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Harlund Software\\MERIDAN", "Path", "C:\\MERIDAN");
    EXPECT_TRUE(CheckAdministrator(state_));
    const std::optional<RegValue> kalvio = ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane", "Path");
    ASSERT_TRUE(kalvio);
    EXPECT_EQ(kalvio->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(kalvio->Text(), expandable);
    const std::optional<RegValue> meridan = ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Harlund Software\\MERIDAN", "Path");
    ASSERT_TRUE(meridan);
    EXPECT_EQ(meridan->type, static_cast<DWORD>(REG_SZ));
}

TEST_F(AdministratorCheck, AnExpandablePathIsExpandedBeforeAProgramPathIsDerivedFromIt)
{
    ScratchKey user(HKEY_CURRENT_USER, kSuiteCatalogueKey);
    ScratchKey machine(HKEY_LOCAL_MACHINE, kSuiteCatalogueKey);
    ScratchLogFolder log;
    ScratchDir dir;
    SetEnvironmentVariableA("FLIPDECK_TEST_ROOT", dir.Path().c_str());
    for (const char* folder : {"Brivane", "Parked 2.15"}) {
        MakeDirs(dir / folder + "\\Kalvio");
        WriteFileBytes(dir / folder + "\\Kalvio\\workbench.exe", "");
    }
    const std::string expandable = "%FLIPDECK_TEST_ROOT%\\Brivane";
    SetRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane", "Path", REG_EXPAND_SZ, expandable.c_str(),
                static_cast<DWORD>(expandable.size() + 1));
    EXPECT_TRUE(CheckAdministrator(state_));
    EXPECT_EQ(state_.kalvioInstallPath, dir / "Brivane");
    EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane", "Path")->type, static_cast<DWORD>(REG_EXPAND_SZ));

    // The second entry has no program path: the one derived from the installation path is a
    // folder, and the catalogue keeps that folder, not a variable it never held.
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name1", "V1");
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Path1", dir / "Brivane1");
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "PrgPath1", dir / "Brivane");
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name2", "V2");
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Path2", dir / "Parked 2.15");
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName", "V1");
    ScriptedUi ui;
    LoadSuiteCatalogue(state_, ui, false);
    ASSERT_EQ(state_.suiteEntries.size(), 2u);
    EXPECT_EQ(state_.suiteEntries[1].programPath, dir / "Brivane");
    SaveSuiteCatalogue(state_, true);
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "PrgPath2"), dir / "Brivane");
    SetEnvironmentVariableA("FLIPDECK_TEST_ROOT", nullptr);
}

TEST(Startup, TheRepairedFirstEntryIsKeptByTheNextSave)
{
    ScratchKey user(HKEY_CURRENT_USER, kSuiteCatalogueKey);
    ScratchKey machine(HKEY_LOCAL_MACHINE, kSuiteCatalogueKey);
    ScratchLogFolder log;
    ScratchDir dir;
    for (const char* folder : {"Brivane", "Brivane V2"}) {
        MakeDirs(dir / folder + "\\Kalvio");
        WriteFileBytes(dir / folder + "\\Kalvio\\workbench.exe", "");
    }
    // The first entry, the live version, lost its rename path.
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name1", "V1");
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "PrgPath1", dir / "Brivane");
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name2", "V2");
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Path2", dir / "Brivane V2");
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "PrgPath2", dir / "Brivane");
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName", "V1");

    RunState state;
    state.installPath = dir / "Brivane";
    ScriptedUi ui;
    LoadAtStartup(state, ui, "1.0.0.1");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(state.currentSuiteIndex, 0);
    // OK after a tick of the auto-start check box saves the list.
    SaveSuiteCatalogue(state, true);
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name1"), "V1");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Path1"), dir / "Brivane1");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name2"), "V2");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Path2"), dir / "Brivane V2");
}

TEST(Startup, PrepareRunReadsAutoStartWithDefaultOn)
{
    ScratchKey user(HKEY_CURRENT_USER, "SOFTWARE\\BRIVANE\\Flipdeck");
    ScratchKey machine(HKEY_LOCAL_MACHINE, "SOFTWARE\\BRIVANE\\Flipdeck");
    RunState state;
    state.suiteDirty = state.codesysDirty = true;
    state.autoStart = false;
    PrepareRun(state);
    EXPECT_TRUE(state.autoStart);
    EXPECT_FALSE(state.suiteDirty || state.codesysDirty);
    WriteRegByte(HKEY_LOCAL_MACHINE, "SOFTWARE\\BRIVANE\\Flipdeck", "AutoStart", 0);
    PrepareRun(state);
    EXPECT_FALSE(state.autoStart);
}
