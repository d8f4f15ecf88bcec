#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "shell/RegistryKey.h"
#include "shell/SettingsFixture.h"
#include "shell/SettingsStore.h"
#include "shell/WirbelixDoc.h"

namespace wirbelix {
namespace {

namespace fs = std::filesystem;

// Runs each test in a folder of its own below the settings fixture's temporary folder, so the
// document's path is known; the test program's own current directory comes back afterwards.
class WirbelixDocTest : public SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        home_ = fs::current_path();
    }
    void TearDown() override {
        fs::current_path(home_);
        SettingsFixture::TearDown();
    }
    // Makes folder name below the temporary folder the current directory; answers its real path.
    fs::path EnterFolder(const std::string& name) {
        const fs::path folder = fs::path(dir()) / name;
        fs::create_directories(folder);
        fs::current_path(folder);
        return fs::canonical(folder);
    }

    struct Stored {
        std::string keyPath, name;
        std::uint32_t type;
        std::string bytes;
    };
    // Every value in the settings file, read afresh from the file.
    static std::vector<Stored> StoredValues() {
        SettingsStore::Shutdown();
        std::vector<Stored> values;
        SettingsStore::ForEachValue([&](const SettingsStore::ValueView& v) {
            if (v.keyOnly) return;
            values.push_back({v.keyPath, v.name, v.type,
                              std::string(v.bytes.begin(), v.bytes.end())});
        });
        return values;
    }

private:
    fs::path home_;
};

TEST_F(WirbelixDocTest, NewDocumentNeedsTheViewAndIsDasSpielInTheCurrentDirectory) {
    const fs::path folder = EnterFolder("Würfel Abend");
    CWirbelixDoc doc;
    EXPECT_FALSE(doc.OnNewDocument(false));
    EXPECT_EQ(doc.GetPathName(), "");
    EXPECT_EQ(doc.GetTitle(), "");

    ASSERT_TRUE(doc.OnNewDocument(true));
    EXPECT_EQ(doc.GetTitle(), "Das Spiel");
    EXPECT_EQ(doc.GetPathName(), (folder / "Das Spiel").string());
    EXPECT_FALSE(doc.IsModified());
    // Saving stores nothing: no file appears and the document stays unmodified.
    EXPECT_TRUE(doc.OnSaveDocument());
    EXPECT_FALSE(fs::exists(folder / "Das Spiel"));
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(WirbelixDocTest, RecentFileListHoldsTheLastRunsDocumentAsFile1) {
    for (const char* name : {"erster Lauf", "zweiter Lauf"}) {
        const fs::path folder = EnterFolder(name);
        CWirbelixDoc doc;
        ASSERT_TRUE(doc.OnNewDocument(true));
        ASSERT_TRUE(WriteRecentFileList(doc.GetPathName()));

        const std::vector<Stored> values = StoredValues();
        ASSERT_EQ(values.size(), 1u) << "after the run in " << name;
        EXPECT_EQ(values[0].keyPath,
                  "HKEY_CURRENT_USER\\Software\\Kivo\\Wirbelix\\Recent File List");
        EXPECT_EQ(values[0].name, "File1");
        EXPECT_EQ(values[0].type, REG_SZ);
        EXPECT_EQ(values[0].bytes, (folder / "Das Spiel").string());  // no terminating zero
    }
}

TEST_F(WirbelixDocTest, RecentFileListReportsASettingsFileThatCannotBeWritten) {
    // A folder where the settings file should be: the store cannot open it.
    setenv("WIRBELIX_SETTINGS", dir().c_str(), 1);
    SettingsStore::Shutdown();
    EXPECT_FALSE(WriteRecentFileList("/tmp/Das Spiel"));
}

}  // namespace
}  // namespace wirbelix
