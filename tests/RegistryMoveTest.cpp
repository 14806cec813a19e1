#include <gtest/gtest.h>

#include <shlwapi.h>

#include "base/Registry.h"
#include "base/RegistryTree.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using flipdeck::test::ScratchKey;
using flipdeck::test::SeamOverride;

namespace {

// Parked names sort right after the live one, as the CoDeSys trees do: "Live", "Live 2.3.9.5", "Live2".
const std::string kBase = "SOFTWARE\\FlipdeckTest";
const std::string kLive = kBase + "\\Live";
const std::string kParked = kBase + "\\Live 2.3.9.5";
const std::string kSibling = kBase + "\\Live2";

void Set(const std::string& subKey, const std::string& name, DWORD type, const std::string& bytes)
{
    UniqueHKey key;
    ASSERT_EQ(CreateRegKey(HKEY_LOCAL_MACHINE, subKey, KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
}

// A tree with nested keys and a value of every type the products store.
void FillLiveTree()
{
    using namespace std::string_literals;
    Set(kLive, "", REG_SZ, "default value\0"s);
    Set(kLive, "Text", REG_SZ, "C:\\CoDeSys V2.3\0"s);
    Set(kLive, "Expand", REG_EXPAND_SZ, "%SystemRoot%\\gateway\0"s);
    Set(kLive, "Multi", REG_MULTI_SZ, "one\0two\0\0"s);
    Set(kLive, "Binary", REG_BINARY, "\x00\x01\xFF"s);
    Set(kLive, "Dword", REG_DWORD, "\x04\x03\x02\x01"s);
    Set(kLive, "Empty", REG_SZ, ""s);
    Set(kLive + "\\Gateway\\Tcp", "Port", REG_DWORD, "\x1E\x04\x00\x00"s);
    Set(kLive + "\\Gateway\\Tcp", "Host", REG_SZ, "localhost\0"s);
    Set(kLive + "\\Targets", "Count", REG_BINARY, "\x02"s);
    Set(kSibling, "Mine", REG_SZ, "sibling\0"s);
}

RegistryTree Capture(const std::string& subKey)
{
    RegistryTree tree;
    EXPECT_EQ(CaptureRegistryTree(HKEY_LOCAL_MACHINE, subKey, tree), ERROR_SUCCESS) << subKey;
    return tree;
}

bool Exists(const std::string& subKey)
{
    RegistryTree tree;
    return CaptureRegistryTree(HKEY_LOCAL_MACHINE, subKey, tree) == ERROR_SUCCESS;
}

// Moves the tree at `from` as a switch does: read first, then written from memory.
bool Move(const std::string& from, const std::string& to)
{
    RegistryTree tree;
    return CaptureRegistryTree(HKEY_LOCAL_MACHINE, from, tree) == ERROR_SUCCESS &&
           MoveRegistryTree(HKEY_LOCAL_MACHINE, from, tree, to);
}

using WriteSeam = LSTATUS(HKEY, const RegistryTree&);

// Writes the first sub-key of the tree, then reports failure: a half copy.
SeamOverride<WriteSeam> HalfCopies()
{
    return SeamOverride<WriteSeam>(seams::WriteRegistryTree, [real = seams::WriteRegistryTree](HKEY target, const RegistryTree& tree) {
        RegistryTree half;
        half.subKeys = {tree.subKeys.front()};
        real(target, half);
        return static_cast<LSTATUS>(ERROR_WRITE_FAULT);
    });
}

}  // namespace

class RegistryMove : public ::testing::Test {
protected:
    void SetUp() override { FillLiveTree(); }
    ScratchKey scratch_{HKEY_LOCAL_MACHINE, kBase};
};

TEST_F(RegistryMove, MovesEveryValueTypeByteForByte)
{
    RegistryTree before = Capture(kLive);
    RegistryTree sibling = Capture(kSibling);
    ASSERT_EQ(before.values.size(), 7u);

    ASSERT_TRUE(Move(kLive, kParked));
    EXPECT_FALSE(Exists(kLive));
    EXPECT_EQ(Capture(kParked), before);
    EXPECT_EQ(Capture(kSibling), sibling);

    ASSERT_TRUE(Move(kParked, kLive));
    EXPECT_FALSE(Exists(kParked));
    EXPECT_EQ(Capture(kLive), before);
    EXPECT_EQ(Capture(kSibling), sibling);
}

TEST_F(RegistryMove, MissingSourceAnswersFalseAndCreatesNothing)
{
    EXPECT_FALSE(Move(kBase + "\\Absent", kParked));
    EXPECT_FALSE(Exists(kParked));
}

TEST_F(RegistryMove, RefusesToMoveATreeOntoOrIntoItself)
{
    RegistryTree before = Capture(kLive);
    EXPECT_FALSE(Move(kLive, kBase + "\\LIVE"));
    EXPECT_FALSE(Move(kLive, kLive + "\\Inner"));
    EXPECT_EQ(Capture(kLive), before);
}

TEST_F(RegistryMove, FailedCopyLeavesSourceWholeAndNoHalfCopy)
{
    RegistryTree before = Capture(kLive);
    const auto copy = HalfCopies();
    EXPECT_FALSE(Move(kLive, kParked));
    EXPECT_EQ(Capture(kLive), before);
    EXPECT_FALSE(Exists(kParked));
}

TEST_F(RegistryMove, FailedDeleteAfterPartialDeletionRestoresSource)
{
    RegistryTree before = Capture(kLive);
    RegistryTree sibling = Capture(kSibling);
    // Deletes one sub-key of the source, then fails as a locked key would make it.
    SeamOverride deletion(seams::DeleteRegistryTree,
                          std::function<LSTATUS(HKEY, const char*)>([](HKEY parent, const char* sub) {
                              HKEY source = nullptr;
                              RegOpenKeyExA(parent, sub, 0, KEY_ALL_ACCESS, &source);
                              RegDeleteTreeA(source, "Gateway");
                              RegCloseKey(source);
                              return static_cast<LSTATUS>(ERROR_ACCESS_DENIED);
                          }));
    EXPECT_FALSE(Move(kLive, kParked));
    EXPECT_EQ(Capture(kLive), before);
    EXPECT_FALSE(Exists(kParked));
    EXPECT_EQ(Capture(kSibling), sibling);
}

TEST_F(RegistryMove, NeverMovesOntoAnExistingKey)
{
    Set(kParked, "Older", REG_SZ, std::string("parked earlier", 15));
    Set(kParked + "\\Gateway\\Tcp", "Port", REG_DWORD, std::string("\x01\x00\x00\x00", 4));
    const RegistryTree source = Capture(kLive);
    const RegistryTree target = Capture(kParked);
    EXPECT_FALSE(Move(kLive, kParked));
    EXPECT_EQ(Capture(kLive), source);
    EXPECT_EQ(Capture(kParked), target);
    // Also when the key in the way is empty: it may be another version's parked user tree.
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kParked);
    UniqueHKey empty;
    ASSERT_EQ(CreateRegKey(HKEY_LOCAL_MACHINE, kParked, KEY_ALL_ACCESS, empty), ERROR_SUCCESS);
    EXPECT_FALSE(Move(kLive, kParked));
    EXPECT_EQ(Capture(kLive), source);
    EXPECT_EQ(Capture(kParked), RegistryTree());
}
