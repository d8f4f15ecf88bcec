// The main window: its menu, toolbar and status bar from the command table, its keys with and
// without the bars, zoom in and out, fixing the window, the flat toolbar and its settings.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "game/CommandTable.h"
#include "game/GameView.h"
#include "game/qt/QtGameView.h"
#include "platform/qt/QtWindowSystem.h"
#include "shell/MainMenu.h"
#include "shell/RegistryKey.h"
#include "shell/SettingsFixture.h"
#include "shell/qt/CMainFrame.h"

namespace wirbelix {
namespace {

class MainFrame : public SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        Open();
    }
    void TearDown() override {
        frame_.reset();
        ws_.reset();
        SettingsFixture::TearDown();
    }
    void Open() {
        ws_ = std::make_unique<QtWindowSystem>();
        frame_ = std::make_unique<CMainFrame>(*ws_);
        frame_->ShowAtStart();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_.get()));
    }
    void Reopen() {
        frame_.reset();
        ws_.reset();
        SettingsStore::Shutdown();
        Open();
    }
    CWirbelixView& View() { return frame_->gameView()->view(); }
    std::optional<std::int32_t> FrameSetting(const char* name) {
        RegistryKey key;
        std::int32_t v = 0;
        if (!key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_READ) || !key.OpenSubKey("Settings", true) ||
            !key.Read(&v, sizeof v, name, REG_DWORD))
            return std::nullopt;
        return v;
    }

    std::unique_ptr<QtWindowSystem> ws_;
    std::unique_ptr<CMainFrame> frame_;
};

TEST_F(MainFrame, TheMenuHasEveryPopupAndItemInOrderWithItsKeys) {
    EXPECT_EQ(frame_->windowTitle(), "Das Spiel - Wirbelix");
    const QList<QAction*> popups = frame_->menuBar()->actions();
    const QStringList titles = {"&Datei", "&Bearbeiten", "&Ansicht", "&?"};
    ASSERT_EQ(popups.size(), titles.size());
    const QStringList expected[] = {
        {"&Beenden"},
        {"Erster Spieler +", "Zweiter Spieler +", "Erster Spieler -", "Zweiter Spieler -", "-", "Starte",
         "Zeiger anhalten", "-", "COM-Port auswählen", "Bilder auswählen"},
        {"&Flache Symbolleiste", "Fenster fi&xieren", "&Symbolleiste", "S&tatusleiste", "-", "Kleine Sterne",
         "Mittlere Sterne", "Große Sterne", "Zwei Reihen"},
        {"Inf&o über Wirbelix...", "&Tastenbelegung"},
    };
    for (int p = 0; p < popups.size(); ++p) {
        EXPECT_EQ(popups[p]->text(), titles[p]);
        QStringList items;
        for (QAction* a : popups[p]->menu()->actions()) items << (a->isSeparator() ? "-" : a->text());
        EXPECT_EQ(items, expected[p]);
    }
    EXPECT_EQ(frame_->action(cmd::kStart)->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(frame_->action(cmd::kStopPointer)->shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::Key_F6), QKeySequence(Qt::Key_F9)}));
    EXPECT_EQ(frame_->action(cmd::kStarsUp0)->statusTip(), "Die Sterne vom ersten Spieler erhöhen");
    EXPECT_TRUE(frame_->action(cmd::kChoosePictures)->isEnabled()) << "the view opens the picture dialog";
}

TEST_F(MainFrame, TheToolbarHasItsButtonsTooltipsAndPictures) {
    QStringList tips;
    for (QAction* a : frame_->toolBar()->actions()) tips << (a->isSeparator() ? "-" : a->toolTip());
    EXPECT_EQ(tips, (QStringList{"Vollbild Ansicht", "Fenster fixieren", "-", "Zeiger anhalten", "Starten", "-",
                                 "Info"}));
    for (QAction* a : frame_->toolBar()->actions()) {
        if (!a->isSeparator()) {
            EXPECT_FALSE(a->icon().isNull()) << a->toolTip().toStdString();
        }
    }
    // The menu items of those commands show the same pictures.
    EXPECT_FALSE(frame_->action(cmd::kAbout)->icon().isNull());
    EXPECT_TRUE(frame_->action(cmd::kStarsUp0)->icon().isNull());
}

TEST_F(MainFrame, TheStatusBarSaysReadyAndShowsACommandsPrompt) {
    EXPECT_EQ(frame_->statusMessage(), "Bereit");
    QStatusTipEvent tip(frame_->action(cmd::kStart)->statusTip());
    QApplication::sendEvent(frame_.get(), &tip);
    EXPECT_EQ(frame_->statusMessage(), "Startet den Zeiger.");
    QStatusTipEvent clear{QString()};
    QApplication::sendEvent(frame_.get(), &clear);
    EXPECT_EQ(frame_->statusMessage(), "Bereit");
}

TEST_F(MainFrame, ZoomTakesEverythingButTheGameAndGivesItBackAsItWas) {
    struct Case {
        bool maximized, toolbarShown;
    } cases[] = {{false, true}, {true, true}, {false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maximized);
        frame_->toolBar()->setVisible(c.toolbarShown);
        if (c.maximized) frame_->showMaximized();
        QApplication::processEvents();
        QTest::keyClick(frame_.get(), Qt::Key_F10);
        EXPECT_EQ(frame_->zoomState(), c.maximized ? 2 : 1);
        EXPECT_TRUE(frame_->isFullScreen());
        EXPECT_FALSE(frame_->menuBar()->isVisible());
        EXPECT_FALSE(frame_->toolBar()->isVisible());
        EXPECT_FALSE(frame_->statusBar()->isVisible());
        EXPECT_EQ(View().m_CursorMode, c.maximized ? 2 : 1);
        // The game's keys work without menu and toolbar.
        const int stars = View().m_Stars[0];
        QTest::keyClick(frame_.get(), Qt::Key_F1);
        EXPECT_EQ(View().m_Stars[0], (stars + 1) % 8);

        QTest::keyClick(frame_.get(), Qt::Key_F10);
        EXPECT_EQ(frame_->zoomState(), 0);
        EXPECT_FALSE(frame_->isFullScreen());
        EXPECT_EQ(frame_->isMaximized(), c.maximized);
        EXPECT_TRUE(frame_->menuBar()->isVisible());
        EXPECT_EQ(frame_->toolBar()->isVisible(), c.toolbarShown);
        EXPECT_TRUE(frame_->statusBar()->isVisible());
        EXPECT_EQ(View().m_CursorMode, 0);
        frame_->showNormal();
    }
}

TEST_F(MainFrame, ViewCommandsShowTheirChecksAndFrameCommandsToggle) {
    frame_->ExecuteCommand(cmd::kTwoRows);
    EXPECT_TRUE(frame_->action(cmd::kTwoRows)->isChecked());
    EXPECT_FALSE(frame_->action(cmd::kLargeStars)->isChecked());
    EXPECT_EQ(View().m_StarSize, 3);

    EXPECT_FALSE(frame_->topMost());
    frame_->ExecuteCommand(cmd::kFixWindow);
    EXPECT_TRUE(frame_->topMost());
    EXPECT_TRUE(frame_->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(frame_->action(cmd::kFixWindow)->isChecked());
    frame_->ExecuteCommand(cmd::kFixWindow);
    EXPECT_FALSE(frame_->windowFlags() & Qt::WindowStaysOnTopHint);

    frame_->ExecuteCommand(cmd::kStatusBar);
    EXPECT_FALSE(frame_->statusBar()->isVisible());
    EXPECT_FALSE(frame_->action(cmd::kStatusBar)->isChecked());
    frame_->ExecuteCommand(cmd::kStatusBar);
    EXPECT_TRUE(frame_->statusBar()->isVisible());
}

TEST_F(MainFrame, TheFlatToolbarIsSwitchedAtRunTimeAndRemembered) {
    auto buttonsRaised = [&] {
        for (QToolButton* b : frame_->toolBar()->findChildren<QToolButton*>())
            if (b->defaultAction() && !b->defaultAction()->isSeparator() && b->autoRaise()) return false;
        return true;
    };
    EXPECT_TRUE(frame_->flatMode());
    EXPECT_FALSE(buttonsRaised());
    frame_->ExecuteCommand(cmd::kFlatToolbar);
    EXPECT_FALSE(frame_->flatMode());
    EXPECT_TRUE(buttonsRaised());
    EXPECT_FALSE(frame_->action(cmd::kFlatToolbar)->isChecked());
    Reopen();
    EXPECT_EQ(FrameSetting("FlatMode"), 0);
    EXPECT_EQ(FrameSetting("ShowGamerBar"), 0);
    EXPECT_FALSE(frame_->flatMode());
    EXPECT_TRUE(buttonsRaised());
}

TEST_F(MainFrame, KeysWithoutACommandHaveNoEffect) {
    const int stars = View().m_Stars[0];
    for (auto key : {QKeyCombination(Qt::ControlModifier, Qt::Key_S), QKeyCombination(Qt::ControlModifier, Qt::Key_C),
                     QKeyCombination(Qt::ControlModifier, Qt::Key_Z)})
        QTest::keyClick(frame_.get(), key.key(), key.keyboardModifiers());
    EXPECT_EQ(View().m_Stars[0], stars);
    EXPECT_TRUE(frame_->isVisible());
}

}  // namespace
}  // namespace wirbelix
