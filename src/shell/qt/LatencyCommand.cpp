#include "shell/qt/LatencyCommand.h"

#include <QApplication>
#include <QKeyEvent>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "audio/SoundMixer.h"
#include "audio/WaveStream.h"
#include "audio/sdl/SdlWaveDevice.h"
#include "game/CommandTable.h"
#include "game/GameView.h"
#include "game/qt/QtGameView.h"
#include "platform/NumberParse.h"
#include "platform/qt/QtWindowSystem.h"
#include "shell/SettingsStore.h"
#include "shell/qt/CMainFrame.h"
#include "ui/qt/QtPictureWindow.h"

namespace wirbelix {

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Where the ticks of a spin reach the sound device: the start of every sound that follows at
// least 7 ms of silence. Filled on SDL's audio thread.
struct TickListener {
    static constexpr int kSilence = 64;       // |sample| at most this counts as silence
    static constexpr int kLoud = 400;         // a tick's start reaches beyond this
    static constexpr int kQuietRun = 300;     // silent samples before a new start (6.8 ms)

    std::mutex lock;
    std::vector<Clock::time_point> onsets;
    int quiet = kQuietRun;
    bool listening = false;

    static void Tap(const std::uint8_t* data, std::size_t bytes, void* context) {
        auto* self = static_cast<TickListener*>(context);
        const Clock::time_point now = Clock::now();
        std::lock_guard guard(self->lock);
        const std::size_t samples = bytes / 2;
        for (std::size_t i = 0; i < samples; ++i) {
            const int v = static_cast<std::int16_t>(data[2 * i] | (data[2 * i + 1] << 8));
            const int a = v < 0 ? -v : v;
            if (a <= kSilence) {
                ++self->quiet;
                continue;
            }
            if (a > kLoud && self->quiet >= kQuietRun && self->listening) {
                // The sample's own place in the block handed over.
                self->onsets.push_back(now + std::chrono::microseconds(i * 1000000 / kMixSampleRate));
            }
            if (a > kLoud) self->quiet = 0;
        }
    }
};

// Records the painted frames of the picture widget: when, and what the view showed then.
class PaintWatcher : public QObject {
public:
    struct Painted {
        Clock::time_point at;
        int barHeight0;
        int drawnAngle;
    };
    explicit PaintWatcher(CWirbelixView& view) : view_(view) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            frames.push_back({Clock::now(), view_.m_BarHeight[0].load(), view_.m_DrawnAngle});
        return QObject::eventFilter(watched, event);
    }
    std::vector<Painted> frames;

private:
    CWirbelixView& view_;
};

bool WaitFor(const std::function<bool()>& done, int limitMs) {
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (Clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        QThread::usleep(500);
    }
    return true;
}

void Report(const char* what, std::vector<double> figures) {
    if (figures.empty()) {
        std::printf("%s: keine Messwerte\n", what);
        return;
    }
    std::sort(figures.begin(), figures.end());
    const std::size_t n = figures.size();
    const double median = n % 2 ? figures[n / 2] : (figures[n / 2 - 1] + figures[n / 2]) / 2;
    const double p95 = figures[std::min(n - 1, (n * 95 + 99) / 100 - 1)];
    std::printf("%s: Median %.1f ms, 95. Perzentil %.1f ms (%zu Werte, %.1f bis %.1f ms)\n", what, median, p95,
                n, figures.front(), figures.back());
}

void SendKey(QWidget* target, QEvent::Type type) {
    QKeyEvent event(type, Qt::Key_F7, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

}  // namespace

int RunLatencyCommand(int argc, char** argv) {
    int rounds = 10;
    if (argc >= 3) rounds = static_cast<int>(std::clamp<std::int64_t>(ParseNumber(argv[2]), 1, 1000));
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // A settings file of its own: the built-in pictures, and nothing of the user's touched.
    char pattern[] = "/tmp/wirbelix-latency-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::fprintf(stderr, "Kein temporärer Ordner für die Messung.\n");
        return 1;
    }
    const std::string folder = pattern;
    setenv("WIRBELIX_SETTINGS", (folder + "/settings.sqlite").c_str(), 1);

    static SdlWaveDevice device;
    static TickListener ticks;
    device.SetTap(&TickListener::Tap, &ticks);
    SetWaveDevice(&device);

    int status = 0;
    {
        int qtArgc = 1;
        QApplication app(qtArgc, argv);
        QtWindowSystem windowSystem;
        CMainFrame frame(windowSystem);
        frame.resize(1024, 768);
        frame.show();
        QtGameView* gameView = frame.gameView();
        CWirbelixView& view = gameView->view();
        const bool sound = WaveStreamGetBlock() != nullptr;
        if (!sound) std::printf("Kein Tonausgang: die Zeit bis zum Tick wird nicht gemessen.\n");
        // The spins' cling would cover the first ticks. The mixer never reads this clip.
        g_soundClips[ClipCling1] = SoundClip{};

        PaintWatcher watcher(view);
        gameView->pictureWidget()->installEventFilter(&watcher);
        WaitFor([&] { return view.m_LayoutValid == 1; }, 5000);

        std::vector<double> pressToBar, releaseToRotor, boundaryToTick;
        const int sectionDegrees = 360 / 6;  // the built-in dial
        for (int round = 0; round < rounds; ++round) {
            // Idle, both bars empty, nothing playing.
            WaitFor([&] { return g_spinState.load() == Idle && view.m_BarHeight[0].load() == 0; }, 10000);
            WaitFor([] { return false; }, 150 + 37 * (round % 7));  // a varying phase of the timer

            watcher.frames.clear();
            const Clock::time_point pressed = Clock::now();
            SendKey(gameView, QEvent::KeyPress);
            WaitFor([&] { return !watcher.frames.empty() && watcher.frames.back().barHeight0 > 0; }, 2000);
            for (const auto& f : watcher.frames)
                if (f.barHeight0 > 0) {
                    pressToBar.push_back(Ms(f.at - pressed));
                    break;
                }
            WaitFor([] { return false; }, 500 + 50 * (round % 5));

            const int angleAtRelease = view.m_DrawnAngle;
            {
                std::lock_guard guard(ticks.lock);
                ticks.onsets.clear();
                ticks.listening = true;
            }
            watcher.frames.clear();
            const Clock::time_point released = Clock::now();
            SendKey(gameView, QEvent::KeyRelease);
            const int spinMs = view.m_DurationMs;
            WaitFor([&] { return g_spinState.load() == Idle || Clock::now() - released > std::chrono::milliseconds(spinMs + 300); },
                    spinMs + 2000);
            {
                std::lock_guard guard(ticks.lock);
                ticks.listening = false;
            }
            view.OnCommand(cmd::kStopPointer);  // no need to watch the final swing

            // The rotor moved: the first frame with another angle.
            std::vector<Clock::time_point> crossings;
            int travelled = 0, previous = angleAtRelease;
            bool moved = false;
            for (const auto& f : watcher.frames) {
                if (f.drawnAngle < 0) continue;
                if (!moved && f.drawnAngle != angleAtRelease) {
                    releaseToRotor.push_back(Ms(f.at - released));
                    moved = true;
                }
                int step = (f.drawnAngle - previous + 360) % 360;
                if (step > 180) step -= 360;
                travelled += step < 0 ? -step : step;
                previous = f.drawnAngle;
                // Ticks belong to boundaries half a section, one and a half sections, ... on.
                while ((static_cast<int>(crossings.size()) * 2 + 1) * sectionDegrees <= 2 * travelled)
                    crossings.push_back(f.at);
            }
            std::lock_guard guard(ticks.lock);
            const std::size_t pairs = std::min(crossings.size(), ticks.onsets.size());
            for (std::size_t k = 0; k < pairs && sound; ++k) boundaryToTick.push_back(Ms(ticks.onsets[k] - crossings[k]));
        }
        Report("Taste gedrückt bis Balken auf dem Bildschirm", pressToBar);
        Report("Taste losgelassen bis Rotor bewegt auf dem Bildschirm", releaseToRotor);
        if (sound) Report("Abschnittsgrenze auf dem Bildschirm bis Tick am Tonausgang", boundaryToTick);
        status = pressToBar.empty() || releaseToRotor.empty() ? 1 : 0;
        gameView->pictureWidget()->removeEventFilter(&watcher);
    }
    SetWaveDevice(nullptr);
    SettingsStore::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return status;
}

}  // namespace wirbelix
