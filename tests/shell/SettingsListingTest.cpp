#include "shell/SettingsListing.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "SettingsFixture.h"
#include "shell/RegistryKey.h"

namespace wirbelix {
namespace {

std::string Listing() {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    EXPECT_EQ(PrintSettings(out), 0);
    std::fclose(out);
    std::string s(text, size);
    std::free(text);
    return s;
}

using SettingsListingTest = SettingsFixture;

TEST_F(SettingsListingTest, MissingEmptyAndFilledStores) {
    EXPECT_NE(Listing().find("Keine Einstellungen gespeichert"), std::string::npos);
    EXPECT_NE(access(path().c_str(), F_OK), 0) << "listing must not create the file";

    {
        RegistryKey key;  // reading alone never creates the file
        EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ));
        EXPECT_NE(access(path().c_str(), F_OK), 0);
    }
    std::FILE* empty = std::fopen(path().c_str(), "wb");  // an empty file is an empty store
    ASSERT_NE(empty, nullptr);
    std::fclose(empty);
    EXPECT_NE(Listing().find("ist leer"), std::string::npos);
    {
        RegistryKey key;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
        std::int32_t v = -1;
        key.Write(&v, 4, "ComPort", REG_DWORD);
        key.WriteString("C:\\bild \"1\".png", "ImagePath");
        key.WriteDouble(5.0, "TurnCount");
        key.WriteMultiString("a\0b\0", "PicPaths");
        ASSERT_TRUE(key.OpenSubKey("Settings"));
    }
    std::string s = Listing();
    EXPECT_NE(s.find("[HKEY_CURRENT_USER\\Software\\Kivo\\Wirbelix]"), std::string::npos) << s;
    EXPECT_NE(s.find("ComPort = REG_DWORD -1 (0xFFFFFFFF)"), std::string::npos) << s;
    EXPECT_NE(s.find("ImagePath = REG_SZ \"C:\\\\bild \\\"1\\\".png\""), std::string::npos) << s;
    EXPECT_NE(s.find("TurnCount = REG_SZ \"5\"  (1 Bytes)"), std::string::npos) << s;
    EXPECT_NE(s.find("PicPaths = REG_MULTI_SZ \"a\", \"b\""), std::string::npos) << s;
    EXPECT_NE(s.find("[HKEY_CURRENT_USER\\Software\\Kivo\\Wirbelix\\Settings]"), std::string::npos) << s;
}

}  // namespace
}  // namespace wirbelix
