// The store under the conditions a user's machine produces: programs killed mid-write, two
// copies writing at once, damaged files.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "SettingsFixture.h"
#include "shell/RegistryKey.h"

namespace wirbelix {
namespace {

// ---- Child processes: this test program run again with a role in the environment ----------

// Writes values "V<i>" = i for i from WIRBELIX_CHILD_FROM to WIRBELIX_CHILD_TO (or forever),
// one RegistryKey per write as the program's callers do, and reports each finished write on
// standard output as a line with its number.
[[noreturn]] void RunWriter() {
    long from = std::atol(std::getenv("WIRBELIX_CHILD_FROM"));
    long to = std::atol(std::getenv("WIRBELIX_CHILD_TO"));
    for (long i = from; to < 0 || i <= to; ++i) {
        RegistryKey key;
        if (!key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE)) _exit(3);
        std::int32_t v = static_cast<std::int32_t>(i);
        std::string name = "V" + std::to_string(i);
        if (!key.Write(&v, 4, name.c_str(), REG_DWORD)) _exit(4);
        std::string text = std::string(200, 'x') + std::to_string(i);  // longer pages too
        if (!key.WriteString(text, ("S" + std::to_string(i)).c_str())) _exit(5);
        std::printf("%ld\n", i);
        std::fflush(stdout);
    }
    _exit(0);
}

// The test program started with a role in its environment is a writer, not a test run: the
// global set-up, which runs once every static object of the program exists, turns it into one
// before any test starts.
class WriterRole : public ::testing::Environment {
public:
    void SetUp() override {
        if (std::getenv("WIRBELIX_CHILD_ROLE") != nullptr) RunWriter();
    }
};
[[maybe_unused]] ::testing::Environment* const kWriterRole =
    ::testing::AddGlobalTestEnvironment(new WriterRole);

// The number of the last write a child reported in line, or -1 for the test framework's own
// lines.
long ReportedWrite(const char* line) {
    return std::isdigit(static_cast<unsigned char>(line[0])) ? std::atol(line) : -1;
}

struct Child {
    pid_t pid = -1;
    FILE* out = nullptr;
};

Child SpawnWriter(long from, long to) {
    int pipeFds[2];
    EXPECT_EQ(pipe(pipeFds), 0);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        close(pipeFds[1]);
        setenv("WIRBELIX_CHILD_ROLE", "writer", 1);
        setenv("WIRBELIX_CHILD_FROM", std::to_string(from).c_str(), 1);
        setenv("WIRBELIX_CHILD_TO", std::to_string(to).c_str(), 1);
        execl("/proc/self/exe", "child", "--gtest_brief=1", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    return {pid, fdopen(pipeFds[0], "r")};
}

// The values the store holds now, read through a fresh connection.
std::vector<long> StoredValues(long from, long to) {
    SettingsStore::Shutdown();
    std::vector<long> found;
    RegistryKey key;
    if (!key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ)) return found;
    for (long i = from; i <= to; ++i) {
        std::int32_t v = -1;
        if (key.Read(&v, 4, ("V" + std::to_string(i)).c_str(), REG_DWORD) && v == i) found.push_back(i);
    }
    return found;
}

using SettingsReliabilityTest = SettingsFixture;

TEST_F(SettingsReliabilityTest, KilledWriterNeverLosesFinishedWritesOrTheFile) {
    long next = 0;
    for (int round = 0; round < 8; ++round) {
        Child c = SpawnWriter(next, -1);
        ASSERT_NE(c.out, nullptr);
        // Let it finish a varying number of writes, then kill it wherever it is.
        long last = -1;
        char line[64];
        for (int n = 0; n < 5 + round * 7 && std::fgets(line, sizeof line, c.out);) {
            if (ReportedWrite(line) >= 0) {
                last = ReportedWrite(line);
                ++n;
            }
        }
        kill(c.pid, SIGKILL);
        while (std::fgets(line, sizeof line, c.out))  // reported before death
            if (ReportedWrite(line) >= 0) last = ReportedWrite(line);
        std::fclose(c.out);
        int status = 0;
        waitpid(c.pid, &status, 0);
        ASSERT_GE(last, next) << "the writer finished nothing in round " << round;

        std::vector<long> stored = StoredValues(0, last);
        ASSERT_EQ(stored.size(), static_cast<std::size_t>(last + 1)) << "round " << round;
        next = last + 1;
    }
    // The file was never moved aside as damaged.
    for (const auto& entry : std::filesystem::directory_iterator(dir()))
        EXPECT_EQ(entry.path().string().find(".damaged-"), std::string::npos) << entry.path();
}

TEST_F(SettingsReliabilityTest, TwoProcessesWritingAtOnceLoseNothing) {
    const long kPerWriter = 150;
    Child a = SpawnWriter(0, kPerWriter - 1);
    Child b = SpawnWriter(kPerWriter, 2 * kPerWriter - 1);
    // This process reads and writes too, as a third copy of the program would.
    for (int i = 0; i < 50; ++i) {
        RegistryKey key;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
        std::int32_t v = i;
        ASSERT_TRUE(key.Write(&v, 4, "Parent", REG_DWORD)) << key.LastError;
        std::int32_t ignored = 0;
        key.Read(&ignored, 4, "V1", REG_DWORD);
    }
    for (Child* c : {&a, &b}) {
        char line[64];
        while (std::fgets(line, sizeof line, c->out)) {
        }
        std::fclose(c->out);
        int status = 0;
        waitpid(c->pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer failed: " << status;
    }
    EXPECT_EQ(StoredValues(0, 2 * kPerWriter - 1).size(), static_cast<std::size_t>(2 * kPerWriter));
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST_F(SettingsReliabilityTest, DamagedFileIsKeptAsideAndDefaultsApply) {
    // A real store first, then its file cut short in the middle of its pages.
    {
        RegistryKey key;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
        for (int i = 0; i < 200; ++i) ASSERT_TRUE(key.WriteString(std::string(300, 'a'), ("P" + std::to_string(i)).c_str()));
    }
    SettingsStore::Shutdown();
    const std::vector<std::pair<const char*, std::string>> damages = {
        {"garbage", std::string(5000, '\x5A')},
        {"header only", std::string("SQLite format 3\0", 16) + std::string(84, '\xFF')},
        {"empty file", ""},
    };
    for (const auto& [what, bytes] : damages) {
        SCOPED_TRACE(what);
        SettingsStore::Shutdown();
        WriteFile(path(), bytes);
        std::remove((path() + "-wal").c_str());
        std::remove((path() + "-shm").c_str());
        RegistryKey key;
        std::int32_t v = 77;
        bool opened = key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ);
        EXPECT_FALSE(opened && key.Read(&v, 4, "StarSize", REG_DWORD));
        EXPECT_EQ(v, 77);  // the caller's default survives
        // Writing works again on a fresh store.
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
        v = 3;
        ASSERT_TRUE(key.Write(&v, 4, "StarSize", REG_DWORD));
    }
    // Each damaged non-empty file was kept beside the new store, never deleted.
    int kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir()))
        if (entry.path().filename().string().find("settings.sqlite.damaged-") == 0 &&
            entry.path().string().find("-wal") == std::string::npos &&
            entry.path().string().find("-shm") == std::string::npos)
            ++kept;
    EXPECT_GE(kept, 2);
}

TEST_F(SettingsReliabilityTest, TruncatedDatabaseIsDetectedAtOpen) {
    {
        RegistryKey key;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
        for (int i = 0; i < 300; ++i) ASSERT_TRUE(key.WriteString(std::string(400, 'b'), ("P" + std::to_string(i)).c_str()));
    }
    SettingsStore::Shutdown();  // checkpoints the WAL into the file
    ASSERT_EQ(truncate(path().c_str(), static_cast<off_t>(std::filesystem::file_size(path()) / 2)), 0);
    RegistryKey key;
    std::string text = "default";
    if (key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ)) key.ReadString(&text, "P299");
    EXPECT_EQ(text, "default");
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
    EXPECT_TRUE(key.WriteString("new", "P0"));
}

TEST_F(SettingsReliabilityTest, UnopenablePathFailsQuietlyAndIsLeftAlone) {
    ASSERT_EQ(mkdir(path().c_str(), 0700), 0);  // a directory where the file should be
    RegistryKey key;
    EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
    std::int32_t v = 5;
    EXPECT_FALSE(key.Read(&v, 4, "StarSize", REG_DWORD));
    EXPECT_EQ(v, 5);
    EXPECT_TRUE(std::filesystem::is_directory(path()));

    // A file this process may not even read. Permissions do not bind root, which reads such a
    // file as a read-only one (the next test), so this part needs an ordinary user.
    if (geteuid() != 0) {
        rmdir(path().c_str());
        {
            RegistryKey writer;
            ASSERT_TRUE(writer.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
            ASSERT_TRUE(writer.Write(&v, 4, "StarSize", REG_DWORD));
        }
        SettingsStore::Shutdown();
        chmod(path().c_str(), 0);
        EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
        chmod(path().c_str(), 0600);
        EXPECT_TRUE(std::filesystem::exists(path()));
    }
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A file without write permission is read but never written, by any user including root.
TEST_F(SettingsReliabilityTest, FileWithoutWritePermissionIsReadButNeverWritten) {
    {
        RegistryKey writer;
        ASSERT_TRUE(writer.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE));
        std::int32_t v = 4;
        ASSERT_TRUE(writer.Write(&v, 4, "StarSize", REG_DWORD));
    }
    SettingsStore::Shutdown();  // checkpoints the WAL into the file
    ASSERT_EQ(chmod(path().c_str(), 0444), 0);
    const std::string before = FileBytes(path());

    RegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ)) << key.LastError;
    std::int32_t v = 0;
    EXPECT_TRUE(key.Read(&v, 4, "StarSize", REG_DWORD)) << key.LastError;
    EXPECT_EQ(v, 4);

    KeyHandle existing = HKEY_NONE;
    ASSERT_EQ(SettingsStore::CreateKey(HKEY_CURRENT_USER, "Software\\Kivo\\Wirbelix", &existing),
              kErrorSuccess);
    const std::uint8_t bytes[4] = {9, 0, 0, 0};
    EXPECT_EQ(SettingsStore::SetValue(existing, "StarSize", REG_DWORD, bytes), kErrorAccessDenied);
    EXPECT_EQ(SettingsStore::SetValue(existing, "New", REG_DWORD, bytes), kErrorAccessDenied);
    KeyHandle created = HKEY_NONE;
    EXPECT_EQ(SettingsStore::CreateKey(HKEY_CURRENT_USER, "Software\\Other", &created),
              kErrorAccessDenied);

    v = 0;
    EXPECT_TRUE(key.Read(&v, 4, "StarSize", REG_DWORD));
    EXPECT_EQ(v, 4);
    SettingsStore::Shutdown();
    EXPECT_EQ(FileBytes(path()), before);
    for (const auto& entry : std::filesystem::directory_iterator(dir()))
        EXPECT_EQ(entry.path().string().find(".damaged-"), std::string::npos) << entry.path();
    chmod(path().c_str(), 0600);
}

}  // namespace
}  // namespace wirbelix
