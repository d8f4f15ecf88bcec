#include "game/qt/QtGameView.h"

#include <QKeyEvent>
#include <QTimer>
#include <QResizeEvent>
#include <QTimerEvent>
#include <cmath>

#include "game/GameView.h"
#include "platform/qt/QtWindowSystem.h"
#include "ui/qt/QtPictureWindow.h"

namespace wirbelix {

namespace {

// The view's number of a player key, or 0.
int PlayerKey(int qtKey) {
    if (qtKey == Qt::Key_F7) return kKeyF7;
    if (qtKey == Qt::Key_F8) return kKeyF8;
    return 0;
}

}  // namespace

QtGameView::QtGameView(QWidget* parent) : QWidget(parent), view_(std::make_unique<CWirbelixView>()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    // The window system reaches this view (its timer, its picture) from the view's creation on.
    if (auto* ws = dynamic_cast<QtWindowSystem*>(CurrentWindowSystem())) ws->SetGameView(this);
    picture_ = new QtPictureWindow(view_->m_PictureWindow, 0, this);
    picture_->setFocusProxy(this);
    picture_->setFocusPolicy(Qt::NoFocus);
    view_->SetPixelRatio(devicePixelRatioF());
    view_->OnCreate();
}

QtGameView::~QtGameView() {
    StopFrameTimer();
    view_->OnDestroy();
    delete picture_;  // it refers to the view's picture window
    picture_ = nullptr;
    view_.reset();
}

void QtGameView::StartFrameTimer(int periodMs) { frameTimer_.start(periodMs, Qt::PreciseTimer, this); }

void QtGameView::StopFrameTimer() { frameTimer_.stop(); }

void QtGameView::Step() { view_->OnTimer(kFrameTimerId); }

void QtGameView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == frameTimer_.timerId()) Step();
    else QWidget::timerEvent(event);
}

void QtGameView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ApplySize();
}

bool QtGameView::event(QEvent* event) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    if (event->type() == QEvent::DevicePixelRatioChange) {
        view_->SetPixelRatio(devicePixelRatioF());
        ApplySize();
    }
#endif
    return QWidget::event(event);
}

void QtGameView::ApplySize() {
    picture_->setGeometry(rect());
    const qreal ratio = devicePixelRatioF();
    view_->OnSize(static_cast<int>(std::lround(width() * ratio)), static_cast<int>(std::lround(height() * ratio)));
}

void QtGameView::keyPressEvent(QKeyEvent* event) {
    const int key = PlayerKey(event->key());
    if (key == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    keyHeld_[key - kKeyF7] = true;
    view_->OnKeyDown(key);  // repeats too: the view lets one through after 8000 ms
    if (!event->isAutoRepeat()) StepSoon();
}

void QtGameView::keyReleaseEvent(QKeyEvent* event) {
    const int key = PlayerKey(event->key());
    if (key == 0) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    if (event->isAutoRepeat()) return;  // the key is still held
    keyHeld_[key - kKeyF7] = false;
    view_->OnKeyUp(key);
    StepSoon();
}

void QtGameView::StepSoon() {
    // A few milliseconds after a press or release the bar has risen by a line and the rotor
    // has turned by a degree or two: showing that at once, instead of at the next tick of the
    // 20 ms timer, halves the time until the player sees an answer.
    QTimer::singleShot(kAnswerDelayMs, Qt::PreciseTimer, this, [this] { Step(); });
}

void QtGameView::focusOutEvent(QFocusEvent* event) {
    for (int i = 0; i < 2; ++i) {
        if (!keyHeld_[i]) continue;
        keyHeld_[i] = false;
        view_->OnKeyUp(kKeyF7 + i);
    }
    QWidget::focusOutEvent(event);
}

}  // namespace wirbelix
