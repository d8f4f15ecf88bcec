// CMainFrame: the program's main window, "Das Spiel - Wirbelix". It holds the game view as its
// central widget, the menu, the toolbar and the status bar, and carries out every command: the
// view's through its dispatch, its own (zoom, fixing the window in the foreground, the flat
// toolbar, showing and hiding the bars, the end of the program) and the application's (the
// About and key-assignment boxes).
//
// Every command's action belongs to the main window itself, so its keys work whichever child
// has the keyboard focus and while the menu bar and toolbar are hidden (zoom). Menu items and
// toolbar buttons share the actions: prompts appear in the status bar ("Bereit" when idle),
// tooltips on the buttons, check marks are brought up to date as a menu opens.
//
// Settings: "FlatMode" and "ShowGamerBar" under "Software\Kivo\Wirbelix\Settings", read when
// the frame is made and written when it goes.
//
// Thread contract: window (GUI) thread only.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <map>

class QAction;
class QLabel;
class QToolBar;

namespace wirbelix {

class QtGameView;
class QtWindowSystem;

// The caption of the main window: the document's title before the application's.
inline constexpr char kMainCaption[] = "Das Spiel - Wirbelix";

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(QtWindowSystem& windowSystem, QWidget* parent = nullptr);
    ~CMainFrame() override;

    QtGameView* gameView() { return view_; }
    QToolBar* toolBar() { return toolBar_; }
    // The action of a command number (null for numbers not in the command table).
    QAction* action(int command) const;

    // Shows the window for the first time: where it was when the program last ended (maximized
    // if it was), else at its default size where the window system puts it.
    void ShowAtStart();

    // Carries out a command number (menu, key, toolbar, remote box, other programs).
    void ExecuteCommand(int command);
    // Brings every action's check mark and enabled state up to date.
    void UpdateCommands();

    // 0 normal; 1 zoomed from a normal window; 2 zoomed from a maximized one.
    int zoomState() const { return zoomState_; }
    bool flatMode() const { return flatMode_; }
    bool topMost() const { return topMost_; }

    // The status bar's message pane (the idle text "Bereit" or a prompt).
    QString statusMessage() const;
    // Sets the text of a status-bar pane: 0 the message pane (shown until the next prompt
    // ends), 1 to 3 the caps-, num- and scroll-lock indicators. False for another pane.
    bool SetStatusPaneText(int pane, const QString& text);
    // The text a pane holds (empty for a pane that does not exist).
    QString statusPaneText(int pane) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateActions();
    void CreateMenu();
    void CreateToolBar();
    void CreateStatusBar();
    void UpdateLockIndicators();
    // The label of a status-bar pane; null for a number that is no pane.
    QLabel* PaneLabel(int pane) const;

    void OnZoom();
    void OnFixWindow();
    void OnFlatToolbar();
    void ApplyFlatMode();

    QtWindowSystem& windowSystem_;
    QtGameView* view_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* ready_ = nullptr;
    QLabel* locks_[3] = {nullptr, nullptr, nullptr};  // caps, num, scroll
    std::map<int, QAction*> actions_;
    QMenuBar* menu_ = nullptr;  // kept while zoom takes it away

    bool flatMode_ = true;
    int showGamerBar_ = 0;
    bool topMost_ = false;
    int zoomState_ = 0;
    bool toolBarWasVisible_ = true;
    bool statusBarWasVisible_ = true;
    bool viewDestroyed_ = false;
};

}  // namespace wirbelix
