// JPEG read and write of a 12-megapixel photo-like picture against the bare
// library calls with the same settings, in the same run. Repetitions are
// interleaved at random; each pair is compared by its fastest repetition, the
// figure least disturbed by other work on the machine.
#include <benchmark/benchmark.h>
#include <unistd.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bare_jpeg.h"
#include "imagefiles/jpeg_image.h"
#include "imaging/TBitmap.h"

namespace corvane {
namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kQuality = 90;

// Smooth shading, a few hard edges and fine grain, like a photograph; the
// same pixels on every run.
std::unique_ptr<TBitmap> MakePhoto() {
    auto picture = std::make_unique<TBitmap>();
    picture->SetSize(kWidth, kHeight);
    std::uint32_t state = 12345;
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = picture->ScanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            state = state * 1664525u + 1013904223u;
            const double grain = static_cast<double>(state >> 27) - 15.5;
            const double texture = 12 * std::sin(x * 0.31) * std::sin(y * 0.27);
            const double shade = texture + 60 * std::sin(x * 0.0041 + y * 0.0023) +
                                 35 * std::sin(y * 0.011) * std::cos(x * 0.007);
            const bool inside = std::hypot(x - 2600.0, y - 1200.0) < 700 || (x > 500 && x < 1400 && y > 1800);
            const double base = inside ? 170 : 100;
            row[3 * x] = static_cast<std::uint8_t>(std::clamp(base + shade + grain, 0.0, 255.0));
            row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(base + 0.8 * shade - grain, 0.0, 255.0));
            row[3 * x + 2] =
                static_cast<std::uint8_t>(std::clamp((inside ? 210 : 90) - 0.5 * shade + grain, 0.0, 255.0));
        }
    }
    return picture;
}

// --- The bare library calls --------------------------------------------------

// The rows lie top-down, or bottom-up like the working bitmap's (and a bitmap
// file's), which costs the library a few per cent more on these machines.
void BareDecode(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out,
                std::vector<JSAMPROW>& rows, bool bottomUp = false) {
    bench::BareDecode(data, size, [&](JDIMENSION width, JDIMENSION height) -> const std::vector<JSAMPROW>& {
        const std::size_t stride = (width * 3 + 3) & ~3u;
        out.resize(stride * height);
        rows.resize(height);
        for (JDIMENSION y = 0; y < height; ++y)
            rows[y] = out.data() + (bottomUp ? height - 1 - y : y) * stride;
        return rows;
    });
}

std::pair<unsigned char*, unsigned long> BareEncode(const std::vector<JSAMPROW>& rows) {
    return bench::BareEncode(rows, kWidth, kQuality);
}

std::vector<std::uint8_t> BareReadFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fseek(f, 0, SEEK_END);
        bytes.resize(static_cast<std::size_t>(std::ftell(f)));
        std::fseek(f, 0, SEEK_SET);
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
        std::fclose(f);
    }
    return bytes;
}

struct Fixture {
    std::unique_ptr<TBitmap> photo = MakePhoto();
    std::vector<std::uint8_t> jpeg = EncodeJPEG(*photo, kQuality, false);
    std::string dir =
        (std::filesystem::temp_directory_path() / ("corvane-jpeg-bench-" + std::to_string(::getpid())))
            .string();
    std::string input = dir + "/photo.jpg";
    // Row addresses for the bare encoder, top row first, like the writer's.
    std::vector<JSAMPROW> rows;
    // The bare decoder's output, allocated and touched once for all runs.
    std::vector<std::uint8_t> decoded;
    std::vector<JSAMPROW> decodedRows;

    Fixture() {
        std::filesystem::create_directories(dir);
        WriteJPEGFile(*photo, input, kQuality, false);
        for (int y = 0; y < kHeight; ++y) rows.push_back(photo->ScanLine(y));
        BareDecode(jpeg.data(), jpeg.size(), decoded, decodedRows);
    }
    ~Fixture() { std::filesystem::remove_all(dir); }
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

// --- Benchmarks ---------------------------------------------------------------

void DecodeBare(benchmark::State& state) {
    auto& f = TheFixture();
    for (auto _ : state) {
        BareDecode(f.jpeg.data(), f.jpeg.size(), f.decoded, f.decodedRows);
        benchmark::DoNotOptimize(f.decoded.data());
    }
}

void DecodeBareBottomUp(benchmark::State& state) {
    auto& f = TheFixture();
    for (auto _ : state) {
        BareDecode(f.jpeg.data(), f.jpeg.size(), f.decoded, f.decodedRows, true);
        benchmark::DoNotOptimize(f.decoded.data());
    }
}

void DecodeCorvane(benchmark::State& state) {
    auto& f = TheFixture();
    for (auto _ : state) benchmark::DoNotOptimize(ReadJPEGFromMemory(f.jpeg));
}

void EncodeBare(benchmark::State& state) {
    auto& f = TheFixture();
    for (auto _ : state) {
        auto [buffer, size] = BareEncode(f.rows);
        benchmark::DoNotOptimize(buffer);
        std::free(buffer);
    }
}

void EncodeCorvane(benchmark::State& state) {
    auto& f = TheFixture();
    for (auto _ : state) benchmark::DoNotOptimize(EncodeJPEG(*f.photo, kQuality, false));
}

void ReadFileBare(benchmark::State& state) {
    auto& f = TheFixture();
    for (auto _ : state) {
        const auto bytes = BareReadFile(f.input);
        BareDecode(bytes.data(), bytes.size(), f.decoded, f.decodedRows);
        benchmark::DoNotOptimize(f.decoded.data());
    }
}

void ReadFileCorvane(benchmark::State& state) {
    auto& f = TheFixture();
    for (auto _ : state) benchmark::DoNotOptimize(ReadJPEGFile(f.input));
}

void WriteFileBare(benchmark::State& state) {
    auto& f = TheFixture();
    const std::string path = f.dir + "/bare.jpg";
    for (auto _ : state) {
        auto [buffer, size] = BareEncode(f.rows);
        FILE* out = std::fopen(path.c_str(), "wb");
        std::fwrite(buffer, 1, size, out);
        std::fclose(out);
        std::free(buffer);
    }
}

void WriteFileCorvane(benchmark::State& state) {
    auto& f = TheFixture();
    const std::string path = f.dir + "/corvane.jpg";
    for (auto _ : state) WriteJPEGFile(*f.photo, path, kQuality, false);
}

double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

// Keeps the fastest repetition of each benchmark for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min")
                fastest[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    }
    struct Times {
        double real, cpu;
    };
    std::map<std::string, Times> fastest;
};

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    using namespace corvane;
    // Each line: ours, the bare baseline, what is compared.
    const char* pairs[][3] = {{"DecodeCorvane", "DecodeBare", "decode from memory"},
                              {"DecodeCorvane", "DecodeBareBottomUp", "  (bare bottom-up)"},
                              {"EncodeCorvane", "EncodeBare", "encode to memory"},
                              {"ReadFileCorvane", "ReadFileBare", "read file"},
                              {"WriteFileCorvane", "WriteFileBare", "write file"}};
    const std::map<std::string, void (*)(benchmark::State&)> functions = {
        {"DecodeBare", DecodeBare},
        {"DecodeBareBottomUp", DecodeBareBottomUp},
        {"DecodeCorvane", DecodeCorvane},
        {"EncodeBare", EncodeBare},
        {"EncodeCorvane", EncodeCorvane},
        {"ReadFileBare", ReadFileBare},
        {"ReadFileCorvane", ReadFileCorvane},
        {"WriteFileBare", WriteFileBare},
        {"WriteFileCorvane", WriteFileCorvane}};
    for (const auto& [name, function] : functions)
        benchmark::RegisterBenchmark(name.c_str(), function)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(10)
            ->ComputeStatistics("min", Min)
            ->ReportAggregatesOnly(true);

    // Interleave repetitions so that a busy moment does not hit one side only.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    TheFixture();  // the picture is made before any timing
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf(
        "\n12-megapixel JPEG (%dx%d, quality %d, %zu bytes): corvane / bare library, fastest repetitions.\n"
        "CPU time is the steadier figure when other work shares the cores.\n",
        kWidth, kHeight, kQuality, TheFixture().jpeg.size());
    for (const auto& pair : pairs) {
        const auto ours = reporter.fastest.find(pair[0]), bare = reporter.fastest.find(pair[1]);
        if (ours == reporter.fastest.end() || bare == reporter.fastest.end()) continue;
        std::printf("  %-20s real %7.1f / %7.1f ms = %.3f   cpu %7.1f / %7.1f ms = %.3f\n", pair[2],
                    ours->second.real, bare->second.real, ours->second.real / bare->second.real,
                    ours->second.cpu, bare->second.cpu, ours->second.cpu / bare->second.cpu);
    }
    benchmark::Shutdown();
    return 0;
}
