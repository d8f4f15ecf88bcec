// QtGameView: the game view's window. It owns the CWirbelixView and only forwards to it: its
// creation and destruction, its size (in device pixels), the 20 ms frame timer, the player keys
// F7 and F8 and the commands. Its one child, a QtPictureWindow over the view's picture window,
// fills it and shows every frame.
//
// Keys: auto-repeated presses reach OnKeyDown (whose 8000 ms rule applies); auto-repeated
// releases (X11 sends release-and-press pairs while a key is held) never reach OnKeyUp. When the
// view loses the keyboard focus with F7 or F8 down, the key counts as released then, since its
// real release will go elsewhere.
//
// High-density screens: the back buffer has the screen's device pixels, so the dial and rotor
// are drawn at full resolution; the view's pixel ratio scales the bar columns and stars so they
// keep their size relative to the window.
//
// Thread contract: window (GUI) thread only.
#pragma once

#include <QBasicTimer>
#include <QWidget>
#include <memory>

namespace wirbelix {

class CWirbelixView;
class QtPictureWindow;

class QtGameView : public QWidget {
    Q_OBJECT

public:
    // Constructs the view (it reads its settings) and creates its window: the picture window
    // and everything OnCreate starts. The window system must be installed before.
    explicit QtGameView(QWidget* parent = nullptr);
    // Destroys the view's window (sound stopped, output closed), then the view (settings
    // stored, remote thread ended).
    ~QtGameView() override;

    CWirbelixView& view() { return *view_; }
    QtPictureWindow* pictureWidget() { return picture_; }

    // Starts or stops the frame timer (the window system's StartTimer and StopTimer).
    void StartFrameTimer(int periodMs);
    void StopFrameTimer();

    // Runs a frame step now (as the timer would).
    void Step();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    void ApplySize();
    // Runs an extra frame step kAnswerDelayMs from now.
    void StepSoon();
    static constexpr int kAnswerDelayMs = 6;

    std::unique_ptr<CWirbelixView> view_;
    QtPictureWindow* picture_ = nullptr;  // child; deleted before view_
    QBasicTimer frameTimer_;
    bool keyHeld_[2] = {false, false};
};

}  // namespace wirbelix
