// The path histories in a real settings file: the list rules, the key selection text and the
// file dialogs' recent names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/RegistryKey.h"
#include "shell/SettingsFixture.h"
#include "ui/ComboHistory.h"

namespace wirbelix {
namespace {

using List = std::vector<std::string>;

TEST(ComboHistoryRules, CurrentFirstNoRepeatNoEmptyAtMostSixteen) {
    List twenty;
    for (int i = 0; i < 20; ++i) twenty.push_back("C:\\p" + std::to_string(i) + ".png");
    List expectSixteen = {"C:\\x.png"};
    expectSixteen.insert(expectSixteen.end(), twenty.begin(), twenty.begin() + 15);
    const struct {
        const char* name;
        std::string current;
        List items, stored;
    } cases[] = {
        {"current moves to the front", "C:\\a.png", {"C:\\b.png", "C:\\a.png", ""}, {"C:\\a.png", "C:\\b.png"}},
        {"twenty items keep the first fifteen", "C:\\x.png", twenty, expectSixteen},
        {"empty current stores nothing", "", {"C:\\b.png"}, {}},
        {"comparison is exact", "a.png", {"A.png", "a.png ", "a.png"}, {"a.png", "A.png", "a.png "}},
    };
    for (const auto& c : cases) EXPECT_EQ(BuildHistory(c.current, c.items), c.stored) << c.name;
}

TEST(ComboHistoryRules, CurrentTextFallsBackToTheSelectedItem) {
    const List items = {"one", "two"};
    EXPECT_EQ(HistoryCurrentText("typed", items, 1), "typed");
    EXPECT_EQ(HistoryCurrentText("", items, 1), "two");
    EXPECT_EQ(HistoryCurrentText("", items, -1), "");
    EXPECT_EQ(HistoryCurrentText("", items, 5), "");
}

TEST(ComboHistoryRules, MultiStringEndsAtTheFirstEmptyEntry) {
    const std::string list = JoinMultiString({"a", "bc"});
    EXPECT_EQ(list, std::string("a\0bc\0\0", 6));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(list.data());
    EXPECT_EQ(SplitMultiString(bytes, list.size()), (List{"a", "bc"}));
    const std::string unterminated("x\0\0y\0", 5);
    EXPECT_EQ(SplitMultiString(reinterpret_cast<const std::uint8_t*>(unterminated.data()), 5), List{"x"});
    EXPECT_EQ(SplitMultiString(reinterpret_cast<const std::uint8_t*>("zz"), 2), List{"zz"});
}

TEST(ComboHistoryRules, CutNeverSplitsACharacter) {
    EXPECT_EQ(CutText("abc", 5), "abc");
    EXPECT_EQ(CutText("abc", 2), "ab");
    EXPECT_EQ(CutText("aü", 2), "a");  // ü is two bytes
    EXPECT_EQ(CutText("aü", 3), "aü");
}

class ComboHistoryStore : public SettingsFixture {};

TEST_F(ComboHistoryStore, KeySelectionTextNamesDefaultKeySubkeyOrPath) {
    ASSERT_EQ(WriteHistory("#", "PicPaths", {"/a.png"}), 1);
    ASSERT_EQ(WriteHistory("#Recent", "PicPaths", {"/b.png"}), 1);
    ASSERT_EQ(WriteHistory("Software\\Other", "PicPaths", {"/c.png"}), 1);

    RegistryKey key;
    std::unique_ptr<std::uint8_t[]> data;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "Software\\Kivo\\Wirbelix", REG_MODE_READ));
    ASSERT_TRUE(key.ReadAlloc(&data, "PicPaths", REG_MULTI_SZ));
    EXPECT_EQ(key.valueType, 7u);  // REG_MULTI_SZ
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.get()), 9), std::string("/a.png\0\0", 8) + '\0');
    ASSERT_TRUE(key.OpenSubKey("Recent", true));
    ASSERT_TRUE(key.ReadAlloc(&data, "PicPaths", REG_MULTI_SZ));
    EXPECT_STREQ(reinterpret_cast<const char*>(data.get()), "/b.png");
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "Software\\Other", REG_MODE_READ));
    ASSERT_TRUE(key.ReadAlloc(&data, "PicPaths", REG_MULTI_SZ));
    EXPECT_STREQ(reinterpret_cast<const char*>(data.get()), "/c.png");

    EXPECT_EQ(ReadHistory("#", "PicPaths"), List{"/a.png"});
    EXPECT_EQ(ReadHistory("#Recent", "PicPaths"), List{"/b.png"});
    EXPECT_EQ(ReadHistory("Software\\Other", "PicPaths"), List{"/c.png"});
}

TEST_F(ComboHistoryStore, MissingHistoryOrKeyReadsAsNothingAndCreatesNoKey) {
    EXPECT_FALSE(ReadHistory("#", "RotPaths").has_value());
    EXPECT_FALSE(ReadHistory("#Nowhere", "RotPaths").has_value());
    RegistryKey key;
    EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ));  // reading created no key
}

TEST_F(ComboHistoryStore, FileNamesAreRememberedMostRecentFirstSixteenWrittenThirtyTwoRead) {
    EXPECT_EQ(FileHistoryValueName("*.png"), "OfnListPng");
    EXPECT_EQ(FileHistoryValueName("BMP"), "OfnListBmp");
    EXPECT_EQ(FileHistoryValueName(".tIFf"), "OfnListTiff");

    for (int i = 0; i < 20; ++i) RememberFileName("*.png", "/p" + std::to_string(i) + ".png");
    List names = ReadFileHistory("*.png");
    ASSERT_EQ(names.size(), 16u);
    EXPECT_EQ(names.front(), "/p19.png");
    EXPECT_EQ(names.back(), "/p4.png");
    EXPECT_EQ(RememberFileName("*.png", "/p10.png"), 16);
    names = ReadFileHistory("*.png");
    EXPECT_EQ(names[0], "/p10.png");
    EXPECT_EQ(names[1], "/p19.png");
    EXPECT_EQ(std::count(names.begin(), names.end(), "/p10.png"), 1);
    EXPECT_EQ(RememberFileName("*.png", ""), 0);

    // Another program may have kept more; up to 32 are read back.
    List forty;
    for (int i = 0; i < 40; ++i) forty.push_back("/q" + std::to_string(i));
    ASSERT_EQ(WriteHistory("#", "OfnListPng", forty), 40);
    names = ReadFileHistory("*.png");
    ASSERT_EQ(names.size(), 32u);
    EXPECT_EQ(names.back(), "/q31");
}

}  // namespace
}  // namespace wirbelix
