#include "platform/qt/QtWindowSystem.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QScreen>
#include <QWidget>
#include <cmath>

#include "game/qt/QtGameView.h"
#include "platform/qt/QueuedCall.h"
#include "pictures/qt/PictureDialog.h"
#include "ui/qt/InputBoxDialog.h"
#include "ui/qt/QtPictureWindow.h"

namespace wirbelix {

QtWindowSystem::QtWindowSystem() { SetWindowSystem(this); }

QtWindowSystem::~QtWindowSystem() {
    if (CurrentWindowSystem() == this) SetWindowSystem(nullptr);
}

void QtWindowSystem::SetGameView(QtGameView* view) { gameView_ = view; }

void QtWindowSystem::PostCommand(int command) {
    // Queued onto the thread of this object (the window thread); dropped if it is gone by then.
    QueuedCall(this, [this, command] { RunCommand(command); });
}

void QtWindowSystem::RunCommand(int command) {
    if (commandHandler_) commandHandler_(command);
}

void QtWindowSystem::ShowMessage(const std::string& text, const std::string& title, MessageKind kind) {
    const QMessageBox::Icon icon = kind == MessageKind::Error     ? QMessageBox::Critical
                                   : kind == MessageKind::Warning ? QMessageBox::Warning
                                                                  : QMessageBox::Information;
    QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                    mainWindow_);
    box.exec();
}

// Screen coordinates are Qt's logical pixels, like the view's rectangle below, so parking
// compares like with like.
Point QtWindowSystem::CursorPos() {
    const QPoint p = QCursor::pos();
    return Point{p.x(), p.y()};
}

void QtWindowSystem::SetCursorPos(Point p) { QCursor::setPos(p.x, p.y); }

void QtWindowSystem::InvalidatePicture(const Rect& r) {
    if (gameView_ && gameView_->pictureWidget()) gameView_->pictureWidget()->InvalidateWindow(r, true);
}

void QtWindowSystem::RedrawPicture(const Rect& r) {
    if (!gameView_ || !gameView_->pictureWidget()) return;
    gameView_->pictureWidget()->InvalidateWindow(r, true);
    gameView_->pictureWidget()->repaint();
}

void QtWindowSystem::StartTimer(int, int periodMs) {
    if (gameView_) gameView_->StartFrameTimer(periodMs);
}

void QtWindowSystem::StopTimer(int) {
    if (gameView_) gameView_->StopFrameTimer();
}

void QtWindowSystem::HideMainWindow() {
    if (mainWindow_) mainWindow_->hide();
}

Rect QtWindowSystem::ViewScreenRect() {
    if (!gameView_) return Rect{};
    const QPoint topLeft = gameView_->mapToGlobal(QPoint(0, 0));
    return Rect{topLeft.x(), topLeft.y(), topLeft.x() + gameView_->width(), topLeft.y() + gameView_->height()};
}

std::optional<std::string> QtWindowSystem::AskText(const TextRequest& request) {
    InputBoxDialog box(mainWindow_);
    box.SetValue(request.value);
    box.SetCaption(request.caption);
    box.SetPrompt(request.prompt);
    if (!request.fieldToolTip.empty()) box.SetEditToolTip(request.fieldToolTip);
    if (box.exec() != 1) return std::nullopt;
    return box.value();
}

}  // namespace wirbelix

namespace wirbelix {

std::optional<PictureChoice> QtWindowSystem::ChoosePictures(const PictureChoice& current) {
    PictureDialog dialog(current, mainWindow_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.choice();
}

}  // namespace wirbelix
