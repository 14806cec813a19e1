#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "base/CERegistry.h"
#include "base/Registry.h"
#include "base/RegistryTree.h"
#include "catalogue/CatalogueStore.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using flipdeck::test::GuardedBuffer;
using flipdeck::test::ScratchKey;
using flipdeck::test::SetRegValue;

namespace {

const char kScratch[] = "Software\\FlipdeckTest";

void SetText(HKEY root, const std::string& subKey, const std::string& name, DWORD type,
             const std::string& text)
{
    SetRegValue(root, subKey, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

}  // namespace

TEST(ReadRegString, ReadsBothStringTypesAndRefusesOthers)
{
    ScratchKey scratch(HKEY_CURRENT_USER, kScratch);
    SetText(HKEY_CURRENT_USER, kScratch, "Plain", REG_SZ, "C:\\Brivane");
    SetText(HKEY_CURRENT_USER, kScratch, "Expand", REG_EXPAND_SZ, "%SystemRoot%\\x");
    SetText(HKEY_CURRENT_USER, kScratch, "AsBinary", REG_BINARY, "C:\\Brivane");
    DWORD number = 7;
    SetRegValue(HKEY_CURRENT_USER, kScratch, "Number", REG_DWORD, &number, sizeof(number));

    char buffer[64] = "untouched";
    EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kScratch, "plain", buffer, sizeof(buffer)));
    EXPECT_STREQ(buffer, "C:\\Brivane");
    EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kScratch, "EXPAND", buffer, sizeof(buffer)));
    EXPECT_STREQ(buffer, "%SystemRoot%\\x");

    std::strcpy(buffer, "untouched");
    EXPECT_FALSE(ReadRegString(HKEY_CURRENT_USER, kScratch, "AsBinary", buffer, sizeof(buffer)));
    EXPECT_FALSE(ReadRegString(HKEY_CURRENT_USER, kScratch, "Number", buffer, sizeof(buffer)));
    EXPECT_FALSE(ReadRegString(HKEY_CURRENT_USER, kScratch, "Missing", buffer, sizeof(buffer)));
    EXPECT_FALSE(ReadRegString(HKEY_CURRENT_USER, std::string(kScratch) + "\\Nope", "Plain", buffer,
                               sizeof(buffer)));
    EXPECT_FALSE(ReadRegString(HKEY_CURRENT_USER, kScratch, "Plain", buffer, 0));
    EXPECT_STREQ(buffer, "untouched");
}

TEST(ReadRegString, CutsLongValuesAndUnterminatedDataSafely)
{
    ScratchKey scratch(HKEY_CURRENT_USER, kScratch);
    SetText(HKEY_CURRENT_USER, kScratch, "Long", REG_SZ, "0123456789");
    const char raw[] = {'a', 'b', 'c', 'd'};  // stored without a terminating zero
    SetRegValue(HKEY_CURRENT_USER, kScratch, "Unterminated", REG_SZ, raw, sizeof(raw));
    SetRegValue(HKEY_CURRENT_USER, kScratch, "Empty", REG_SZ, nullptr, 0);

    GuardedBuffer cut(5);
    EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kScratch, "Long", cut.Data(), cut.size));
    EXPECT_EQ(cut.Text(), "0123");
    EXPECT_TRUE(cut.GuardsIntact());

    GuardedBuffer exact(4);  // the unterminated four characters do not fit with their zero
    EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kScratch, "Unterminated", exact.Data(), exact.size));
    EXPECT_EQ(exact.Text(), "abc");
    EXPECT_TRUE(exact.GuardsIntact());

    GuardedBuffer roomy(10);
    EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kScratch, "Unterminated", roomy.Data(), roomy.size));
    EXPECT_EQ(roomy.Text(), "abcd");
    EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kScratch, "Empty", roomy.Data(), roomy.size));
    EXPECT_EQ(roomy.Text(), "");
    EXPECT_TRUE(roomy.GuardsIntact());

    GuardedBuffer one(1);
    EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kScratch, "Long", one.Data(), one.size));
    EXPECT_EQ(one.Text(), "");
    EXPECT_TRUE(one.GuardsIntact());
}

TEST(ReadRegString, FindsValuesBesideVeryLongValueNames)
{
    // A value whose name is longer than 255 characters must not hide the values after it.
    ScratchKey scratch(HKEY_CURRENT_USER, kScratch);
    SetText(HKEY_CURRENT_USER, kScratch, std::string(300, 'N'), REG_SZ, "long name");
    SetText(HKEY_CURRENT_USER, kScratch, "After", REG_SZ, "found");
    char buffer[32];
    EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kScratch, "After", buffer, sizeof(buffer)));
    EXPECT_STREQ(buffer, "found");
    EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kScratch, std::string(300, 'n'), buffer, sizeof(buffer)));
    EXPECT_STREQ(buffer, "long name");
}

TEST(ReadRegByte, AcceptsOnlyNonEmptyBinary)
{
    ScratchKey scratch(HKEY_CURRENT_USER, kScratch);
    const BYTE bytes[] = {0x2A, 0x01};
    SetRegValue(HKEY_CURRENT_USER, kScratch, "Flag", REG_BINARY, bytes, sizeof(bytes));
    SetRegValue(HKEY_CURRENT_USER, kScratch, "EmptyFlag", REG_BINARY, nullptr, 0);
    DWORD number = 1;
    SetRegValue(HKEY_CURRENT_USER, kScratch, "AsDword", REG_DWORD, &number, sizeof(number));

    BYTE value = 0x55;
    EXPECT_TRUE(ReadRegByte(HKEY_CURRENT_USER, kScratch, "flag", value));
    EXPECT_EQ(value, 0x2A);
    value = 0x55;
    EXPECT_FALSE(ReadRegByte(HKEY_CURRENT_USER, kScratch, "AsDword", value));
    EXPECT_FALSE(ReadRegByte(HKEY_CURRENT_USER, kScratch, "EmptyFlag", value));
    EXPECT_FALSE(ReadRegByte(HKEY_CURRENT_USER, kScratch, "Missing", value));
    EXPECT_EQ(value, 0x55);
}

TEST(UserMachineReads, CurrentUserWinsAndMachineIsTheFallback)
{
    ScratchKey user(HKEY_CURRENT_USER, kScratch);
    ScratchKey machine(HKEY_LOCAL_MACHINE, kScratch);
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, kScratch, "Both", "machine"));
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kScratch, "Both", "user"));
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, kScratch, "MachineOnly", "machine"));
    // A current-user value of the wrong type does not hide the machine's.
    ASSERT_TRUE(WriteRegByte(HKEY_CURRENT_USER, kScratch, "MachineOnly", 1));
    ASSERT_TRUE(WriteRegByte(HKEY_LOCAL_MACHINE, kScratch, "Flag", 9));

    EXPECT_EQ(ReadUserMachineText(kScratch, "Both"), "user");
    EXPECT_EQ(ReadUserMachineText(kScratch, "MachineOnly"), "machine");
    BYTE flag = 0;
    EXPECT_TRUE(ReadUserMachineByte(kScratch, "Flag", flag));
    EXPECT_EQ(flag, 9);
    EXPECT_FALSE(ReadUserMachineByte(kScratch, "Both", flag));
}

TEST(CatalogueValues, AnswerEveryValueAsTheReadsOneByOneDo)
{
    ScratchKey user(HKEY_CURRENT_USER, kScratch);
    ScratchKey machine(HKEY_LOCAL_MACHINE, kScratch);
    const BYTE empty = 0, unterminated[] = {'a', 'b'};
    const DWORD number = 7;
    SetText(HKEY_CURRENT_USER, kScratch, "Both", REG_SZ, "user");
    SetText(HKEY_LOCAL_MACHINE, kScratch, "Both", REG_SZ, "machine");
    SetText(HKEY_LOCAL_MACHINE, kScratch, "MachineOnly", REG_EXPAND_SZ, "%SystemRoot%");
    SetText(HKEY_CURRENT_USER, kScratch, "UserOnly", REG_SZ, "");
    // A current-user value of the wrong type (or an empty flag) leaves the machine's in view.
    SetRegValue(HKEY_CURRENT_USER, kScratch, "TextAsFlag", REG_BINARY, unterminated, sizeof(unterminated));
    SetText(HKEY_LOCAL_MACHINE, kScratch, "TextAsFlag", REG_SZ, "machine text");
    SetRegValue(HKEY_CURRENT_USER, kScratch, "Flag", REG_DWORD, &number, sizeof(number));
    SetRegValue(HKEY_LOCAL_MACHINE, kScratch, "Flag", REG_BINARY, &number, 1);
    SetRegValue(HKEY_CURRENT_USER, kScratch, "EmptyFlag", REG_BINARY, &empty, 0);
    SetRegValue(HKEY_CURRENT_USER, kScratch, "Unterminated", REG_SZ, unterminated, sizeof(unterminated));
    const char* const names[] = {"Both", "BOTH", "MachineOnly", "UserOnly", "TextAsFlag", "Flag", "EmptyFlag",
                                 "Unterminated", "Missing"};

    auto compare = [&](const char* when) {
        const CatalogueValues values(kScratch);
        for (const char* name : names) {
            EXPECT_EQ(values.Text(name), ReadUserMachineText(kScratch, name)) << when << name;
            BYTE byte = 0;
            const bool found = ReadUserMachineByte(kScratch, name, byte);
            EXPECT_EQ(values.Byte(name), found ? std::optional<BYTE>(byte) : std::nullopt) << when << name;
        }
    };
    compare("both keys: ");
    EXPECT_EQ(CatalogueValues(kScratch).Text("TextAsFlag"), "machine text");
    DeleteRegistryTree(HKEY_CURRENT_USER, kScratch);
    compare("machine key only: ");
}

TEST(RegistryWrites, WriteTheRightTypesInTheProductsView)
{
    ScratchKey machine(HKEY_LOCAL_MACHINE, "SOFTWARE\\FlipdeckTest");
    const std::string key = "SOFTWARE\\FlipdeckTest\\Deep\\Er";
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, key, "S", "text"));
    ASSERT_TRUE(WriteRegExpandString(HKEY_LOCAL_MACHINE, key, "E", "%PATH%"));
    ASSERT_TRUE(WriteRegByte(HKEY_LOCAL_MACHINE, key, "B", 0));

    auto s = ReadRegValue(HKEY_LOCAL_MACHINE, key, "S");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(s->data, std::vector<BYTE>({'t', 'e', 'x', 't', 0}));
    EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, key, "E")->type, static_cast<DWORD>(REG_EXPAND_SZ));
    auto b = ReadRegValue(HKEY_LOCAL_MACHINE, key, "B");
    EXPECT_EQ(b->type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(b->data, std::vector<BYTE>({0}));

    // The 32-bit products find it under Wow6432Node; the 64-bit view of SOFTWARE does not have it.
    HKEY raw = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\FlipdeckTest\\Deep\\Er", 0,
                            KEY_READ | KEY_WOW64_64KEY, &raw),
              ERROR_SUCCESS);
    RegCloseKey(raw);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\FlipdeckTest", 0, KEY_READ | KEY_WOW64_64KEY, &raw),
              ERROR_FILE_NOT_FOUND);
}

TEST(CERegistry, TypedReadsAcceptOnlyTheirTypes)
{
    ScratchKey scratch(HKEY_CURRENT_USER, kScratch);
    DWORD number = 0x01020304;
    SetRegValue(HKEY_CURRENT_USER, kScratch, "Dword", REG_DWORD, &number, sizeof(number));
    SetRegValue(HKEY_CURRENT_USER, kScratch, "BigEndian", REG_DWORD_BIG_ENDIAN, &number, sizeof(number));
    const BYTE three[] = {1, 2, 3};
    SetRegValue(HKEY_CURRENT_USER, kScratch, "Three", REG_BINARY, three, sizeof(three));
    SetRegValue(HKEY_CURRENT_USER, kScratch, "Short", REG_DWORD, three, 2);
    SetText(HKEY_CURRENT_USER, kScratch, "Text", REG_SZ, "abc");
    SetText(HKEY_CURRENT_USER, kScratch, "Link", REG_LINK, "target");
    SetRegValue(HKEY_CURRENT_USER, kScratch, "Multi", REG_MULTI_SZ, "a\0b\0", 5);

    CERegistry registry(HKEY_CURRENT_USER);
    DWORD value = 0;
    EXPECT_TRUE(registry.ReadDword(kScratch, "Dword", value));
    EXPECT_EQ(value, number);
    EXPECT_TRUE(registry.ReadDword(kScratch, "BigEndian", value));
    EXPECT_EQ(value, number);  // the bytes as stored
    value = 99;
    EXPECT_FALSE(registry.ReadDword(kScratch, "Three", value));
    EXPECT_FALSE(registry.ReadDword(kScratch, "Short", value));
    EXPECT_EQ(value, 99u);

    BYTE out[4] = {9, 9, 9, 9};
    EXPECT_FALSE(registry.ReadBinary(kScratch, "Three", out, 2));
    EXPECT_FALSE(registry.ReadBinary(kScratch, "Three", out, 4));
    EXPECT_FALSE(registry.ReadBinary(kScratch, "Dword", out, 4));
    EXPECT_EQ(out[0], 9);
    EXPECT_TRUE(registry.ReadBinary(kScratch, "Three", out, 3));
    EXPECT_EQ(std::vector<BYTE>(out, out + 4), std::vector<BYTE>({1, 2, 3, 9}));

    std::string text = "kept";
    EXPECT_FALSE(registry.ReadString(kScratch, "Multi", text));
    EXPECT_FALSE(registry.ReadString(kScratch, "Dword", text));
    EXPECT_EQ(text, "kept");
    EXPECT_TRUE(registry.ReadString(kScratch, "Text", text));
    EXPECT_EQ(text, "abc");
    EXPECT_TRUE(registry.ReadString(kScratch, "Link", text));
    EXPECT_EQ(text, "target");
}

TEST(UserMachineSettings, ReadsUserFirstAndWritesUser)
{
    ScratchKey user(HKEY_CURRENT_USER, kScratch);
    ScratchKey machine(HKEY_LOCAL_MACHINE, kScratch);
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, kScratch, "Both", "machine"));
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kScratch, "Both", "user"));
    ASSERT_TRUE(WriteRegByte(HKEY_LOCAL_MACHINE, kScratch, "Language", 1));
    DWORD number = 250;
    SetRegValue(HKEY_LOCAL_MACHINE, kScratch, "Polltime", REG_DWORD, &number, sizeof(number));

    UserMachineSettings settings;
    std::string text;
    EXPECT_TRUE(settings.ReadString(kScratch, "Both", text));
    EXPECT_EQ(text, "user");
    BYTE language = 0;
    EXPECT_TRUE(settings.ReadBinary(kScratch, "Language", &language, 1));
    EXPECT_EQ(language, 1);
    DWORD polltime = 0;
    EXPECT_TRUE(settings.ReadDword(kScratch, "Polltime", polltime));
    EXPECT_EQ(polltime, 250u);

    ASSERT_TRUE(settings.WriteString(kScratch, "Written", "new"));
    char buffer[8];
    EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kScratch, "Written", buffer, sizeof(buffer)));
    EXPECT_FALSE(ReadRegString(HKEY_LOCAL_MACHINE, kScratch, "Written", buffer, sizeof(buffer)));
}

TEST(EnumerateUserHives, ListsEveryHiveAndReplacesTheList)
{
    std::vector<std::string> hives = {"stale"};
    ASSERT_TRUE(EnumerateUserHives(hives));
    EXPECT_EQ(std::count(hives.begin(), hives.end(), "stale"), 0);
    auto named = [&](const char* name) {
        return std::count_if(hives.begin(), hives.end(),
                             [&](const std::string& hive) { return _stricmp(hive.c_str(), name) == 0; });
    };
    EXPECT_EQ(named(".DEFAULT"), 1);
    EXPECT_GE(hives.size(), 2u);  // the default hive and at least the current user's
}
