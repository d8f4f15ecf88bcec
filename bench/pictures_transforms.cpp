// The picture work of a full-screen layout with a large picture of the user's: the background
// (4096 x 4096) and the rotor (500 x 1900, 32 bits, mixed alpha) reduced by the same ratio with
// area averaging, the 360 rotor copies by nearest pixel, and one frame's BlendAt of a rotor copy
// and Compose of the background onto a 3840 x 2160 32-bit back buffer.
//
// Each benchmark reports the median of its repetitions; the per-pixel ones also ns/pixel
// (the "per_pixel" counter, in seconds), and the same-depth Compose also a plain memcpy of the
// same bytes and the ratio between the two.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

#include "StructuredPicture.h"
#include "pictures/RasterImage.h"

namespace wirbelix {
namespace {

constexpr int kBackSide = 4096, kScaledSide = 2160;
constexpr int kRotorW = 500, kRotorH = 1900, kScaledRotorW = 263, kScaledRotorH = 1001;
constexpr int kScreenW = 3840, kScreenH = 2160;

// A background with some structure in every channel.
const RasterImage& Background() {
    static const RasterImage img = MakeStructuredPicture(kBackSide);
    return img;
}

// A pointer: opaque in a narrow diamond, a soft edge, transparent elsewhere.
const RasterImage& Rotor() {
    static const RasterImage img = [] {
        RasterImage r;
        r.Create(32, kRotorW, kRotorH, 0);
        for (int y = 0; y < kRotorH; ++y) {
            const int half = (y < kRotorH / 2 ? y : kRotorH - y) * (kRotorW / 2) / (kRotorH / 2);
            for (int x = 0; x < kRotorW; ++x) {
                const int d = std::abs(x - kRotorW / 2);
                std::uint32_t alpha = d < half - 4 ? 255 : d < half ? 64 * (half - d) - 1 : 0;
                r.SetPixel(x, y, (alpha << 24) | ((y & 255) << 16) | 0x2080);
            }
        }
        return r;
    }();
    return img;
}

const RasterImage& ScaledRotor() {
    static const RasterImage img = [] {
        RasterImage r;
        r.Resample(Rotor(), kScaledRotorW, kScaledRotorH, RESAMPLE_SMOOTH | RESAMPLE_TO_32);
        return r;
    }();
    return img;
}

void BM_ResampleBackground(benchmark::State& state) {
    const RasterImage& src = Background();
    RasterImage dst;
    for (auto _ : state) {
        dst.Resample(src, kScaledSide, kScaledSide, RESAMPLE_SMOOTH);
        benchmark::DoNotOptimize(dst.pixelBase());
    }
    state.counters["per_pixel"] = benchmark::Counter(double(kScaledSide) * kScaledSide,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ResampleBackground)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_ResampleRotor(benchmark::State& state) {
    const RasterImage& src = Rotor();
    RasterImage dst;
    for (auto _ : state) {
        dst.Resample(src, kScaledRotorW, kScaledRotorH, RESAMPLE_SMOOTH | RESAMPLE_TO_32);
        benchmark::DoNotOptimize(dst.pixelBase());
    }
    state.counters["per_pixel"] = benchmark::Counter(double(kScaledRotorW) * kScaledRotorH,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ResampleRotor)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The rotor cache: one copy per degree, each into its own image. Argument 0: fresh images
// (the first layout, every page of the copies is new); 1: the images of an earlier layout of the
// same size are recreated (a relayout).
void BM_Rotate360(benchmark::State& state) {
    const RasterImage& src = ScaledRotor();
    static std::vector<RasterImage> warm(360);
    std::vector<RasterImage> fresh;
    double pixels = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fresh.clear();
        fresh.resize(360);
        std::vector<RasterImage>& cache = state.range(0) == 0 ? fresh : warm;
        state.ResumeTiming();
        pixels = 0;
        for (int degree = 0; degree < 360; ++degree) {
            int px = kScaledRotorW / 2, py = kScaledRotorH / 2;
            cache[degree].Rotate(src, degree * 131072 / 360, ROTATE_NEAREST, px, py, 0);
            pixels += double(cache[degree].width()) * cache[degree].height();
        }
        benchmark::DoNotOptimize(cache[359].pixelBase());
    }
    state.counters["per_pixel"] = benchmark::Counter(pixels,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Rotate360)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

RasterImage& BackBuffer() {
    static RasterImage img = [] {
        RasterImage b;
        b.Create(32, kScreenW, kScreenH, 0xFF102030);
        return b;
    }();
    return img;
}

void BM_BlendAtRotor(benchmark::State& state) {
    RasterImage rotated;
    int px = kScaledRotorW / 2, py = kScaledRotorH / 2;
    rotated.Rotate(ScaledRotor(), 37 * 131072 / 360, ROTATE_NEAREST, px, py, 0);
    RasterImage& back = BackBuffer();
    for (auto _ : state) {
        back.BlendAt(rotated, kScreenW / 2 - px, kScreenH / 2 - py);
        benchmark::DoNotOptimize(back.pixelBase());
    }
    state.counters["per_pixel"] = benchmark::Counter(double(rotated.width()) * rotated.height(),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BlendAtRotor)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The reduced background (24 bits, as Resample makes it) onto the 32-bit back buffer.
void BM_ComposeBackground24To32(benchmark::State& state) {
    static const RasterImage scaled = [] {
        RasterImage s;
        s.Resample(Background(), kScaledSide, kScaledSide, RESAMPLE_SMOOTH);
        return s;
    }();
    RasterImage& back = BackBuffer();
    for (auto _ : state) {
        back.Compose(scaled, (kScreenW - kScaledSide) / 2, 0, 0);
        benchmark::DoNotOptimize(back.pixelBase());
    }
    state.counters["per_pixel"] = benchmark::Counter(double(kScaledSide) * kScaledSide,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ComposeBackground24To32)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Equal depths: the same background as a 32-bit picture, against a memcpy of the same bytes.
void BM_ComposeBackground32To32(benchmark::State& state) {
    static const RasterImage scaled = [] {
        RasterImage s;
        s.Resample(Background(), kScaledSide, kScaledSide, RESAMPLE_SMOOTH | RESAMPLE_TO_32);
        return s;
    }();
    RasterImage& back = BackBuffer();
    std::vector<std::uint8_t> copy(scaled.imageSize());
    double composeNs = 0, memcpyNs = 0;
    // The two alternate in which goes first, so that neither profits more from the source
    // bytes the other has just brought into the cache.
    bool composeFirst = true;
    auto timed = [](auto&& work) {
        const auto t0 = std::chrono::steady_clock::now();
        work();
        return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
    };
    auto compose = [&] {
        back.Compose(scaled, (kScreenW - kScaledSide) / 2, 0, 0);
        benchmark::DoNotOptimize(back.pixelBase());
    };
    auto copyBytes = [&] {
        std::memcpy(copy.data(), scaled.pixelBase(), scaled.imageSize());
        benchmark::DoNotOptimize(copy.data());
    };
    for (auto _ : state) {
        double c, m;
        if (composeFirst) {
            c = timed(compose);
            m = timed(copyBytes);
        } else {
            m = timed(copyBytes);
            c = timed(compose);
        }
        composeFirst = !composeFirst;
        composeNs += c;
        memcpyNs += m;
        state.SetIterationTime(c * 1e-9);
    }
    const double n = double(state.iterations());
    state.counters["memcpy_us"] = memcpyNs / n / 1000;
    state.counters["compose_per_memcpy"] = composeNs / memcpyNs;
    state.counters["per_pixel"] = benchmark::Counter(double(kScaledSide) * kScaledSide,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ComposeBackground32To32)->UseManualTime()->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
}  // namespace wirbelix
