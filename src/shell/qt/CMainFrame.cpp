#include "shell/qt/CMainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeySequence>

#include "game/CommandTable.h"
#include "game/GameView.h"
#include "game/qt/QtGameView.h"
#include "platform/qt/QtWindowSystem.h"
#include "shell/qt/QtWindowPlacement.h"

namespace wirbelix {

namespace {

// A virtual-key number with modifier bits as a Qt key sequence.
QKeySequence KeyOf(int key) {
    int qt = 0;
    const int code = key & 0xFFFF;
    if (code >= vk::kF1 && code <= vk::kF10) qt = Qt::Key_F1 + (code - vk::kF1);
    else if (code == vk::kBack) qt = Qt::Key_Backspace;
    else if (code == vk::kInsert) qt = Qt::Key_Insert;
    else if (code == vk::kDelete) qt = Qt::Key_Delete;
    else qt = code;  // letters are their upper-case ASCII
    if (key & vk::kCtrl) qt |= Qt::ControlModifier;
    if (key & vk::kShift) qt |= Qt::ShiftModifier;
    if (key & vk::kAlt) qt |= Qt::AltModifier;
    return QKeySequence(qt);
}

}  // namespace

CMainFrame::CMainFrame(QtWindowSystem& windowSystem, QWidget* parent)
    : QMainWindow(parent), windowSystem_(windowSystem) {
    setWindowTitle(QString::fromUtf8(kMainCaption));
    windowSystem_.SetMainWindow(this);
    windowSystem_.SetCommandHandler([this](int command) { ExecuteCommand(command); });
    view_ = new QtGameView(this);
    setCentralWidget(view_);
    AddCommandKeys();
    // The size the window opens with when no placement was saved; the saved placement, if any,
    // replaces it before the first show.
    resize(1024, 768);
    RestoreWindowPlacement(this);
}

CMainFrame::~CMainFrame() {
    windowSystem_.SetCommandHandler(nullptr);
    windowSystem_.SetMainWindow(nullptr);
}

void CMainFrame::AddCommandKeys() {
    for (const CommandInfo& info : Commands()) {
        for (int key : info.keys) {
            if (key == 0) continue;
            auto* action = new QAction(this);
            action->setShortcut(KeyOf(key));
            action->setShortcutContext(Qt::WindowShortcut);
            const int id = info.id;
            connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
            addAction(action);
        }
    }
    // Keys that carry commands nobody handles: taken here so they have no effect anywhere.
    for (const InertKey& inert : InertKeys()) {
        auto* action = new QAction(this);
        action->setShortcut(KeyOf(inert.key));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
}

void CMainFrame::ExecuteCommand(int command) {
    if (view_ && view_->view().OnCommand(command)) return;
    if (command == cmd::kExit) close();
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (view_) view_->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The window goes: the view's window is destroyed first (the main window hidden at once, the
    // sound ended), then the view object stores its settings and ends its remote thread.
    if (view_ && !viewDestroyed_) {
        SaveWindowPlacement(this);  // while the window is still on screen with its frame
        viewDestroyed_ = true;
        delete view_;
        view_ = nullptr;
    }
    event->accept();
}

}  // namespace wirbelix
