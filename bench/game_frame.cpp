// The game view's frame step as the program runs it, without a window: a view built from a
// settings file, created and sized, then driven frame by frame on a hand-set clock.
//
// Cases: the built-in pictures at 1280 x 720, 1920 x 1080 and 3840 x 2160, and a large pair of
// the user's at 3840 x 2160 (a 4096 x 4096 24-bit background and a 500 x 1900 32-bit rotor with
// mixed alpha, written as PNG files and named in the settings). Every case uses the large stars
// with some of them lit.
//
//   BM_FrameDuringCharge  one frame while player 0 charges (the bar rises every frame) and the
//                         rotor stands at a new degree every frame ((frame x 7) mod 360, so each
//                         degree comes round every 360 frames, in an order the cache did not
//                         prepare). Counters: p50/p99 of the frame (seconds), the same for a
//                         memcpy of the bytes the rotor part of the frame must touch (old and new
//                         rotor rectangle, 4 bytes a pixel) and the ratio of the medians; the
//                         share of frames that had to turn a new rotor copy; the rotor cache's
//                         bytes after the run (more than a full turn) and the scaled rotor.
//   BM_FrameCachedDegrees the same with the rotor kept to 20 degrees, all of them in the cache
//                         after the first frames: the frame without turning a rotor copy.
//   BM_FrameDuringSpin    frames of whole spins one after another (a full charge, the release,
//                         the motion law until the rotor rests), with the rotor cache's budget
//                         as the argument (16 MiB is the program's): p50/p99 of all frames and
//                         of those that draw the rotor, the share of frames that draw it and
//                         the share of those that turn a copy.
//   BM_Relayout           OnSize to another size and the first frame there (pictures scaled
//                         again, the background composed, the rotor's first copy turned), the
//                         size alternating between the case's and nine tenths of it.
//
// Timings are printed, never checked. Times are seconds; the run takes about a minute:
//   build/default/bench/bench_game_frame --benchmark_counters_tabular=true
//   build/default/bench/bench_game_frame --benchmark_filter=large
// The machine should be otherwise idle: the 99th percentiles show every other process.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "game/GameView.h"
#include "game/SoundWords.h"
#include "pictures/PngWriter.h"
#include "StructuredPicture.h"
#include "pictures/RasterImage.h"
#include "platform/TickCount.h"
#include "platform/WindowSystem.h"
#include "shell/RegistryKey.h"
#include "shell/SettingsStore.h"

namespace wirbelix {
namespace {

constexpr int kFrames = 2000;  // timed frames of one run of BM_FrameDuringCharge
constexpr int kChargeFrames = 100;  // a charge is full after 2000 ms; then the player presses again

// The large pictures: sizes and pivots.
constexpr int kBackSide = 4096;
constexpr int kRotorW = 500, kRotorH = 1900;
constexpr int kRotorPivotX = 250, kRotorPivotY = 1780;

struct Case {
    int width, height;
    bool large;  // the user's large pictures instead of the built-in pair
};
constexpr Case kCases[] = {
    {1280, 720, false},
    {1920, 1080, false},
    {3840, 2160, false},
    {3840, 2160, true},
};

// A window system that does nothing but notice a message box (a picture that failed to load).
class QuietWindowSystem final : public WindowSystem {
public:
    void PostCommand(int) override {}
    void ShowMessage(const std::string& text, const std::string&, MessageKind) override { lastMessage = text; }
    Point CursorPos() override { return Point{}; }
    void SetCursorPos(Point) override {}
    void InvalidatePicture(const Rect&) override {}
    void RedrawPicture(const Rect&) override {}
    std::string lastMessage;
};

// A folder under /tmp for the whole program: the large pictures, made once, and one settings
// file per view.
const std::string& WorkDir() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/wirbelix-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) std::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(WorkDir(), ec);
        });
        return std::string(pattern);
    }();
    return dir;
}


// The rotor: a pointer, wide at its base (the bottom rows) and narrowing to the tip, opaque
// inside, a soft edge of a few pixels, transparent around it.
RasterImage MakeRotor() {
    RasterImage r;
    r.Create(32, kRotorW, kRotorH, 0);
    for (int y = 0; y < kRotorH; ++y) {
        const int half = 8 + y * (kRotorW / 2 - 10) / kRotorH;
        for (int x = 0; x < kRotorW; ++x) {
            const int d = std::abs(x - kRotorW / 2);
            const std::uint32_t alpha = d < half - 4 ? 255 : d < half ? 64 * (half - d) - 1 : 0;
            r.SetPixel(x, y, (alpha << 24) | ((y & 255) << 16) | ((x & 127) << 8) | 0x40);
        }
    }
    return r;
}

struct LargePictures {
    std::string background, rotor;
};
const LargePictures& Pictures() {
    static const LargePictures files = [] {
        LargePictures f{WorkDir() + "/background.png", WorkDir() + "/rotor.png"};
        if (!WritePngFile(f.background, MakeStructuredPicture(kBackSide)) || !WritePngFile(f.rotor, MakeRotor())) std::abort();
        return f;
    }();
    return files;
}

void StoreInt(RegistryKey& key, const char* name, std::int32_t v) { key.Write(&v, sizeof v, name, REG_DWORD); }

// A view as the program has it after its window appeared at the case's size: settings in a
// fresh file, created (remote thread, silent sound output), sized, one frame drawn.
class Bench {
public:
    explicit Bench(const Case& c) : clock_(1000000), useClock_(clock_) {
        static int serial = 0;
        settings_ = WorkDir() + "/settings-" + std::to_string(++serial) + ".sqlite";
        setenv("WIRBELIX_SETTINGS", settings_.c_str(), 1);
        SettingsStore::Shutdown();
        {
            RegistryKey key;
            key.Open(HKEY_CURRENT_USER, nullptr, REG_MODE_CREATE);
            StoreInt(key, "StarSize", 0);
            if (c.large) {
                key.WriteString(Pictures().background, "ImagePath");
                key.WriteString(Pictures().rotor, "RotorPath");
                StoreInt(key, "ImageX", kBackSide / 2);
                StoreInt(key, "ImageY", kBackSide / 2);
                StoreInt(key, "RotorX", kRotorPivotX);
                StoreInt(key, "RotorY", kRotorPivotY);
            }
            key.Close();
        }
        SetWindowSystem(&ws_);
        view_ = std::make_unique<CWirbelixView>();
        view_->OnCreate();
        view_->m_Stars[0] = 3;
        view_->m_Stars[1] = 5;
        view_->OnSize(c.width, c.height);
        Frame();
    }
    ~Bench() {
        view_.reset();
        SetWindowSystem(nullptr);
        ResetSoundWords();
        SettingsStore::Shutdown();
        unsetenv("WIRBELIX_SETTINGS");
        std::error_code ec;
        std::filesystem::remove(settings_, ec);
    }

    // Why the view cannot serve the case, or empty.
    std::string Problem(const Case& c) const {
        if (c.large && view_->m_CustomPictures == 0) return "large pictures not loaded: " + ws_.lastMessage;
        if (view_->m_ScaledRotor.empty()) return "no scaled rotor";
        return {};
    }

    void Frame() { view_->OnTimer(kFrameTimerId); }
    void Advance() { clock_.Advance(kFramePeriodMs); }
    std::uint32_t Now() { return clock_.Now(); }
    CWirbelixView& view() { return *view_; }

private:
    ManualTickClock clock_;
    ScopedTickClock useClock_;
    QuietWindowSystem ws_;
    std::string settings_;
    std::unique_ptr<CWirbelixView> view_;
};

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    const auto k = static_cast<std::size_t>(p * double(v.size() - 1) + 0.5);
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k), v.end());
    return v[k];
}

std::int64_t Area(const Rect& r) { return r.IsEmpty() ? 0 : std::int64_t(r.right - r.left) * (r.bottom - r.top); }

template <class F>
double TimedSeconds(F&& work) {
    const auto t0 = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// degreeSpan 360: the degree of frame f is (f x 7) mod 360, every degree in turn; a smaller
// span keeps to degrees 0..span-1 (f mod span), which the cache holds after the first frames, so
// the frame shows what drawing costs without turning a copy.
void FrameRun(benchmark::State& state, Case c, int degreeSpan) {
    Bench bench(c);
    if (const std::string p = bench.Problem(c); !p.empty()) {
        state.SkipWithError(p.c_str());
        return;
    }
    CWirbelixView& view = bench.view();
    std::vector<double> frameSeconds, copySeconds;
    frameSeconds.reserve(kFrames);
    copySeconds.reserve(kFrames);
    // Source and target of the memcpy floor, grown to the most bytes a frame has touched.
    std::vector<std::uint8_t> from, to;
    int frame = 0, turned = 0;
    for (auto _ : state) {
        if (frame % kChargeFrames == 0) {
            // A new charge: the bar starts again from the bottom.
            view.OnStopPointer();
            view.PlayerButtonDown(0, bench.Now());
        }
        const int degree = degreeSpan == 360 ? (frame * 7) % 360 : frame % degreeSpan;
        view.m_Angle.store(degree, std::memory_order_relaxed);
        if (!view.m_RotorCache.Holds(degree)) ++turned;
        const Rect before = view.m_RotorRect;
        const double s = TimedSeconds([&] { bench.Frame(); });
        const std::size_t bytes = std::size_t(Area(before) + Area(view.m_RotorRect)) * 4;
        if (from.size() < bytes) {
            from.assign(bytes, 0x5A);
            to.assign(bytes, 0);
        }
        copySeconds.push_back(TimedSeconds([&] {
            std::memcpy(to.data(), from.data(), bytes);
            benchmark::ClobberMemory();
        }));
        frameSeconds.push_back(s);
        state.SetIterationTime(s);
        bench.Advance();
        ++frame;
    }
    const double p50 = Percentile(frameSeconds, 0.5), copy50 = Percentile(copySeconds, 0.5);
    state.counters["p50"] = p50;
    state.counters["p99"] = Percentile(frameSeconds, 0.99);
    state.counters["max"] = *std::max_element(frameSeconds.begin(), frameSeconds.end());
    state.counters["memcpy_p50"] = copy50;
    state.counters["memcpy_p99"] = Percentile(copySeconds, 0.99);
    state.counters["p50_per_memcpy"] = copy50 > 0 ? p50 / copy50 : 0;
    state.counters["turned_share"] = double(turned) / frame;
    int held = 0;
    for (int d = 0; d < RotorCache::kDegrees; ++d) held += view.m_RotorCache.Holds(d) ? 1 : 0;
    state.counters["cache_MiB"] = double(view.m_RotorCache.bytes()) / (1 << 20);
    state.counters["cache_copies"] = held;
    state.counters["rotor_w"] = view.m_ScaledRotor.width();
    state.counters["rotor_h"] = view.m_ScaledRotor.height();
    state.counters["rotor_MiB"] = double(view.m_ScaledRotor.imageSize()) / (1 << 20);
}

void BM_FrameDuringCharge(benchmark::State& state, Case c) { FrameRun(state, c, 360); }
void BM_FrameCachedDegrees(benchmark::State& state, Case c) { FrameRun(state, c, 20); }

// Whole spins as a player makes them: a charge of 2000 ms (full strength), the release, and
// frames until the rotor rests and the state is idle again, the motion law choosing each
// frame's angle. Every iteration is one frame; spins follow one another. The argument is the
// rotor cache's budget in MiB, to show what the copies kept from the turns before save.
void BM_FrameDuringSpin(benchmark::State& state, Case c) {
    Bench bench(c);
    if (const std::string p = bench.Problem(c); !p.empty()) {
        state.SkipWithError(p.c_str());
        return;
    }
    CWirbelixView& view = bench.view();
    view.m_RotorCache.Reset(&view.m_ScaledRotor, view.m_RotorPivotX, view.m_RotorPivotY, view.m_StepStart,
                            std::size_t(state.range(0)) << 20);
    std::vector<double> frameSeconds, drawingSeconds;
    int frames = 0, drawn = 0, turned = 0, spins = 0;
    int charging = -1;  // frames of the charge under way; -1 while the rotor turns or rests
    for (auto _ : state) {
        if (charging < 0 && g_spinState.load() == Idle) {
            view.PlayerButtonDown(0, bench.Now());
            charging = 0;
        } else if (charging >= 0 && ++charging == 2000 / kFramePeriodMs) {
            view.StartSpin(0, bench.Now(), false);
            charging = -1;
            ++spins;
        }
        const int drawnBefore = view.m_DrawnAngle;
        const bool missing = !view.m_RotorCache.Holds(view.SpinAngleAt(bench.Now()).angle);
        const double s = TimedSeconds([&] { bench.Frame(); });
        if (view.m_DrawnAngle != drawnBefore) {
            ++drawn;
            drawingSeconds.push_back(s);
            if (missing && g_spinState.load() != Charging1) ++turned;
        }
        frameSeconds.push_back(s);
        state.SetIterationTime(s);
        bench.Advance();
        ++frames;
    }
    state.counters["p50"] = Percentile(frameSeconds, 0.5);
    state.counters["p99"] = Percentile(frameSeconds, 0.99);
    state.counters["max"] = *std::max_element(frameSeconds.begin(), frameSeconds.end());
    state.counters["p50_drawing"] = Percentile(drawingSeconds, 0.5);
    state.counters["p99_drawing"] = Percentile(drawingSeconds, 0.99);
    state.counters["spins"] = spins;
    state.counters["rotor_drawn_share"] = double(drawn) / frames;
    state.counters["turned_per_drawn"] = drawn > 0 ? double(turned) / drawn : 0;
    state.counters["cache_MiB"] = double(view.m_RotorCache.bytes()) / (1 << 20);
}

void BM_Relayout(benchmark::State& state, Case c) {
    Bench bench(c);
    if (const std::string p = bench.Problem(c); !p.empty()) {
        state.SkipWithError(p.c_str());
        return;
    }
    CWirbelixView& view = bench.view();
    bool small = true;
    std::vector<double> seconds;
    for (auto _ : state) {
        const int w = small ? c.width * 9 / 10 : c.width, h = small ? c.height * 9 / 10 : c.height;
        small = !small;
        view.m_Angle.store((view.m_Angle.load() + 1) % 360, std::memory_order_relaxed);
        const double s = TimedSeconds([&] {
            view.OnSize(w, h);
            bench.Frame();
        });
        seconds.push_back(s);
        state.SetIterationTime(s);
        bench.Advance();
    }
    state.counters["p50"] = Percentile(seconds, 0.5);
    state.counters["max"] = *std::max_element(seconds.begin(), seconds.end());
}

// Names like builtin/1920x1080 and large/3840x2160.
std::string CaseName(const char* bench, const Case& c) {
    return std::string(bench) + "/" + (c.large ? "large/" : "builtin/") + std::to_string(c.width) + "x" +
           std::to_string(c.height);
}

const bool registered = [] {
    for (const Case& c : kCases) {
        benchmark::RegisterBenchmark(CaseName("BM_FrameDuringCharge", c).c_str(), BM_FrameDuringCharge, c)
            ->UseManualTime()
            ->Iterations(kFrames)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(CaseName("BM_FrameCachedDegrees", c).c_str(), BM_FrameCachedDegrees, c)
            ->UseManualTime()
            ->Iterations(kFrames / 2)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(CaseName("BM_FrameDuringSpin", c).c_str(), BM_FrameDuringSpin, c)
            ->Arg(64)
            ->Arg(16)
            ->ArgName("budget_MiB")
            ->UseManualTime()
            ->Iterations(3000)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(CaseName("BM_Relayout", c).c_str(), BM_Relayout, c)
            ->UseManualTime()
            ->Iterations(c.large ? 20 : 60)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
}  // namespace wirbelix
