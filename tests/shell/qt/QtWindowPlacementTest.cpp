// The placement of a real top-level Qt window through a real settings file: what one run stores
// the next run restores, and storing it again changes nothing.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <QTest>
#include <memory>
#include <optional>

#include "shell/RegistryKey.h"
#include "shell/SettingsFixture.h"
#include "shell/WindowPlacement.h"
#include "shell/qt/QtWindowPlacement.h"

namespace wirbelix {
namespace {

class QtWindowPlacementTest : public SettingsFixture {
protected:
    static std::optional<std::int32_t> Stored(const char* name) {
        RegistryKey key;
        std::int32_t v = 0;
        if (!key.Open(HKEY_CURRENT_USER, "Software\\Kivo\\Wirbelix\\Settings", REG_MODE_READ) ||
            !key.Read(&v, sizeof v, name, REG_DWORD))
            return std::nullopt;
        return v;
    }

    struct Stored6 {
        std::optional<std::int32_t> zoomed, x, y, cx, cy, monitor;
        bool operator==(const Stored6&) const = default;
    };
    static Stored6 StoredAll() {
        return {Stored("IsZoomed"),  Stored("LastPosX"),  Stored("LastPosY"),
                Stored("LastSizeX"), Stored("LastSizeY"), Stored("LastMonitor")};
    }

    // One run of the program: a new window with the program's default size, the placement
    // restored, shown; the returned window is on screen.
    static std::unique_ptr<QMainWindow> StartRun(PlacementState& state, bool* maximized) {
        auto window = std::make_unique<QMainWindow>();
        window->resize(500, 400);
        *maximized = RestoreWindowPlacement(window.get(), state);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }

    // The first run from an empty store: the window opens as the system puts it, the user moves
    // and resizes it (and maximizes it, if asked) and closes it.
    static void FirstRun(QPoint position, QSize size, bool thenMaximize = false) {
        PlacementState state;
        bool maximized = true;
        auto window = StartRun(state, &maximized);
        EXPECT_FALSE(maximized);
        window->move(position);
        window->resize(size);
        QTest::qWait(0);
        SaveWindowPlacement(window.get(), state);
        if (!thenMaximize) return;
        window->showMaximized();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->isMaximized(); }));
        SaveWindowPlacement(window.get(), state);
    }
};

TEST_F(QtWindowPlacementTest, NormalWindowComesBackWhereItWasRunAfterRun) {
    FirstRun({40, 30}, {640, 480});
    const Stored6 first = StoredAll();
    EXPECT_EQ(first.zoomed, 0);
    EXPECT_EQ(first.cx, 640);
    EXPECT_EQ(first.cy, 480);
    EXPECT_FALSE(first.monitor.has_value());  // the offscreen platform has one screen

    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        PlacementState state;
        bool maximized = true;
        auto window = StartRun(state, &maximized);
        EXPECT_FALSE(maximized);
        EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(*first.x, *first.y));
        EXPECT_EQ(window->size(), QSize(640, 480));
        SaveWindowPlacement(window.get(), state);
        EXPECT_EQ(StoredAll(), first);
    }
}

TEST_F(QtWindowPlacementTest, MaximizedWindowReopensMaximizedOverItsNormalRectangle) {
    FirstRun({60, 50}, {420, 300}, true);
    const Stored6 saved = StoredAll();
    EXPECT_EQ(saved.zoomed, 1);
    EXPECT_EQ(saved.cx, 420);
    EXPECT_EQ(saved.cy, 300);

    PlacementState state;
    bool maximized = false;
    auto window = StartRun(state, &maximized);
    EXPECT_TRUE(maximized);
    EXPECT_TRUE(window->isMaximized());
    SaveWindowPlacement(window.get(), state);
    EXPECT_EQ(StoredAll(), saved);

    // Its normal rectangle, the one it returns to, is the saved one.
    EXPECT_EQ(window->normalGeometry(), QRect(*saved.x, *saved.y, 420, 300));
}

TEST_F(QtWindowPlacementTest, WindowAskedToOpenMaximizedIgnoresTheSavedPlacement) {
    FirstRun({70, 20}, {300, 250});
    PlacementState state;
    QMainWindow window;
    window.resize(500, 400);
    window.setWindowState(Qt::WindowMaximized);
    EXPECT_TRUE(RestoreWindowPlacement(&window, state));
    EXPECT_EQ(window.size(), QSize(500, 400));
    EXPECT_FALSE(window.testAttribute(Qt::WA_Moved));
}

}  // namespace
}  // namespace wirbelix
