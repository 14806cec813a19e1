#include <gtest/gtest.h>

#include "base/Registry.h"
#include "catalogue/CodesysCatalogue.h"
#include "codesys/CodesysList.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

const std::string kKey = kCodesysCatalogueKey;

// The demo world's CoDeSys list: "<neu>", 2.3.9.5 (current), 2.3.8.1, 2.3.7.0 (whole folder).
class CodesysListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScriptedUi loading;
        EnumerateUserHives(state_.userHives);
        LoadCodesysAtStartup(state_, loading);
        ASSERT_EQ(Names(), (std::vector<std::string>{"CoDeSys 2.3.9.5", "CoDeSys 2.3.8.1", "CoDeSys 2.3.7.0"}));
        ASSERT_TRUE(loading.messages.empty());
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const CodesysVersionEntry& entry : state_.codesysEntries)
            names.push_back(entry.name);
        return names;
    }

    std::string Saved(const std::string& name) const { return ReadRegText(HKEY_CURRENT_USER, kKey, name).value_or("<none>"); }

    ScopedDemoWorld world_;
    ScratchLogFolder log_;
    ScriptedUi ui_;
    RunState state_;
};

}  // namespace

TEST_F(CodesysListTest, DeleteRefusesTheActiveAndTheNeutralEntryAndSavesAtOnce)
{
    ui_.selectedCodesysRows = {1};
    WriteRegString(HKEY_CURRENT_USER, kKey, "CurrentVersionName", "codesys 2.3.9.5");
    DeleteCodesysEntry(state_, ui_);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "Der Eintrag f\xFCr die aktuell aktive Version kann nicht gel\xF6scht werden!");
    EXPECT_EQ(ui_.messages[0].type, static_cast<UINT>(MB_ICONINFORMATION | MB_OK));
    EXPECT_EQ(Names().size(), 3u);
    EXPECT_TRUE(state_.codesysDirty);  // and saved, as the log says
    EXPECT_EQ(log_.Messages().back(), "SaveAllCs");

    state_.codesysDirty = false;
    ui_.selectedCodesysRows = {0};
    DeleteCodesysEntry(state_, ui_);
    EXPECT_EQ(ui_.messages.back().text, "Dieser Eintrag kann nicht gel\xF6scht werden!");
    EXPECT_FALSE(state_.codesysDirty);
    EXPECT_EQ(log_.Messages().back(), "SaveAllCs");  // nothing saved since

    // Deleting the middle entry moves the selection to the entry that takes its row.
    ui_.selectedCodesysRows = {2};
    DeleteCodesysEntry(state_, ui_);
    EXPECT_EQ(Names(), (std::vector<std::string>{"CoDeSys 2.3.9.5", "CoDeSys 2.3.7.0"}));
    EXPECT_EQ(state_.codesysEntries[1].renameSubDir, 0);
    EXPECT_EQ(ui_.selectedCodesysRows, std::vector<int>{2});
    EXPECT_EQ(ui_.shownCodesysLists.back().size(), 2u);
    EXPECT_EQ(Saved("Name2"), "CoDeSys 2.3.7.0");
    EXPECT_EQ(Saved("Path2_ENI"), "");
    EXPECT_EQ(Saved("Name3"), "<none>");
    const std::string removal = log_.Messages().back();
    EXPECT_EQ(removal.substr(0, 37), "Remove CoDeSys version from registry ");
    const std::string tail = "\\" + kKey + ": CoDeSys 2.3.7.0 nItem: 3";
    EXPECT_EQ(removal.substr(removal.size() - tail.size()), tail);

    // The last row has no successor to select; no selection deletes nothing but still saves.
    ui_.selectedCodesysRows = {2};
    DeleteCodesysEntry(state_, ui_);
    EXPECT_EQ(ui_.selectedCodesysRows, std::vector<int>{2});
    ui_.selectedCodesysRows.clear();
    DeleteCodesysEntry(state_, ui_);
    EXPECT_EQ(Names(), std::vector<std::string>{"CoDeSys 2.3.9.5"});
    EXPECT_EQ(Saved("Name2"), "<none>");
}

TEST_F(CodesysListTest, MovesCarryEveryValueAndNeverPassTheNeutralRow)
{
    const std::vector<CodesysVersionEntry> loaded = state_.codesysEntries;
    for (const auto& [rows, up] : {std::pair{std::vector<int>{0}, true}, std::pair{std::vector<int>{1}, true},
                                   std::pair{std::vector<int>{0}, false}, std::pair{std::vector<int>{3}, false},
                                   std::pair{std::vector<int>{}, false}}) {
        ui_.selectedCodesysRows = rows;
        up ? MoveCodesysEntryUp(state_, ui_) : MoveCodesysEntryDown(state_, ui_);
    }
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_TRUE(ui_.shownCodesysLists.empty());
    EXPECT_FALSE(state_.codesysDirty);

    ui_.selectedCodesysRows = {2, 3};
    MoveCodesysEntryUp(state_, ui_);
    MoveCodesysEntryDown(state_, ui_);
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[1].text, "Bitte w\xE4hlen Sie nur ein Element aus!");

    ui_.selectedCodesysRows = {3};
    MoveCodesysEntryUp(state_, ui_);
    EXPECT_EQ(Names(), (std::vector<std::string>{"CoDeSys 2.3.9.5", "CoDeSys 2.3.7.0", "CoDeSys 2.3.8.1"}));
    EXPECT_EQ(state_.codesysEntries[1].renameSubDir, 0);
    EXPECT_EQ(state_.codesysEntries[2].eniPath, loaded[1].eniPath);
    EXPECT_EQ(ui_.selectedCodesysRows, std::vector<int>{2});
    EXPECT_TRUE(state_.codesysDirty);
    EXPECT_EQ(Saved("Name2"), "CoDeSys 2.3.8.1");  // OK of the dialog saves

    MoveCodesysEntryDown(state_, ui_);
    EXPECT_EQ(ui_.selectedCodesysRows, std::vector<int>{3});
    ASSERT_EQ(state_.codesysEntries.size(), loaded.size());
    for (size_t i = 0; i < loaded.size(); ++i) {
        EXPECT_EQ(state_.codesysEntries[i].name, loaded[i].name);
        EXPECT_EQ(state_.codesysEntries[i].plcWinNtPath, loaded[i].plcWinNtPath);
    }
}
