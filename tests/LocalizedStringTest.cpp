#include <gtest/gtest.h>

#include "base/LocalizedString.h"
#include "base/UniqueHandle.h"
#include "tests/TestSupport.h"

using namespace flipdeck;

namespace {

// Restores the program's own resources after a test switched them.
struct ResourceModuleReset {
    ~ResourceModuleReset() { SetResourceModule(nullptr); }
};

const unsigned kAllIds[] = {
#define FLIPDECK_TEXT(symbol, number, text) number,
#include "messages.inc"
#undef FLIPDECK_TEXT
};

}  // namespace

TEST(LocalizedString, StringTableHoldsEveryTextAsTheBuiltInDefault)
{
    // The table reaches the program twice, through the resource compiler and the C++ compiler;
    // both must give the same Windows-1252 bytes.
    for (unsigned id : kAllIds) {
        char buffer[4097];
        int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
        ASSERT_GT(length, 0) << id;
        EXPECT_EQ(std::string(buffer, length), GermanDefault(id)) << id;
    }
    EXPECT_EQ(LoadLocalizedString(IDS_DELETE), "L\xF6schen");
    EXPECT_EQ(LoadLocalizedString(IDS_RUN_AS_ADMIN), "Bitte f\xFChren Sie das Programm als Administrator aus!");
    EXPECT_EQ(LoadLocalizedString(IDS_ABOUTBOX), "Inf&o \xFC" "ber Flipdeck...");
}

TEST(LocalizedString, FallsBackToGermanWhenTheLibraryLacksTheText)
{
    ResourceModuleReset reset;
    UniqueModule library(LoadLibraryExA(test::StandInPath("kalvio_2_14", "workbench.exe").c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(library);
    SetResourceModule(library.get());
    EXPECT_EQ(LoadLocalizedString(IDS_ALREADY_ACTIVE), "Diese Version ist bereits aktiv!");
    EXPECT_EQ(GermanDefault(1), std::string());
}

TEST(LocalizedString, FormatFillsPlaceholdersInOrderAndNeverReadsFormatDirectives)
{
    EXPECT_EQ(FormatLocalized(IDS_RENAME_DIR_FAILED, {"C:\\A", "C:\\B"}),
              "Das Verzeichnis C:\\A \nkonnte nicht nach C:\\B \numbenannt werden!");
    // An argument that looks like a directive is text; missing arguments leave their placeholder,
    // surplus ones are dropped. A translated text can never make this read past its arguments.
    EXPECT_EQ(FormatLocalized(IDS_FILE_NOT_FOUND, {"%s%n%d", "surplus"}), "Datei nicht gefunden: %s%n%d");
    EXPECT_EQ(FormatLocalized(IDS_RENAME_DIR_FAILED, {"C:\\A"}),
              "Das Verzeichnis C:\\A \nkonnte nicht nach %s \numbenannt werden!");
}
