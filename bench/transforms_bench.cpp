// The image transforms on a 12-megapixel 24-bit photo-like picture, against
// the bare library's JPEG decode plus encode (quality 90) of the same picture
// in the same run: what one batch entry costs anyway. Repetitions are
// interleaved at random and compared by their fastest, the figure least
// disturbed by other work on the machine. Single-threaded throughout.
#include <benchmark/benchmark.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bare_jpeg.h"
#include "imaging/BitmapUtils.h"
#include "imaging/TBitmap.h"
#include "imaging/color.h"

namespace corvane {
namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kQuality = 90;

// Integer hash of a lattice point, the same on every machine.
std::uint32_t Hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

// Smooth noise in 0 .. 1: bilinear between lattice values `cell` pixels apart.
double ValueNoise(int x, int y, int cell, std::uint32_t seed) {
    const int cx = x / cell, cy = y / cell;
    const double fx = static_cast<double>(x % cell) / cell, fy = static_cast<double>(y % cell) / cell;
    const auto v = [&](int i, int j) {
        return Hash(static_cast<std::uint32_t>(cx + i), static_cast<std::uint32_t>(cy + j), seed) /
               4294967295.0;
    };
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    return (v(0, 0) * (1 - sx) + v(1, 0) * sx) * (1 - sy) + (v(0, 1) * (1 - sx) + v(1, 1) * sx) * sy;
}

// A sky gradient over textured ground with a horizon, a few round objects
// with hard edges, and fine sensor grain: the mix of flat areas, edges and
// detail a photograph gives an encoder.
std::unique_ptr<TBitmap> MakePhotoLike() {
    auto picture = std::make_unique<TBitmap>();
    picture->SetPixelFormat(TPixelFormat::pf24bit);
    picture->SetSize(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = picture->ScanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            const double texture = 0.55 * ValueNoise(x, y, 400, 1) + 0.3 * ValueNoise(x, y, 60, 2) +
                                   0.15 * ValueNoise(x, y, 7, 3);
            const double horizon = 1300 + 250 * ValueNoise(x, 0, 700, 4);
            double r, g, b;
            if (y < horizon) {
                const double t = y / horizon;
                r = 90 + 90 * t + 25 * texture;
                g = 140 + 70 * t + 25 * texture;
                b = 230 - 20 * t + 15 * texture;
            } else {
                r = 60 + 120 * texture;
                g = 80 + 110 * texture;
                b = 30 + 60 * texture;
            }
            for (int k = 0; k < 3; ++k) {
                const double ox = 900 + 1100 * k, oy = 1900 + 250 * k, radius = 260 + 90 * k;
                const double d = std::hypot(x - ox, y - oy);
                if (d < radius) {
                    const double light = 1.1 - 0.6 * d / radius;
                    r = (k == 0 ? 200 : 120) * light;
                    g = (k == 1 ? 180 : 60) * light;
                    b = (k == 2 ? 210 : 50) * light;
                }
            }
            const double grain =
                static_cast<double>(Hash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 5) >>
                                    28) -
                7.5;
            row[3 * x] = static_cast<std::uint8_t>(std::clamp(b + grain, 0.0, 255.0));
            row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(g + grain, 0.0, 255.0));
            row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(r + grain, 0.0, 255.0));
        }
    }
    return picture;
}

// --- The baseline: bare library calls, blue-green-red samples ------------------

std::pair<unsigned char*, unsigned long> BareEncode(const std::vector<JSAMPROW>& rows) {
    return bench::BareEncode(rows, kWidth, kQuality);
}

void BareDecode(const std::vector<unsigned char>& jpeg, const std::vector<JSAMPROW>& rows) {
    bench::BareDecode(jpeg.data(), jpeg.size(),
                      [&](JDIMENSION, JDIMENSION) -> const std::vector<JSAMPROW>& { return rows; });
}

struct Fixture {
    std::unique_ptr<TBitmap> photo = MakePhotoLike();
    std::unique_ptr<TBitmap> decoded = std::make_unique<TBitmap>();
    std::vector<JSAMPROW> photoRows, decodedRows;
    std::vector<unsigned char> jpeg;

    Fixture() {
        decoded->SetPixelFormat(TPixelFormat::pf24bit);
        decoded->SetSize(kWidth, kHeight);
        for (int y = 0; y < kHeight; ++y) {
            photoRows.push_back(photo->ScanLine(y));
            decodedRows.push_back(decoded->ScanLine(y));
        }
        auto [buffer, size] = BareEncode(photoRows);
        jpeg.assign(buffer, buffer + size);
        std::free(buffer);
    }
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

// --- Benchmarks ---------------------------------------------------------------------

void Baseline_DecodeEncode(benchmark::State& state) {
    Fixture& f = TheFixture();
    for (auto _ : state) {
        BareDecode(f.jpeg, f.decodedRows);
        auto [buffer, size] = BareEncode(f.decodedRows);
        benchmark::DoNotOptimize(buffer);
        std::free(buffer);
    }
}

// The defaults of the window: gamma 1.8 inverted, tone neutral.
void Gamma(benchmark::State& state) {
    const TBitmap& photo = *TheFixture().photo;
    for (auto _ : state) benchmark::DoNotOptimize(ToneGammaBitmap(photo, 0, 0, 10, 45, true));
}

void Tone(benchmark::State& state) {
    const TBitmap& photo = *TheFixture().photo;
    for (auto _ : state) benchmark::DoNotOptimize(ToneGammaBitmap(photo, 20, 30, 12, 10, true));
}

void ToneAndGamma(benchmark::State& state) {
    const TBitmap& photo = *TheFixture().photo;
    for (auto _ : state) benchmark::DoNotOptimize(ToneGammaBitmap(photo, 20, 30, 12, 45, true));
}

void QuarterTurn(benchmark::State& state) {
    TBitmap& photo = *TheFixture().photo;
    for (auto _ : state) benchmark::DoNotOptimize(RotateBitmap(photo, 900, false, true, clWhite));
}

void QuarterTurnMirrored(benchmark::State& state) {
    TBitmap& photo = *TheFixture().photo;
    for (auto _ : state) benchmark::DoNotOptimize(RotateBitmap(photo, -900, true, true, clWhite));
}

void Turn30Circum(benchmark::State& state) {
    TBitmap& photo = *TheFixture().photo;
    for (auto _ : state) benchmark::DoNotOptimize(RotateBitmap(photo, 300, false, true, clWhite));
}

void Turn30CircumTone(benchmark::State& state) {
    const TBitmap& photo = *TheFixture().photo;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            RotateToneGammaBitmap(photo, 300, false, true, 20, 30, 12, 10, true, clWhite));
}

void QuarterTurnGamma(benchmark::State& state) {
    const TBitmap& photo = *TheFixture().photo;
    for (auto _ : state)
        benchmark::DoNotOptimize(RotateToneGammaBitmap(photo, 900, false, true, 0, 0, 10, 45, true, clWhite));
}

double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

// Keeps the fastest repetition of each benchmark for the summary.
class FastestReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min") {
                const double toNs = 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
                fastest[run.run_name.function_name] = {run.GetAdjustedRealTime() * toNs,
                                                       run.GetAdjustedCPUTime() * toNs};
            }
    }
    struct Times {
        double realNs;
        double cpuNs;
    };
    std::map<std::string, Times> fastest;
};

struct Case {
    const char* name;
    void (*function)(benchmark::State&);
    std::int64_t outputPixels;
    const char* target;  // share of the baseline, or "" when none is set
};

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    using namespace corvane;
    const std::int64_t px = std::int64_t{kWidth} * kHeight;
    // A 30-degree turn with Circum: (4000*887 + 3000*512 + 512) / 1024 wide,
    // (4000*512 + 3000*887 + 512) / 1024 high.
    const std::int64_t turned =
        std::int64_t{(4000 * 887 + 3000 * 512 + 512) / 1024} * ((4000 * 512 + 3000 * 887 + 512) / 1024);
    const Case cases[] = {
        {"Baseline_DecodeEncode", Baseline_DecodeEncode, px, ""},
        {"Gamma", Gamma, px, "10%"},
        {"Tone", Tone, px, "25%"},
        {"ToneAndGamma", ToneAndGamma, px, ""},
        {"QuarterTurn", QuarterTurn, px, "25%"},
        {"QuarterTurnMirrored", QuarterTurnMirrored, px, ""},
        {"QuarterTurnGamma", QuarterTurnGamma, px, ""},
        {"Turn30Circum", Turn30Circum, turned, ""},
        {"Turn30CircumTone", Turn30CircumTone, turned, "60%"},
    };
    for (const Case& c : cases)
        benchmark::RegisterBenchmark(c.name, c.function)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(7)
            ->ComputeStatistics("min", Min)
            ->ReportAggregatesOnly(true);

    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    TheFixture();  // picture and JPEG are made before any timing
    FastestReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // CPU time is shown beside wall time: on a shared machine the wall clock
    // also counts time spent waiting for a core.
    const auto base = reporter.fastest.find("Baseline_DecodeEncode");
    std::printf("\n%dx%d 24-bit picture, JPEG quality %d (%zu bytes); fastest repetitions\n", kWidth, kHeight,
                kQuality, TheFixture().jpeg.size());
    std::printf("  %-22s %9s %9s %11s %11s %9s %9s %7s\n", "", "wall ms", "cpu ms", "wall ns/px", "cpu ns/px",
                "wall/base", "cpu/base", "target");
    for (const Case& c : cases) {
        const auto it = reporter.fastest.find(c.name);
        if (it == reporter.fastest.end()) continue;
        const auto& t = it->second;
        const double n = static_cast<double>(c.outputPixels);
        std::printf("  %-22s %9.2f %9.2f %11.3f %11.3f", c.name, t.realNs / 1e6, t.cpuNs / 1e6, t.realNs / n,
                    t.cpuNs / n);
        if (base != reporter.fastest.end())
            std::printf(" %8.1f%% %8.1f%% %7s", 100.0 * t.realNs / base->second.realNs,
                        100.0 * t.cpuNs / base->second.cpuNs, c.target);
        std::printf("\n");
    }
    std::printf("  (ns/px is per output pixel; the 30-degree turn has %lld of them)\n",
                static_cast<long long>(turned));
    benchmark::Shutdown();
    return 0;
}
