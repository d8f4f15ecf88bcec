#include "shell/qt/CMainFrame.h"

#include <QAction>
#include <initializer_list>
#include <utility>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "game/CommandTable.h"
#include "game/GameView.h"
#include "game/qt/QtGameView.h"
#include "pictures/RasterImage.h"
#include "platform/qt/LockKeys.h"
#include "platform/qt/QtWindowSystem.h"
#include "shell/MainMenu.h"
#include "shell/RegistryKey.h"
#include "shell/qt/AboutDialog.h"
#include "shell/qt/KeyAssignmentDialog.h"
#include "shell/qt/QtWindowPlacement.h"

namespace wirbelix {

namespace {

constexpr const char* kSettingsKey = "Settings";
constexpr const char* kFlatModeValue = "FlatMode";
constexpr const char* kShowGamerBarValue = "ShowGamerBar";

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

// The menu text without the shortcut shown after the tab (Qt shows the action's own keys).
QString MenuText(const CommandInfo& info) {
    const QString text = QString::fromUtf8(info.menuText ? info.menuText : "");
    return text.section('\t', 0, 0);
}

// The toolbar's pictures: the cells of bitmap 128, its light grey background transparent.
QPixmap ToolbarPicture(int cell) {
    static const QImage strip = [] {
        RasterImage bitmap;
        QImage image;
        if (!bitmap.LoadBitmapResource(kToolbarBitmap)) return image;
        image = QImage(static_cast<int>(bitmap.width()), static_cast<int>(bitmap.height()), QImage::Format_ARGB32);
        for (std::uint32_t y = 0; y < bitmap.height(); ++y) {
            const std::uint8_t* row = bitmap.ReadRow32(y);
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
            for (std::uint32_t x = 0; x < bitmap.width(); ++x) {
                const QRgb rgb = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
                out[x] = (rgb & 0xFFFFFF) == 0xC0C0C0 ? 0 : rgb;
            }
        }
        return image;
    }();
    if (strip.isNull() || cell < 0) return {};
    return QPixmap::fromImage(strip.copy(cell * kToolbarImageWidth, 0, kToolbarImageWidth, kToolbarImageHeight));
}

// Reads numbers of the frame's settings key; a missing value leaves its default.
void ReadSettings(std::initializer_list<std::pair<const char*, int*>> values) {
    RegistryKey key;
    if (!key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE) || !key.OpenSubKey(kSettingsKey)) return;
    for (auto [name, value] : values) {
        std::int32_t v = 0;
        if (key.Read(&v, sizeof v, name, REG_DWORD)) *value = v;
    }
}

}  // namespace

CMainFrame::CMainFrame(QtWindowSystem& windowSystem, QWidget* parent)
    : QMainWindow(parent), windowSystem_(windowSystem) {
    int flat = 1;
    ReadSettings({{kFlatModeValue, &flat}, {kShowGamerBarValue, &showGamerBar_}});
    flatMode_ = flat != 0;

    setWindowTitle(QString::fromUtf8(kMainCaption));
    windowSystem_.SetMainWindow(this);
    windowSystem_.SetCommandHandler([this](int command) { ExecuteCommand(command); });
    view_ = new QtGameView(this);
    setCentralWidget(view_);
    CreateActions();
    CreateMenu();
    CreateToolBar();
    CreateStatusBar();
    statusBarWasVisible_ = true;
    toolBarWasVisible_ = true;
    UpdateCommands();
    // The size the window opens with when no placement was saved; the saved placement, if any,
    // replaces it before the first show (and before anything makes the native window).
    resize(1024, 768);
    RestoreWindowPlacement(this);
}

CMainFrame::~CMainFrame() {
    RegistryKey key;
    if (key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE) && key.OpenSubKey(kSettingsKey)) {
        const std::int32_t flat = flatMode_ ? 1 : 0;
        const std::int32_t gamerBar = showGamerBar_;
        key.Write(&flat, sizeof flat, kFlatModeValue, REG_DWORD);
        key.Write(&gamerBar, sizeof gamerBar, kShowGamerBarValue, REG_DWORD);
    }
    windowSystem_.SetCommandHandler(nullptr);
    windowSystem_.SetMainWindow(nullptr);
}

// ---- Actions, menu, toolbar, status bar ---------------------------------------------------------

void CMainFrame::CreateActions() {
    for (const CommandInfo& info : Commands()) {
        auto* act = new QAction(this);
        act->setText(MenuText(info));
        QList<QKeySequence> keys;
        for (int key : info.keys)
            if (key != 0) keys.append(KeyOf(key));
        act->setShortcuts(keys);
        act->setShortcutContext(Qt::WindowShortcut);
        act->setStatusTip(QString::fromUtf8(CommandPrompt(info).data(), static_cast<qsizetype>(CommandPrompt(info).size())));
        const std::string_view tip = CommandToolTip(info);
        if (!tip.empty()) act->setToolTip(QString::fromUtf8(tip.data(), static_cast<qsizetype>(tip.size())));
        if (const int cell = ToolbarImageOf(info.id); cell >= 0) act->setIcon(QIcon(ToolbarPicture(cell)));
        const int id = info.id;
        connect(act, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
        // The window's own action: its keys work with or without menu bar and toolbar.
        addAction(act);
        actions_[id] = act;
    }
    const int checkable[] = {cmd::kFixWindow, cmd::kFlatToolbar, cmd::kToolbar, cmd::kStatusBar,
                             cmd::kSmallStars, cmd::kMediumStars, cmd::kLargeStars, cmd::kTwoRows};
    for (int id : checkable) actions_[id]->setCheckable(true);
    // Keys that carry commands nobody handles: taken here so they have no effect anywhere.
    for (const InertKey& inert : InertKeys()) {
        auto* act = new QAction(this);
        act->setShortcut(KeyOf(inert.key));
        act->setShortcutContext(Qt::WindowShortcut);
        addAction(act);
    }
}

QAction* CMainFrame::action(int command) const {
    const auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::CreateMenu() {
    menu_ = menuBar();
    for (const MenuPopup& popup : MainMenu()) {
        QMenu* menu = menu_->addMenu(QString::fromUtf8(popup.title));
        for (int id : popup.items) {
            if (id == 0) menu->addSeparator();
            else menu->addAction(actions_.at(id));
        }
        // Check marks and enabled states are brought up to date as the popup opens.
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommands);
    }
}

void CMainFrame::CreateToolBar() {
    toolBar_ = new QToolBar(QString::fromUtf8(CommandToolTip(*FindCommand(cmd::kToolbar)).data()), this);
    toolBar_->setObjectName("toolBar");
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar_->setMovable(true);
    toolBar_->setFloatable(true);
    toolBar_->setIconSize(QSize(kToolbarImageWidth, kToolbarImageHeight));
    for (int id : ToolbarButtons()) {
        if (id == 0) toolBar_->addSeparator();
        else toolBar_->addAction(actions_.at(id));
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);
    connect(toolBar_, &QToolBar::visibilityChanged, this, [this] { UpdateCommands(); });
    ApplyFlatMode();
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName("statusBar");
    // The message pane: "Bereit" while no prompt is shown (a prompt hides it for its time).
    ready_ = new QLabel(QString::fromUtf8(texts::kReady), bar);
    bar->addWidget(ready_, 1);
    const char* names[3] = {texts::kCapsLock, texts::kNumLock, texts::kScrollLock};
    for (int i = 0; i < 3; ++i) {
        locks_[i] = new QLabel(QString::fromUtf8(names[i]), bar);
        locks_[i]->setAlignment(Qt::AlignCenter);
        locks_[i]->setMinimumWidth(locks_[i]->fontMetrics().horizontalAdvance("NUM") + 12);
        locks_[i]->setFrameShape(QFrame::Panel);
        locks_[i]->setFrameShadow(QFrame::Sunken);
        bar->addPermanentWidget(locks_[i]);
    }
    UpdateLockIndicators();
    // The lock keys may change in any window; look again now and then.
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &CMainFrame::UpdateLockIndicators);
    poll->start(500);
}

QString CMainFrame::statusMessage() const {
    const QString message = statusBar()->currentMessage();
    return message.isEmpty() ? ready_->text() : message;
}

QLabel* CMainFrame::PaneLabel(int pane) const {
    if (pane == 0) return ready_;
    return pane >= 1 && pane <= 3 ? locks_[pane - 1] : nullptr;
}

bool CMainFrame::SetStatusPaneText(int pane, const QString& text) {
    QLabel* label = PaneLabel(pane);
    if (!label) return false;
    // A plain text: nothing another program sends is read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    if (pane == 0) statusBar()->clearMessage();
    return true;
}

QString CMainFrame::statusPaneText(int pane) const {
    const QLabel* label = PaneLabel(pane);
    return label ? label->text() : QString();
}

void CMainFrame::UpdateLockIndicators() {
    // Where the window system does not tell the lock keys' states, the indicators stay greyed.
    const std::optional<LockKeys> keys = ReadLockKeys();
    const bool on[3] = {keys && keys->caps, keys && keys->num, keys && keys->scroll};
    for (int i = 0; i < 3; ++i) locks_[i]->setEnabled(on[i]);
}

bool CMainFrame::event(QEvent* e) {
    if (e->type() == QEvent::KeyRelease || e->type() == QEvent::WindowActivate) UpdateLockIndicators();
    return QMainWindow::event(e);
}

void CMainFrame::UpdateCommands() {
    for (auto& [id, act] : actions_) {
        const CommandInfo* info = FindCommand(id);
        switch (info->target) {
            case CommandTarget::View: {
                // A command without a handler is disabled.
                act->setEnabled(view_ && view_->view().HandlesCommand(id));
                const int checked = view_ ? view_->view().CommandChecked(id) : -1;
                if (checked >= 0) act->setChecked(checked == 1);
                break;
            }
            default:
                break;
        }
    }
    actions_[cmd::kFixWindow]->setChecked(topMost_);
    actions_[cmd::kFlatToolbar]->setChecked(flatMode_);
    actions_[cmd::kToolbar]->setChecked(toolBar_ && toolBar_->isVisible());
    actions_[cmd::kStatusBar]->setChecked(statusBar()->isVisible());
    // Bars cannot be shown or hidden from a menu that zoom has taken away; keep it so.
    actions_[cmd::kToolbar]->setEnabled(zoomState_ == 0);
    actions_[cmd::kStatusBar]->setEnabled(zoomState_ == 0);
}

// ---- Commands --------------------------------------------------------------------------------

void CMainFrame::ExecuteCommand(int command) {
    if (view_ && view_->view().OnCommand(command)) {
        UpdateCommands();
        return;
    }
    switch (command) {
        case cmd::kExit: close(); break;
        case cmd::kAbout: ShowAboutDialog(this); break;
        case cmd::kKeyAssignment: ShowKeyAssignmentDialog(this); break;
        case cmd::kZoom: OnZoom(); break;
        case cmd::kFixWindow: OnFixWindow(); break;
        case cmd::kFlatToolbar: OnFlatToolbar(); break;
        case cmd::kToolbar: toolBar_->setVisible(!toolBar_->isVisible()); break;
        case cmd::kStatusBar: statusBar()->setVisible(!statusBar()->isVisible()); break;
        default: break;  // the document's save and the keys without effect do nothing
    }
    UpdateCommands();
}

void CMainFrame::OnZoom() {
    if (zoomState_ == 0) {
        zoomState_ = isMaximized() ? 2 : 1;
        statusBarWasVisible_ = statusBar()->isVisible();
        toolBarWasVisible_ = toolBar_->isVisible();
        statusBar()->hide();
        toolBar_->hide();
        menuBar()->hide();
        // The whole screen, without caption and frame: the window manager's full screen.
        showFullScreen();
        if (view_) view_->view().SetCursorMode(zoomState_);
    } else {
        if (statusBarWasVisible_) statusBar()->show();
        if (toolBarWasVisible_) toolBar_->show();
        menuBar()->show();
        if (zoomState_ == 2) showMaximized();
        else showNormal();
        zoomState_ = 0;
        if (view_) view_->view().SetCursorMode(0);
    }
    update();
}

void CMainFrame::OnFixWindow() {
    topMost_ = !topMost_;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, topMost_);
    // Changing a window flag hides the window; show it again as it was, without activating.
    if (visible) {
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
}

void CMainFrame::OnFlatToolbar() {
    flatMode_ = !flatMode_;
    ApplyFlatMode();
    if (toolBar_->isVisible()) {
        toolBar_->hide();
        toolBar_->show();
    }
}

void CMainFrame::ApplyFlatMode() {
    // Flat: the buttons show a frame only under the mouse; raised: always.
    for (QToolButton* button : toolBar_->findChildren<QToolButton*>()) button->setAutoRaise(flatMode_);
}

// ---- Life cycle ------------------------------------------------------------------------------

void CMainFrame::ShowAtStart() {
    // Size, place and maximized state are set already (RestoreWindowPlacement).
    show();
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
