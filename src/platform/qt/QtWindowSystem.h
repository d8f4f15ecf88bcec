// QtWindowSystem: the core's window-system interface carried out with Qt. Commands posted from
// any thread arrive on the window thread as queued calls of the command handler; message boxes,
// the input box and the cursor are Qt's; the picture window's rectangles go to the game view's
// picture widget; the view's frame timer is the game view's timer.
//
// Thread contract: PostCommand from any thread (a queued call; it never blocks and is dropped
// once the window system is gone). Everything else on the window (GUI) thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

#include "platform/WindowSystem.h"

class QWidget;

namespace wirbelix {

class QtGameView;

class QtWindowSystem final : public QObject, public WindowSystem {
    Q_OBJECT

public:
    // Installs itself as the current window system; uninstalls itself when destroyed.
    QtWindowSystem();
    ~QtWindowSystem() override;

    // Who carries out a posted command (the main window's dispatch); window thread.
    void SetCommandHandler(std::function<void(int)> handler) { commandHandler_ = std::move(handler); }
    // The main window (hidden first at shut-down; parent of the dialogs) and the game view.
    void SetMainWindow(QWidget* window) { mainWindow_ = window; }
    void SetGameView(QtGameView* view);

    void PostCommand(int command) override;
    void ShowMessage(const std::string& text, const std::string& title, MessageKind kind) override;
    Point CursorPos() override;
    void SetCursorPos(Point p) override;
    void InvalidatePicture(const Rect& r) override;
    void RedrawPicture(const Rect& r) override;
    void StartTimer(int id, int periodMs) override;
    void StopTimer(int id) override;
    void HideMainWindow() override;
    Rect ViewScreenRect() override;
    std::optional<std::string> AskText(const TextRequest& request) override;
    std::optional<PictureChoice> ChoosePictures(const PictureChoice& current) override;

private:
    void RunCommand(int command);

    std::function<void(int)> commandHandler_;
    QPointer<QWidget> mainWindow_;
    QPointer<QtGameView> gameView_;
};

}  // namespace wirbelix
