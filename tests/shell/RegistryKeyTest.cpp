#include "shell/RegistryKey.h"

#include <cstring>
#include <vector>

#include "SettingsFixture.h"

namespace wirbelix {
namespace {

using RegistryKeyTest = SettingsFixture;

// Stores raw bytes under the default key, as a value written by another program could be.
void StoreRaw(const char* name, std::uint32_t type, std::vector<std::uint8_t> bytes) {
    RegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
    static const std::uint8_t kNone = 0;  // an empty value still needs a data pointer
    ASSERT_TRUE(key.Write(bytes.empty() ? &kNone : bytes.data(), static_cast<std::uint32_t>(bytes.size()),
                          name, type));
}

TEST_F(RegistryKeyTest, CreateModeMakesTheDefaultKeyAndSubkeysReadModeDoesNot) {
    {
        RegistryKey key;
        EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ));
        EXPECT_EQ(key.LastError, REG_ERROR_UNAVAILABLE);
        EXPECT_EQ(key.level, -1);
        std::int32_t v = 0;
        EXPECT_FALSE(key.Read(&v, 4, "StarSize", REG_DWORD));
        EXPECT_EQ(key.LastError, REG_ERROR_NOT_OPEN);
    }
    {
        RegistryKey key;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
        EXPECT_STREQ(key.keyNames[0].get(), "Software\\Kivo\\Wirbelix");
        ASSERT_TRUE(key.OpenSubKey("Settings"));
        EXPECT_EQ(key.level, 1);
        std::int32_t v = 7;
        EXPECT_TRUE(key.Write(&v, 4, "Zoom", REG_DWORD));
    }
    // Names compare without regard to case, and both keys now exist for read mode.
    RegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_NONE, "hkey_current_user\\SOFTWARE\\kivo\\wirbelix\\settings", REG_MODE_READ));
    EXPECT_EQ(key.rootKey, HKEY_CURRENT_USER);
    std::int32_t v = 0;
    EXPECT_TRUE(key.Read(&v, 4, "ZOOM", REG_DWORD));
    EXPECT_EQ(v, 7);
    EXPECT_EQ(key.valueType, REG_DWORD);
    EXPECT_FALSE(key.OpenSubKey("Missing"));  // read mode never creates
    EXPECT_EQ(key.LastError, REG_ERROR_UNAVAILABLE);
    EXPECT_EQ(key.level, 0);
    EXPECT_FALSE(key.CreateSubKey("Missing"));
    EXPECT_EQ(key.LastError, REG_ERROR_UNAVAILABLE);
    EXPECT_FALSE(key.Write(&v, 4, "Zoom", REG_DWORD));
    EXPECT_EQ(key.LastError, REG_ERROR_UNAVAILABLE);
}

TEST_F(RegistryKeyTest, DefaultKeyPathIsCutToItsBuffer) {
    char buffer[64];
    RegistryKey::DefaultKeyPath(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Software\\Kivo\\Wirbelix");
    char small[9];
    RegistryKey::DefaultKeyPath(small, sizeof small);
    EXPECT_STREQ(small, "Software");
}

struct TerminationCase {
    const char* what;
    std::uint32_t type;
    std::vector<std::uint8_t> stored;  // empty optional marker: see missing
    bool missing;
    std::uint32_t bufferSize;
    bool result;
    std::uint32_t dataSize;
    std::int32_t error;
    std::vector<std::uint8_t> expectStart;  // first bytes of the buffer afterwards
};

TEST_F(RegistryKeyTest, ReadRepairsTerminationByRequestedType) {
    const std::vector<TerminationCase> cases = {
        {"sz 5 bytes in 6", REG_SZ, {'h', 'e', 'l', 'l', 'o'}, false, 6, true, 6, 0, {'h', 'e', 'l', 'l', 'o', 0}},
        {"sz 5 bytes in 5", REG_SZ, {'h', 'e', 'l', 'l', 'o'}, false, 5, false, 0, kErrorMoreData, {0}},
        {"sz too large for the store", REG_SZ, {'h', 'e', 'l', 'l', 'o'}, false, 3, false, 1, kErrorMoreData, {0}},
        {"sz terminated", REG_SZ, {'h', 'i', 0}, false, 8, true, 3, 0, {'h', 'i', 0}},
        {"sz empty", REG_SZ, {}, false, 4, true, 1, 0, {0}},
        {"sz missing", REG_SZ, {}, true, 4, false, 1, kErrorFileNotFound, {0, 'x'}},
        {"sz in no buffer", REG_SZ, {}, false, 0, false, 0, kErrorMoreData, {'x'}},
        {"expand sz", REG_EXPAND_SZ, {'a'}, false, 2, true, 2, 0, {'a', 0}},
        {"multi unterminated", REG_MULTI_SZ, {'a', 0, 'b'}, false, 8, true, 5, 0, {'a', 0, 'b', 0, 0}},
        {"multi one zero", REG_MULTI_SZ, {'a', 0, 'b', 0}, false, 8, true, 5, 0, {'a', 0, 'b', 0, 0}},
        {"multi complete", REG_MULTI_SZ, {'a', 0, 0}, false, 8, true, 3, 0, {'a', 0, 0}},
        {"multi single zero byte", REG_MULTI_SZ, {0}, false, 4, true, 2, 0, {0, 0}},
        {"multi single byte in 1", REG_MULTI_SZ, {'a'}, false, 1, false, 0, kErrorMoreData, {0}},
        {"multi no room", REG_MULTI_SZ, {'a', 'b'}, false, 3, false, 0, kErrorMoreData, {0, 0, 'x'}},
        {"multi empty in 1", REG_MULTI_SZ, {}, false, 1, true, 0, 0, {'x'}},
        {"multi empty in 4", REG_MULTI_SZ, {}, false, 4, true, 2, 0, {0, 0, 'x'}},
        {"multi missing", REG_MULTI_SZ, {}, true, 4, false, 2, kErrorFileNotFound, {0, 0, 'x'}},
        {"multi missing small", REG_MULTI_SZ, {}, true, 1, false, 0, kErrorFileNotFound, {'x'}},
        {"dword raw", REG_DWORD, {1, 2, 3, 4}, false, 4, true, 4, 0, {1, 2, 3, 4}},
        {"dword missing", REG_DWORD, {}, true, 4, false, 0, kErrorFileNotFound, {'x', 'x'}},
        {"binary read as sz", REG_SZ, {0xFF, 0x01}, false, 4, true, 3, 0, {0xFF, 0x01, 0}},
    };
    for (const TerminationCase& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.missing) StoreRaw("Value", c.type == REG_SZ && c.what[0] == 'b' ? REG_BINARY : c.type, c.stored);
        RegistryKey key;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
        std::vector<std::uint8_t> buffer(c.bufferSize + 4, 'x');
        EXPECT_EQ(key.Read(c.bufferSize ? buffer.data() : nullptr, c.bufferSize, c.missing ? "Missing" : "Value", c.type),
                  c.result);
        EXPECT_EQ(key.dataSize, c.dataSize);
        EXPECT_EQ(key.LastError, c.error);
        EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + c.expectStart.size()), c.expectStart);
    }
}

TEST_F(RegistryKeyTest, TypedWritesStoreExactBytesAndReadBack) {
    RegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
    ASSERT_TRUE(key.WriteDouble(5.0, "TurnCount"));
    EXPECT_EQ(key.dataSize, 1u);  // "5", no terminator
    ASSERT_TRUE(key.WriteDouble(2.5, "Half"));
    EXPECT_EQ(key.dataSize, 3u);
    ASSERT_TRUE(key.WriteString("", "Empty"));
    EXPECT_EQ(key.dataSize, 0u);
    ASSERT_TRUE(key.WriteString("/home/ä.png", "ImagePath"));
    ASSERT_TRUE(key.WriteMultiString("one\0two\0", "List"));
    EXPECT_EQ(key.dataSize, 9u);
    ASSERT_TRUE(key.WriteMultiString("", "NoEntries"));
    EXPECT_EQ(key.dataSize, 1u);
    ASSERT_TRUE(key.WriteString(std::string(64, '1'), "LongNumber"));
    key.Close();

    // A second object (and a fresh connection) sees exactly what was written.
    SettingsStore::Shutdown();
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ));
    double d = 0;
    EXPECT_TRUE(key.ReadDouble(&d, "TurnCount"));
    EXPECT_EQ(d, 5.0);
    EXPECT_TRUE(key.ReadDouble(&d, "Half"));
    EXPECT_EQ(d, 2.5);
    d = 9.0;
    EXPECT_FALSE(key.ReadDouble(&d, "LongNumber"));  // 64 characters do not fit with a zero
    EXPECT_EQ(d, 9.0);
    EXPECT_TRUE(key.ReadDouble(&d, "ImagePath"));  // not a number: atof gives 0
    EXPECT_EQ(d, 0.0);

    std::string text = "unchanged";
    EXPECT_TRUE(key.ReadString(&text, "Empty"));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(key.ReadString(&text, "ImagePath"));
    EXPECT_EQ(text, "/home/ä.png");
    text = "unchanged";
    EXPECT_FALSE(key.ReadString(&text, "Missing"));
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(key.LastError, kErrorFileNotFound);

    std::unique_ptr<std::uint8_t[]> list;
    ASSERT_TRUE(key.ReadAlloc(&list, "List", REG_MULTI_SZ));
    EXPECT_EQ(std::memcmp(list.get(), "one\0two\0\0", 9), 0);
    EXPECT_EQ(key.dataSize, 9u);
}

TEST_F(RegistryKeyTest, ReadAllocAppendsMissingTerminators) {
    StoreRaw("Sz", REG_SZ, {'a', 'b'});
    StoreRaw("Multi", REG_MULTI_SZ, {'a', 0, 'b'});
    StoreRaw("MultiOne", REG_MULTI_SZ, {'a', 0, 'b', 0});
    StoreRaw("Nothing", REG_MULTI_SZ, {});
    RegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ));
    std::unique_ptr<std::uint8_t[]> b;
    ASSERT_TRUE(key.ReadAlloc(&b, "Sz", REG_SZ));
    EXPECT_EQ(std::memcmp(b.get(), "ab\0", 3), 0);
    EXPECT_EQ(key.dataSize, 3u);
    ASSERT_TRUE(key.ReadAlloc(&b, "Multi", REG_MULTI_SZ));
    EXPECT_EQ(std::memcmp(b.get(), "a\0b\0\0", 5), 0);
    EXPECT_EQ(key.dataSize, 5u);
    ASSERT_TRUE(key.ReadAlloc(&b, "MultiOne", REG_MULTI_SZ));
    EXPECT_EQ(key.dataSize, 5u);
    ASSERT_TRUE(key.ReadAlloc(&b, "Nothing", REG_MULTI_SZ));
    EXPECT_EQ(key.dataSize, 2u);
    EXPECT_EQ(b[0], 0);
    EXPECT_FALSE(key.ReadAlloc(&b, "Missing", REG_SZ));
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(key.LastError, kErrorFileNotFound);
}

TEST_F(RegistryKeyTest, KeyStackStopsAtLevelElevenAndCloseUnwindsIt) {
    RegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
    for (int i = 1; i <= 11; ++i) ASSERT_TRUE(key.OpenSubKey(("L" + std::to_string(i)).c_str())) << i;
    EXPECT_EQ(key.level, 11);
    EXPECT_FALSE(key.OpenSubKey("L12"));
    EXPECT_EQ(key.LastError, REG_ERROR_TOO_DEEP);
    std::int32_t v = 1;
    EXPECT_FALSE(key.Read(&v, 4, "x", REG_DWORD));
    EXPECT_EQ(key.LastError, REG_ERROR_TOO_DEEP);
    EXPECT_FALSE(key.Write(&v, 4, "x", REG_DWORD));
    EXPECT_EQ(key.LastError, REG_ERROR_TOO_DEEP);
    EXPECT_TRUE(key.Close());
    EXPECT_EQ(key.level, -1);
    EXPECT_EQ(key.currentKey, HKEY_NONE);
    EXPECT_EQ(key.keyNames[0], nullptr);
    EXPECT_TRUE(key.Close());  // closing a closed object succeeds
    EXPECT_FALSE(key.OpenSubKey("x"));
    EXPECT_EQ(key.LastError, REG_ERROR_NOT_OPEN);
}

TEST_F(RegistryKeyTest, WritesCheckModeDataAndCutLongValueNames) {
    RegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
    EXPECT_FALSE(key.Write(nullptr, 4, "x", REG_DWORD));
    EXPECT_EQ(key.LastError, REG_ERROR_NO_DATA);
    std::string longName(300, 'n');
    std::int32_t v = 42;
    ASSERT_TRUE(key.Write(&v, 4, longName.c_str(), REG_DWORD));
    EXPECT_EQ(key.valueNameLength, 256);
    std::int32_t back = 0;
    EXPECT_TRUE(key.Read(&back, 4, std::string(256, 'N').c_str(), REG_DWORD));
    EXPECT_EQ(back, 42);
    ASSERT_TRUE(key.Write(&v, 4, nullptr, REG_DWORD));  // the default value
    back = 0;
    EXPECT_TRUE(key.Read(&back, 4, nullptr, REG_DWORD));
    EXPECT_EQ(back, 42);

    RegistryKey reader;
    ASSERT_TRUE(reader.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ));
    v = 1;
    EXPECT_FALSE(reader.Write(&v, 4, "x", REG_DWORD));
    EXPECT_EQ(reader.LastError, REG_ERROR_UNAVAILABLE);
    EXPECT_FALSE(reader.Read(&back, 4, "x", REG_DWORD));  // nothing was written
    EXPECT_EQ(reader.LastError, kErrorFileNotFound);
}

TEST_F(RegistryKeyTest, WriteModeOpensExistingKeysOnly) {
    RegistryKey key;
    EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, "Software\\Other", REG_MODE_WRITE));
    EXPECT_EQ(key.LastError, REG_ERROR_UNAVAILABLE);
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "Software\\Other", REG_MODE_CREATE));
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, "Software\\Other", 5));  // modes 3..63 act as 1
    EXPECT_EQ(key.accessMask, KEY_ALL_ACCESS);
    EXPECT_FALSE(key.OpenSubKey("Sub"));
    std::int32_t v = 3;
    EXPECT_TRUE(key.Write(&v, 4, "v", REG_DWORD));
}

}  // namespace
}  // namespace wirbelix
