// The game's window on Qt: keys as a player meets them (auto-repeat included), the command
// keys of the main window, commands posted from other threads, the frame on screen, and the
// program ending on a termination signal as when its window is closed.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <dirent.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

#include "game/CommandTable.h"
#include "game/GameView.h"
#include "game/qt/QtGameView.h"
#include "platform/TickCount.h"
#include "platform/qt/QtWindowSystem.h"
#include "shell/RegistryKey.h"
#include "shell/SettingsFixture.h"
#include "shell/qt/CMainFrame.h"
#include "ui/qt/QtPictureWindow.h"

namespace wirbelix {
namespace {

class QtGameViewTest : public SettingsFixture {
protected:
    QtGameViewTest() : clock_(500000), useClock_(clock_) {}
    void SetUp() override {
        SettingsFixture::SetUp();
        ws_ = std::make_unique<QtWindowSystem>();
        frame_ = std::make_unique<CMainFrame>(*ws_);
        frame_->resize(800, 600);
        frame_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_.get()));
    }
    void TearDown() override {
        frame_.reset();
        ws_.reset();
        SettingsFixture::TearDown();
    }
    CWirbelixView& View() { return frame_->gameView()->view(); }
    void Key(QEvent::Type type, int key, bool autoRepeat) {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(frame_->gameView(), &event);
    }

    ManualTickClock clock_;
    ScopedTickClock useClock_;
    std::unique_ptr<QtWindowSystem> ws_;
    std::unique_ptr<CMainFrame> frame_;
};

TEST_F(QtGameViewTest, AHeldKeyChargesUntilItsRealReleaseWhateverTheAutoRepeatSends) {
    Key(QEvent::KeyPress, Qt::Key_F7, false);
    EXPECT_EQ(g_spinState.load(), Charging1);
    // X11's auto-repeat: release-and-press pairs marked as repeats, every 30 ms for 1.2 s.
    for (int t = 0; t < 1200; t += 30) {
        clock_.Advance(30);
        Key(QEvent::KeyRelease, Qt::Key_F7, true);
        Key(QEvent::KeyPress, Qt::Key_F7, true);
        ASSERT_EQ(g_spinState.load(), Charging1) << "a repeat ended the charge at " << t << " ms";
    }
    Key(QEvent::KeyRelease, Qt::Key_F7, false);
    EXPECT_EQ(g_spinState.load(), Spinning1);
    EXPECT_DOUBLE_EQ(View().m_Strength, 0.6);
}

TEST_F(QtGameViewTest, AKeyHeldWhileTheViewLosesTheFocusCountsAsReleasedThen) {
    Key(QEvent::KeyPress, Qt::Key_F8, false);
    EXPECT_EQ(g_spinState.load(), Charging2);
    clock_.Advance(400);
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(frame_->gameView(), &out);
    EXPECT_EQ(g_spinState.load(), Spinning2);
    EXPECT_DOUBLE_EQ(View().m_Strength, 0.2);
    Key(QEvent::KeyRelease, Qt::Key_F8, false);  // the late real release changes nothing
    EXPECT_EQ(g_spinState.load(), Spinning2);
}

TEST_F(QtGameViewTest, CommandKeysBelongToTheMainWindow) {
    QWidget* other = new QWidget(frame_.get());  // focus elsewhere in the window
    other->setFocusPolicy(Qt::StrongFocus);
    other->setFocus();
    QTest::keyClick(frame_.get(), Qt::Key_F1);
    QTest::keyClick(frame_.get(), Qt::Key_F2);
    QTest::keyClick(frame_.get(), Qt::Key_F2);
    EXPECT_EQ(View().m_Stars[0], 1);
    EXPECT_EQ(View().m_Stars[1], 2);
    QTest::keyClick(frame_.get(), Qt::Key_F5);
    EXPECT_EQ(g_spinState.load(), Spinning1);
    QTest::keyClick(frame_.get(), Qt::Key_F9);
    EXPECT_EQ(g_spinState.load(), Idle);
}

TEST_F(QtGameViewTest, CommandsPostedFromAnotherThreadRunOnTheWindowThread) {
    std::thread remote([] { CurrentWindowSystem()->PostCommand(cmd::kStarsUp1); });
    remote.join();
    EXPECT_EQ(View().m_Stars[1], 0) << "queued, not run on the posting thread";
    QTRY_COMPARE(View().m_Stars[1], 1);
}

TEST_F(QtGameViewTest, TheFrameOnScreenShowsTheDialTheRotorAndTheSeparators) {
    frame_->gameView()->Step();
    QApplication::processEvents();
    const QImage shot = frame_->gameView()->grab().toImage();
    const qreal ratio = frame_->gameView()->devicePixelRatioF();
    ASSERT_EQ(View().m_Width, qRound(frame_->gameView()->width() * ratio));
    // The separators' first line and a pixel of the dial under its pivot.
    const QPoint separator(View().m_ColumnWidth, 5);
    EXPECT_EQ(shot.pixel(separator) & 0xFFFFFF, 0xDEDEDEu);
    const QRgb dial = shot.pixel(View().m_PivotScreenX, View().m_PivotScreenY + 40);
    EXPECT_NE(dial & 0xFFFFFF, 0u) << "the dial is drawn";
}

// ---- The program ------------------------------------------------------------------------------

int TaskCount(pid_t pid) {
    const std::string path = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(path.c_str());
    if (!dir) return 0;
    int n = 0;
    while (readdir(dir)) ++n;
    closedir(dir);
    return n - 2;
}

TEST_F(SettingsFixture, TheProgramEndsOnATerminationSignalAsWhenItsWindowCloses) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        // No settings yet: only the program's own shut-down writes "StarSize" and "ComPort".
        SettingsStore::Shutdown();
        std::filesystem::remove(path());
        const std::string program = std::string(WIRBELIX_BINARY_DIR) + "/wirbelix";
        std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "SDL_AUDIODRIVER=dummy",
                                        "WIRBELIX_SETTINGS=" + path(), "HOME=" + dir()};
        // A sanitizer build's program runs with the same options (suppressions) as the tests.
        for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS", "UBSAN_OPTIONS"})
            if (const char* value = getenv(name)) env.push_back(std::string(name) + "=" + value);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        pid_t pid = -1;
        ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()), 0);
        // Running: the window thread, the remote-control thread and the mixing thread.
        for (int i = 0; i < 600 && TaskCount(pid) < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_GE(TaskCount(pid), 3);
        ASSERT_EQ(kill(pid, signal), 0);
        int status = -1;
        for (int i = 0; i < 600 && waitpid(pid, &status, WNOHANG) != pid; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (status == -1) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself, status " << status;
        EXPECT_EQ(WEXITSTATUS(status), 0);
        RegistryKey key;
        std::int32_t starSize = -1, port = -1;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ)) << "nothing was stored";
        EXPECT_TRUE(key.Read(&starSize, 4, "StarSize", REG_DWORD));
        EXPECT_TRUE(key.Read(&port, 4, "ComPort", REG_DWORD));
        EXPECT_EQ(starSize, 0);
        EXPECT_EQ(port, 0);
    }
}

}  // namespace
}  // namespace wirbelix
