// Bitmap file reading and writing of a 12-megapixel 24-bit picture against
// plain file I/O of the same number of bytes, measured in the same run.
// Baselines: the bytes read into (written from) a freshly allocated buffer,
// and, stricter, a buffer that is already in memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "imagefiles/bmp_reader.h"
#include "imagefiles/bmp_writer.h"
#include "imaging/TBitmap.h"

namespace {

using namespace corvane;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

struct Files {
    std::filesystem::path dir;
    std::string source;  // a bitmap file of the picture
    std::string output;
    std::size_t size = 0;
    std::unique_ptr<TBitmap> picture;
};

Files& TheFiles() {
    static Files files = [] {
        Files f;
        f.dir = std::filesystem::temp_directory_path() / ("corvane-bmp-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f.dir);
        f.source = (f.dir / "source.bmp").string();
        f.output = (f.dir / "output.bmp").string();
        f.picture = std::make_unique<TBitmap>();
        f.picture->SetSize(kWidth, kHeight, TBitmap::Fill::Uninitialized);
        for (int y = 0; y < kHeight; ++y) {
            std::uint8_t* row = f.picture->ScanLine(y);
            for (int i = 0; i < 3 * kWidth; ++i) row[i] = static_cast<std::uint8_t>(i * 7 + y);
        }
        WriteBitmapFile(*f.picture, f.source);
        f.size = std::filesystem::file_size(f.source);
        return f;
    }();
    return files;
}

void ReadPlain(const std::string& path, std::uint8_t* buffer, std::size_t size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, size - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

void WritePlain(const std::string& path, const std::uint8_t* buffer, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, buffer + done, size - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

void BM_ReadBitmapFile(benchmark::State& state) {
    Files& f = TheFiles();
    for (auto _ : state) {
        auto picture = ReadBitmapFile(f.source);
        benchmark::DoNotOptimize(picture->Bits());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.size));
}

void BM_ReadPlainFreshBuffer(benchmark::State& state) {
    Files& f = TheFiles();
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[f.size]);
        ReadPlain(f.source, buffer.get(), f.size);
        benchmark::DoNotOptimize(buffer.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.size));
}

void BM_ReadPlainResidentBuffer(benchmark::State& state) {
    Files& f = TheFiles();
    std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[f.size]);
    std::memset(buffer.get(), 0, f.size);
    for (auto _ : state) {
        ReadPlain(f.source, buffer.get(), f.size);
        benchmark::DoNotOptimize(buffer.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.size));
}

void BM_WriteBitmapFile(benchmark::State& state) {
    Files& f = TheFiles();
    for (auto _ : state) WriteBitmapFile(*f.picture, f.output);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.size));
}

void BM_WritePlainFreshBuffer(benchmark::State& state) {
    Files& f = TheFiles();
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[f.size]);
        benchmark::DoNotOptimize(buffer.get());
        WritePlain(f.output, buffer.get(), f.size);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.size));
}

void BM_WritePlainResidentBuffer(benchmark::State& state) {
    Files& f = TheFiles();
    std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[f.size]);
    std::memset(buffer.get(), 0x5A, f.size);
    for (auto _ : state) WritePlain(f.output, buffer.get(), f.size);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.size));
}

#define CORVANE_BMP_BENCH(fn) \
    BENCHMARK(fn)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true)

CORVANE_BMP_BENCH(BM_ReadBitmapFile);
CORVANE_BMP_BENCH(BM_ReadPlainFreshBuffer);
CORVANE_BMP_BENCH(BM_ReadPlainResidentBuffer);
CORVANE_BMP_BENCH(BM_WriteBitmapFile);
CORVANE_BMP_BENCH(BM_WritePlainFreshBuffer);
CORVANE_BMP_BENCH(BM_WritePlainResidentBuffer);

// Keeps the median time of every benchmark for the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
};

void PrintRatio(const RatioReporter& r, const char* what, const char* subject, const char* baseline) {
    const auto s = r.medians.find(subject);
    const auto b = r.medians.find(baseline);
    if (s == r.medians.end() || b == r.medians.end() || b->second <= 0) return;
    std::printf("%-44s %.2fx  (%.1f ms / %.1f ms)\n", what, s->second / b->second, s->second, b->second);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nMedian ratios (target: at most 1.5x against the fresh-buffer baseline)\n");
    PrintRatio(reporter, "read bitmap / read plain, fresh buffer", "BM_ReadBitmapFile",
               "BM_ReadPlainFreshBuffer");
    PrintRatio(reporter, "read bitmap / read plain, resident buffer", "BM_ReadBitmapFile",
               "BM_ReadPlainResidentBuffer");
    PrintRatio(reporter, "write bitmap / write plain, fresh buffer", "BM_WriteBitmapFile",
               "BM_WritePlainFreshBuffer");
    PrintRatio(reporter, "write bitmap / write plain, resident buffer", "BM_WriteBitmapFile",
               "BM_WritePlainResidentBuffer");
    std::filesystem::remove_all(TheFiles().dir);
    benchmark::Shutdown();
    return 0;
}
