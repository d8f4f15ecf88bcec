// CMainFrame: the program's main window. It holds the game view as its central widget and
// carries out every command: the view's through its dispatch, its own (for now the end of the
// program). The command keys of the command table are actions of this window, so they work
// whichever child has the keyboard focus.
//
// Thread contract: window (GUI) thread only.
#pragma once

#include <QMainWindow>

namespace wirbelix {

class QtGameView;
class QtWindowSystem;

// The caption of the main window.
inline constexpr char kMainCaption[] = "Das Spiel - Wirbelix";

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(QtWindowSystem& windowSystem, QWidget* parent = nullptr);
    ~CMainFrame() override;

    QtGameView* gameView() { return view_; }

    // Carries out a command number (menu, key, remote box, other programs).
    void ExecuteCommand(int command);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void AddCommandKeys();

    QtWindowSystem& windowSystem_;
    QtGameView* view_ = nullptr;
    bool viewDestroyed_ = false;
};

}  // namespace wirbelix
