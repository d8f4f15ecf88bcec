// The view's life cycle: construction with the stored settings, the creation of its window and
// everything it starts, resizing, destruction in order, the command dispatch, the star sizes,
// cursor parking and the choice of the serial port.
#include "game/GameView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "audio/SoundMixer.h"
#include "game/CommandTable.h"
#include "game/SpinRandom.h"
#include "pictures/PictureDialogRules.h"
#include "platform/NumberParse.h"
#include "platform/TextCompare.h"
#include "platform/TickCount.h"
#include "remote/RemoteControl.h"
#include "remote/SerialDeviceName.h"
#include "shell/RegistryKey.h"

namespace wirbelix {

std::atomic<int> g_frameBusy{0};

namespace {

// Settings value names of the view.
namespace value {
constexpr const char* kStarSize = "StarSize";
constexpr const char* kComPort = "ComPort";
constexpr const char* kImageX = "ImageX";
constexpr const char* kImageY = "ImageY";
constexpr const char* kRotorX = "RotorX";
constexpr const char* kRotorY = "RotorY";
constexpr const char* kStepStart = "StepStart";
constexpr const char* kStepCount = "StepCount";
constexpr const char* kImagePath = "ImagePath";
constexpr const char* kRotorPath = "RotorPath";
constexpr const char* kTurnCount = "TurnCount";
}  // namespace value

void ReadInt(RegistryKey& key, const char* name, int& field) {
    std::int32_t v = 0;
    if (key.Read(&v, sizeof v, name, REG_DWORD)) field = v;
}

// The highest COM number a device path is stored under.
constexpr int kMaxComPorts = 256;

}  // namespace

// ---- Construction and destruction ---------------------------------------------------------

CWirbelixView::CWirbelixView() {
    // A view starts a game as a new process would: nothing charging, playing or being drawn.
    ResetPlayingWords();
    ResetRemoteWords();
    g_frameBusy.store(0, std::memory_order_relaxed);

    RegistryKey key;
    key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE);
    ReadInt(key, value::kStarSize, m_StarSize);
    int port = 0;
    ReadInt(key, value::kComPort, port);
    m_ComPort.store(port, std::memory_order_relaxed);
    ReadInt(key, value::kImageX, m_ImageX);
    ReadInt(key, value::kImageY, m_ImageY);
    ReadInt(key, value::kRotorX, m_RotorX);
    ReadInt(key, value::kRotorY, m_RotorY);
    ReadInt(key, value::kStepStart, m_StepStart);
    {
        const GameInputLock lock = LockGameInput();
        int& steps = m_StepCount(lock);
        ReadInt(key, value::kStepCount, steps);
        if (steps < 2) steps = 6;
        if (steps > 12) steps = 12;
        key.ReadDouble(&m_TurnCount(lock), value::kTurnCount);  // validated at every spin
    }
    key.ReadString(&m_ImagePath, value::kImagePath);
    key.ReadString(&m_RotorPath, value::kRotorPath);
    std::memset(m_StarDrawn, 0xFF, sizeof m_StarDrawn);
    SeedSpinRandom(GetTickCount());
    key.Close();
}

CWirbelixView::~CWirbelixView() {
    // A window that was never destroyed properly still ends its sound before anything goes.
    if (m_Created) OnDestroy();
    StoreSettings();
    if (m_RemoteThread.Joinable()) {
        StopRemoteControl(*this);
        m_RemoteThread.Join();
    }
    m_RotorCache.Clear();
}

void CWirbelixView::StoreSettings() const {
    RegistryKey key;
    key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE);
    const std::int32_t starSize = m_StarSize;
    const std::int32_t port = m_ComPort.load(std::memory_order_relaxed);
    key.Write(&starSize, sizeof starSize, value::kStarSize, REG_DWORD);
    key.Write(&port, sizeof port, value::kComPort, REG_DWORD);
    key.Close();
}

// ---- The window ------------------------------------------------------------------------------

void CWirbelixView::WindowSystemPictureHost::InvalidateWindow(const Rect& windowRect, bool) {
    if (WindowSystem* ws = CurrentWindowSystem()) ws->InvalidatePicture(windowRect);
}

void CWirbelixView::WindowSystemPictureHost::RedrawNow() {
    if (WindowSystem* ws = CurrentWindowSystem()) ws->RedrawPicture(Rect{0, 0, 1 << 30, 1 << 30});
}

void CWirbelixView::WindowSystemPictureHost::PostToSelf(int command) {
    if (WindowSystem* ws = CurrentWindowSystem()) ws->PostCommand(command);
}

bool CWirbelixView::OnCreate(bool baseCreated) {
    if (!baseCreated) return false;
    m_PictureWindow.Create(&m_PictureHost, 0);
    m_PictureWindow.SetBackgroundColour(0);
    for (int i = 0; i < 3; ++i) {
        RasterImage* star[3] = {&m_StarLarge, &m_StarMedium, &m_StarSmall};
        star[i]->LoadBitmapResource(kStarBitmaps[i]);
    }
    ApplyStarSize(m_StarSize);
    m_RemoteStop.store(0, std::memory_order_relaxed);
    m_RemoteDone.store(0, std::memory_order_relaxed);
    StartRemoteControl(m_RemoteThread, *this);
    if (WindowSystem* ws = CurrentWindowSystem()) ws->StartTimer(kFrameTimerId, kFramePeriodMs);
    LoadSoundClips();
    LoadPictures();
    StartSoundOutput(*this);
    m_Created = true;
    return true;
}

void CWirbelixView::OnSize(int width, int height) {
    if (width <= 0 || height <= 0) return;
    m_PictureWindow.OnSize(width, height);
    RasterImage& B = m_PictureWindow.backBuffer();
    B.FillRect(0, 0, width, height, 0);
    std::memset(m_StarDrawn, 0xFF, sizeof m_StarDrawn);
    m_Width = width;
    m_Height = height;
    m_BordersDrawn = 0;
}

void CWirbelixView::OnDestroy() {
    if (!m_Created) return;
    m_Created = false;
    WindowSystem* ws = CurrentWindowSystem();
    if (ws) {
        ws->HideMainWindow();
        ws->StopTimer(kFrameTimerId);
    }
    StopSoundOutput(*this);  // the mixing thread ends before the output closes
    m_PictureWindow.Destroy();
}

// ---- Commands --------------------------------------------------------------------------------

bool CWirbelixView::OnCommand(int command) {
    if (command == cmd::kPictureResume) {
        m_PictureWindow.OnResumeCommand();
        return true;
    }
    const CommandInfo* info = FindCommand(command);
    if (info == nullptr || info->target != CommandTarget::View || info->handler == nullptr) return false;
    info->handler(*this);
    return true;
}

bool CWirbelixView::HandlesCommand(int command) const {
    const CommandInfo* info = FindCommand(command);
    return info != nullptr && info->target == CommandTarget::View && info->handler != nullptr;
}

int CWirbelixView::CommandChecked(int command) const {
    const CommandInfo* info = FindCommand(command);
    if (info == nullptr || info->checked == nullptr) return -1;
    return info->checked(*this);
}

void CWirbelixView::ApplyStarSize(int preset) {
    const RasterImage& star = preset == 1 ? m_StarMedium : (preset == 2 || preset == 3) ? m_StarSmall : m_StarLarge;
    const StarSizePreset& p = StarSizePresetFor(preset);
    const double ratio = m_PixelRatio;
    if (star.empty()) {
        m_StarImage.Clear();
    } else if (ratio == 1.0) {
        m_StarImage.Copy(star);
    } else {
        m_StarImage.Resample(star, static_cast<int>(std::lround(star.width() * ratio)),
                             static_cast<int>(std::lround(star.height() * ratio)), RESAMPLE_SMOOTH | RESAMPLE_TO_32);
    }
    m_StarLimit = p.starLimit;
    m_ColumnWidth = static_cast<int>(std::lround(p.columnWidth * ratio));
    m_StarCellHeight = static_cast<int>(std::lround(p.starCellHeight * ratio));
    m_StarColumns = p.starColumns;
}

void CWirbelixView::SetPixelRatio(double ratio) {
    if (!(ratio >= 1.0 && ratio <= 8.0)) ratio = 1.0;
    if (ratio == m_PixelRatio) return;
    m_PixelRatio = ratio;
    ApplyStarSize(m_StarSize);
    std::memset(m_StarDrawn, 0xFF, sizeof m_StarDrawn);
    m_BordersDrawn = 0;
}

void CWirbelixView::SetStarSize(int preset) {
    m_StarSize = preset;
    ApplyStarSize(preset);
    std::memset(m_StarDrawn, 0xFF, sizeof m_StarDrawn);
    m_BordersDrawn = 0;
    if (WindowSystem* ws = CurrentWindowSystem()) ws->RedrawPicture(Rect{0, 0, m_Width, m_Height});
}

void CWirbelixView::SetCursorMode(int mode) {
    m_CursorMode = mode;
    WindowSystem* ws = CurrentWindowSystem();
    m_CursorRect = ws ? ws->ViewScreenRect() : Rect{};
    m_CursorRect.right -= 1;
}

void CWirbelixView::OnChooseComPort() {
    WindowSystem* ws = CurrentWindowSystem();
    if (ws == nullptr) return;
    char initial[32];
    std::snprintf(initial, sizeof initial, "COM%i", m_ComPort.load(std::memory_order_relaxed) + 1);
    WindowSystem::TextRequest request{
        "COM-Port", "Bitte hier das COM-Port angeben :", initial,
        "COM1, COM2, ... oder ein Gerätepfad wie /dev/ttyUSB0 (er wird unter der kleinsten "
        "freien COM-Nummer gespeichert)"};
    if (auto answer = ws->AskText(request)) ApplyComPortText(*answer);
}

PictureChoice CWirbelixView::CurrentPictureChoice() const {
    PictureChoice c;
    c.imagePath = m_ImagePath;
    c.rotorPath = m_RotorPath;
    c.imageX = m_ImageX;
    c.imageY = m_ImageY;
    c.rotorX = m_RotorX;
    c.rotorY = m_RotorY;
    c.offset = m_StepStart;
    const GameInputLock lock = LockGameInput();
    c.sections = m_StepCount(lock);
    c.revolutions = m_TurnCount(lock);
    return c;
}

void CWirbelixView::OnChoosePictures() {
    WindowSystem* ws = CurrentWindowSystem();
    if (ws == nullptr) return;
    const std::optional<PictureChoice> answer = ws->ChoosePictures(CurrentPictureChoice());
    if (!answer) return;
    m_ImagePath = answer->imagePath;
    m_RotorPath = answer->rotorPath;
    m_ImageX = answer->imageX;
    m_ImageY = answer->imageY;
    m_RotorX = answer->rotorX;
    m_RotorY = answer->rotorY;
    m_StepStart = answer->offset;
    {
        const GameInputLock lock = LockGameInput();
        m_StepCount(lock) = answer->sections;
        m_TurnCount(lock) = CheckRevolutions(answer->revolutions);
    }

    RegistryKey key;
    key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE);
    const auto writeInt = [&key](const char* name, int v) {
        const std::int32_t word = v;
        key.Write(&word, sizeof word, name, REG_DWORD);
    };
    writeInt(value::kStarSize, m_StarSize);
    writeInt(value::kComPort, m_ComPort.load(std::memory_order_relaxed));
    writeInt(value::kImageX, m_ImageX);
    writeInt(value::kImageY, m_ImageY);
    writeInt(value::kRotorX, m_RotorX);
    writeInt(value::kRotorY, m_RotorY);
    writeInt(value::kStepStart, m_StepStart);
    double turns = 0.0;
    {
        const GameInputLock lock = LockGameInput();
        writeInt(value::kStepCount, m_StepCount(lock));
        turns = m_TurnCount(lock);
    }
    key.WriteString(m_ImagePath, value::kImagePath);
    key.WriteString(m_RotorPath, value::kRotorPath);
    key.WriteDouble(turns, value::kTurnCount);

    LoadPictures();
    m_LayoutValid = 0;
    m_DrawnAngle = -1;
    key.Close();
}

void CWirbelixView::ApplyComPortText(const std::string& entered) {
    // The input box hands over at most 31 bytes (a 32-byte buffer with its terminating zero).
    std::string text = entered.substr(0, 31);
    if (!text.empty() && text[0] == '/') {
        // A device path: the lowest COM number that already opens it, else the lowest whose
        // settings value is free, which is then made to name it.
        int chosen = -1;
        for (int port = 0; port < kMaxComPorts && chosen < 0; ++port)
            if (SerialDeviceName(port) == text) chosen = port;
        if (chosen < 0) {
            RegistryKey key;
            key.Open(HKEY_CURRENT_USER, kPortsKey, REG_MODE_CREATE);
            for (int port = 0; port < kMaxComPorts && chosen < 0; ++port) {
                std::string stored;
                if (!key.ReadString(&stored, SerialPortValueName(port).c_str()) || stored.empty()) {
                    if (key.WriteString(text, SerialPortValueName(port).c_str())) chosen = port;
                    else break;  // the store cannot be written: keep the port as it is
                }
            }
            key.Close();
            if (chosen < 0) return;
        }
        m_ComPort.store(chosen, std::memory_order_relaxed);
        return;
    }
    std::string_view rest(text);
    if (StartsWithNoCase(rest, "COM")) rest.remove_prefix(3);
    const std::int64_t number = ParseNumber(rest);
    m_ComPort.store(number > 0 && number <= 0x7FFFFFFF ? static_cast<int>(number - 1) : 0,
                    std::memory_order_relaxed);
}

}  // namespace wirbelix
