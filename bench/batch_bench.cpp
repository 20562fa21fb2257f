// Whole batches of eight 12-megapixel photographs through the runner, against
// the floor: the bare library decode and encode of the same files in this
// process with every buffer reused. Each job is timed over several batches;
// the fastest batch counts (the figure least disturbed by other work on the
// machine), and the ratios to the floor of this same run are printed at the end.
//
//   batch_bench                          the benchmarks and the ratio table
//   batch_bench --write-inputs DIR       only write the eight input files
//   batch_bench --floor-batch DIR FILE...  only the floor on FILE..., into DIR
//                                        (bench/compare-tools.sh times it as a process)
//   CORVANE_BENCH_ROUNDS=N               batches per job (default 3)
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/batch_entry.h"
#include "app/batch_runner.h"
#include "app/memory_policy.h"
#include "app/parallel_batch.h"
#include "app/plain_runner_host.h"
#include "imagefiles/format_registry.h"
#include "imagefiles/jpeg_image.h"
#include "imaging/BitmapUtils.h"
#include "imaging/resize.h"

namespace corvane {
namespace {

constexpr int kPictures = 8;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kInputQuality = 92;  // a camera's setting
constexpr int kOutputQuality = 90;

// ---- Reproducible photographs ---------------------------------------------

std::uint32_t Hash(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// Value noise on a lattice of `cell` pixels, smoothly interpolated, -1 .. 1.
class Octave {
public:
    Octave(int cell, std::uint32_t seed) : cell_(cell), cols_(kWidth / cell + 2) {
        const int rows = kHeight / cell + 2;
        values_.resize(static_cast<std::size_t>(cols_) * rows);
        for (std::size_t i = 0; i < values_.size(); ++i)
            values_[i] = static_cast<float>(Hash(static_cast<std::uint32_t>(i) * 2654435761U ^ seed) >> 8) /
                             8388608.0f -
                         1.0f;
    }
    float At(int x, int y) const {
        const int cx = x / cell_, cy = y / cell_;
        const float fx = Smooth(static_cast<float>(x % cell_) / cell_);
        const float fy = Smooth(static_cast<float>(y % cell_) / cell_);
        const float* r0 = &values_[static_cast<std::size_t>(cy) * cols_ + cx];
        const float* r1 = r0 + cols_;
        const float top = r0[0] + (r0[1] - r0[0]) * fx;
        const float bottom = r1[0] + (r1[1] - r1[0]) * fx;
        return top + (bottom - top) * fy;
    }

private:
    static float Smooth(float t) { return t * t * (3 - 2 * t); }
    int cell_;
    int cols_;
    std::vector<float> values_;
};

std::uint8_t Clamp(float v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f)); }

// Shading at several scales, colour that drifts slowly, a few hard-edged
// objects and sensor grain: close enough to a photograph for the codec.
std::vector<std::uint8_t> SynthesizePhoto(std::uint32_t seed) {
    const Octave l0(750, seed + 1), l1(190, seed + 2), l2(48, seed + 3), l3(12, seed + 4), l4(3, seed + 5);
    const Octave cb(900, seed + 6), cr(600, seed + 7);
    struct Disc {
        float x, y, r, shift;
    };
    std::vector<Disc> discs;
    for (std::uint32_t i = 0; i < 6; ++i)
        discs.push_back({static_cast<float>(Hash(seed * 31 + i) % kWidth),
                         static_cast<float>(Hash(seed * 37 + i) % kHeight),
                         150.0f + static_cast<float>(Hash(seed * 41 + i) % 500),
                         static_cast<float>(Hash(seed * 43 + i) % 120) - 60.0f});
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = &bgr[static_cast<std::size_t>(y) * kWidth * 3];
        for (int x = 0; x < kWidth; ++x) {
            float luma = 120 + 70 * l0.At(x, y) + 30 * l1.At(x, y) + 14 * l2.At(x, y) + 10 * l3.At(x, y) +
                         7 * l4.At(x, y);
            for (const auto& d : discs) {
                const float dx = x - d.x, dy = y - d.y;
                if (dx * dx + dy * dy < d.r * d.r) luma += d.shift;
            }
            luma += static_cast<float>(Hash(static_cast<std::uint32_t>(y * kWidth + x) ^ seed) % 15) - 7.0f;
            const float u = 28 * cb.At(x, y), v = 24 * cr.At(x, y);
            row[3 * x] = Clamp(luma + 1.77f * u);
            row[3 * x + 1] = Clamp(luma - 0.34f * u - 0.71f * v);
            row[3 * x + 2] = Clamp(luma + 1.40f * v);
        }
    }
    return bgr;
}

void WriteFile(const std::string& path, const unsigned char* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

void WriteInputs(const std::string& dir) {
    std::filesystem::create_directories(dir);
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    for (int i = 0; i < kPictures; ++i) {
        const std::vector<std::uint8_t> bgr = SynthesizePhoto(static_cast<std::uint32_t>(1000 + i));
        unsigned char* out = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&c, &out, &size);
        c.image_width = kWidth;
        c.image_height = kHeight;
        c.input_components = 3;
        c.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, kInputQuality, TRUE);
        jpeg_start_compress(&c, TRUE);
        while (c.next_scanline < c.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(&bgr[static_cast<std::size_t>(c.next_scanline) * kWidth * 3]);
            jpeg_write_scanlines(&c, &row, 1);
        }
        jpeg_finish_compress(&c);
        WriteFile(dir + "/photo" + std::to_string(i) + ".jpg", out, size);
        std::free(out);
    }
    jpeg_destroy_compress(&c);
}

// ---- The batch and its timing ---------------------------------------------

struct Batch {
    std::string dir =
        (std::filesystem::temp_directory_path() / ("corvane-batch-bench-" + std::to_string(::getpid())))
            .string();
    std::vector<std::string> inputs;
    Batch() {
        WriteInputs(dir + "/in");
        std::filesystem::create_directories(dir + "/out");
        for (int i = 0; i < kPictures; ++i) inputs.push_back(dir + "/in/photo" + std::to_string(i) + ".jpg");
    }
    ~Batch() { std::filesystem::remove_all(dir); }
    std::vector<std::string> Entries() const {
        std::vector<std::string> entries;
        for (int i = 0; i < kPictures; ++i)
            entries.push_back(MakeEntry(dir + "/in", "photo" + std::to_string(i) + ".jpg", dir + "/out"));
        return entries;
    }
};

Batch& TheBatch() {
    static Batch batch;
    return batch;
}

// The fastest batch of each job, in seconds: wall time, and processor time
// of all threads (steadier while other programs load the machine).
struct Best {
    double wall = 1e30;
    double cpu = 1e30;
};
std::map<std::string, Best>& Fastest() {
    static std::map<std::string, Best> fastest;
    return fastest;
}

// The fastest batch of each stage, processor seconds.
std::map<std::string, double>& StageBest() {
    static std::map<std::string, double> best;
    return best;
}

struct Usage {
    long faults = 0;
    double cpu = 0;  // user and system time of every thread
};

Usage ProcessUsage() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return {u.ru_minflt, seconds(u.ru_utime) + seconds(u.ru_stime)};
}

template <typename F>
void TimeBatches(benchmark::State& state, const std::string& job, F runBatch) {
    runBatch();  // warms the caches of files and memory
    for (auto _ : state) {
        const Usage before = ProcessUsage();
        const auto start = std::chrono::steady_clock::now();
        runBatch();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const Usage after = ProcessUsage();
        state.SetIterationTime(seconds);
        state.counters["ms_per_picture"] = 1000 * seconds / kPictures;
        state.counters["cpu_ms_per_picture"] = 1000 * (after.cpu - before.cpu) / kPictures;
        // Page faults: near zero when no entry pays the first touch of fresh memory.
        state.counters["faults_per_picture"] = static_cast<double>(after.faults - before.faults) / kPictures;
        Best& best = Fastest()[job];
        best.wall = std::min(best.wall, seconds);
        best.cpu = std::min(best.cpu, after.cpu - before.cpu);
    }
}

// ---- The floor: bare library calls, buffers reused ------------------------

class BareCodec {
public:
    BareCodec() {
        d_.err = jpeg_std_error(&err_);
        c_.err = jpeg_std_error(&err_);
        jpeg_create_decompress(&d_);
        jpeg_create_compress(&c_);
        outCapacity_ = 16u << 20;
        out_ = static_cast<unsigned char*>(std::malloc(outCapacity_));
    }
    ~BareCodec() {
        jpeg_destroy_decompress(&d_);
        jpeg_destroy_compress(&c_);
        std::free(out_);
    }

    void Convert(const std::string& input, const std::string& output) {
        std::FILE* f = std::fopen(input.c_str(), "rb");
        if (!f) std::exit(1);
        in_.resize(static_cast<std::size_t>(std::filesystem::file_size(input)));
        if (std::fread(in_.data(), 1, in_.size(), f) != in_.size()) std::exit(1);
        std::fclose(f);

        jpeg_mem_src(&d_, in_.data(), in_.size());
        jpeg_read_header(&d_, TRUE);
        d_.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&d_);
        const std::size_t stride = static_cast<std::size_t>(d_.output_width) * 3;
        pixels_.resize(stride * d_.output_height);
        rows_.resize(d_.output_height);
        for (JDIMENSION y = 0; y < d_.output_height; ++y) rows_[y] = &pixels_[y * stride];
        while (d_.output_scanline < d_.output_height)
            jpeg_read_scanlines(&d_, &rows_[d_.output_scanline], d_.output_height - d_.output_scanline);
        jpeg_finish_decompress(&d_);

        unsigned long size = outCapacity_;
        unsigned char* buffer = out_;
        jpeg_mem_dest(&c_, &buffer, &size);
        c_.image_width = d_.output_width;
        c_.image_height = d_.output_height;
        c_.input_components = 3;
        c_.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&c_);
        jpeg_set_quality(&c_, kOutputQuality, TRUE);
        jpeg_start_compress(&c_, TRUE);
        while (c_.next_scanline < c_.image_height)
            jpeg_write_scanlines(&c_, &rows_[c_.next_scanline], c_.image_height - c_.next_scanline);
        jpeg_finish_compress(&c_);
        WriteFile(output, buffer, size);
        if (buffer != out_) {  // the library grew the buffer: keep the larger one
            std::free(out_);
            out_ = buffer;
            outCapacity_ = size;
        }
    }

private:
    jpeg_error_mgr err_{};
    jpeg_decompress_struct d_{};
    jpeg_compress_struct c_{};
    std::vector<std::uint8_t> in_;
    std::vector<std::uint8_t> pixels_;
    std::vector<JSAMPROW> rows_;
    unsigned char* out_ = nullptr;
    unsigned long outCapacity_ = 0;
};

void BM_Floor(benchmark::State& state) {
    const Batch& batch = TheBatch();
    BareCodec codec;
    TimeBatches(state, "floor", [&] {
        for (int i = 0; i < kPictures; ++i)
            codec.Convert(batch.inputs[i], batch.dir + "/out/photo" + std::to_string(i) + ".jpg");
    });
}

void RunCorvane(const TConversionSettings& settings, int jobs) {
    PlainRunnerHost host;
    host.List = TheBatch().Entries();
    if (!RunBatchParallel(host, settings, jobs)) {
        std::fprintf(stderr, "run failed: %s\n", host.ErrorText.c_str());
        std::exit(1);
    }
}

TConversionSettings Job(int angle) {
    TConversionSettings s;  // gamma 1.8 inverse, quality 90
    // Every round writes over the last one's files, as the floor does; the
    // default would fill the desktop trash with them.
    s.Existing = TExistingPolicy::Replace;
    s.Angle = angle;
    return s;
}

void BM_Default(benchmark::State& state) {
    TimeBatches(state, "default", [] { RunCorvane(Job(0), 1); });
}
void BM_QuarterTurn(benchmark::State& state) {
    TimeBatches(state, "quarter", [] { RunCorvane(Job(900), 1); });
}
void BM_Turn30Circum(benchmark::State& state) {
    TimeBatches(state, "turn30", [] { RunCorvane(Job(300), 1); });
}
// The default job with the output resized to 1920 pixels long edge: decoded
// at a half (shrink on load), gamma on a quarter of the pixels, Lanczos 3.
void BM_Resize1920(benchmark::State& state) {
    TimeBatches(state, "resize1920", [] {
        TConversionSettings s = Job(0);
        s.Resize = "1920";
        RunCorvane(s, 1);
    });
}
void BM_DefaultJobs2(benchmark::State& state) {
    TimeBatches(state, "default_jobs2", [] { RunCorvane(Job(0), 2); });
}

// Where a picture's time goes: each stage of the three jobs alone, over the
// whole batch, so the ratios above can be traced to a stage.
void BM_Stages(benchmark::State& state) {
    const Batch& batch = TheBatch();
    std::map<std::string, double> cpu;
    const auto stage = [&](const char* name, auto&& f) {
        const double start = ProcessUsage().cpu;
        f();
        cpu[name] += ProcessUsage().cpu - start;
    };
    for (auto _ : state) {
        cpu.clear();
        for (const auto& input : batch.inputs) {
            std::unique_ptr<TBitmap> source, out;
            stage("decode", [&] { source = ReadJPEGFile(input); });
            stage("gamma", [&] { out = ToneGammaBitmap(*source, 0, 0, 10, 45, true); });
            stage("encode", [&] { benchmark::DoNotOptimize(EncodeJPEG(*out, kOutputQuality, false)); });
            out.reset();
            stage("quarter_gamma", [&] {
                out = RotateToneGammaBitmap(*source, 900, false, true, 0, 0, 10, 45, true, clWhite);
            });
            out.reset();
            stage("turn30_gamma", [&] {
                out = RotateToneGammaBitmap(*source, 300, false, true, 0, 0, 10, 45, true, clWhite);
            });
            stage("encode_turn30",
                  [&] { benchmark::DoNotOptimize(EncodeJPEG(*out, kOutputQuality, false)); });
            // The resize job's steps: a decode at half the size, the filter to
            // 1920 x 1440 and the encode of the smaller picture.
            source.reset();
            out.reset();
            stage("resize_decode_half", [&] {
                TReadHints hints;
                hints.ShrinkFor = [](int, int) { return 2; };
                source = ImageFormatById(TImageFormatId::JPEG)->Read(input, hints).Bitmap;
            });
            stage("resize_gamma_half", [&] { out = ToneGammaBitmap(*source, 0, 0, 10, 45, true); });
            stage("resize_filter", [&] { out = ResizeBitmap(*out, 1920, 1440); });
            stage("resize_encode_1920",
                  [&] { benchmark::DoNotOptimize(EncodeJPEG(*out, kOutputQuality, false)); });
        }
        for (const auto& [name, seconds] : cpu) {
            state.counters[name + "_ms"] = 1000 * seconds / kPictures;
            double& best = StageBest()[name];
            best = best == 0 ? seconds : std::min(best, seconds);
        }
    }
}

int Rounds() {
    const char* env = std::getenv("CORVANE_BENCH_ROUNDS");
    return env ? std::max(1, std::atoi(env)) : 3;
}

void Register() {
    const int rounds = Rounds();
    using Fn = void (*)(benchmark::State&);
    const std::pair<const char*, Fn> jobs[] = {{"BM_Floor", BM_Floor},
                                               {"BM_Default", BM_Default},
                                               {"BM_QuarterTurn", BM_QuarterTurn},
                                               {"BM_Turn30Circum", BM_Turn30Circum},
                                               {"BM_Resize1920", BM_Resize1920},
                                               {"BM_DefaultJobs2", BM_DefaultJobs2},
                                               {"BM_Stages", BM_Stages}};
    for (const auto& [name, fn] : jobs)
        benchmark::RegisterBenchmark(name, fn)->Iterations(rounds)->UseManualTime()->Unit(
            benchmark::kMillisecond);
}

void PrintRatios() {
    const auto& f = Fastest();
    if (!f.count("floor")) return;
    const Best floor = f.at("floor");
    std::printf("\nFastest batch of %d pictures %dx%d, JPEG quality %d out (ms per picture):\n", kPictures,
                kWidth, kHeight, kOutputQuality);
    std::printf("  %-38s %8s %8s %8s %8s %8s\n", "job", "wall", "x floor", "cpu", "x floor", "target");
    const struct {
        const char* key;
        const char* label;
        const char* target;
    } rows[] = {{"floor", "libjpeg decode+encode, buffers reused", ""},
                {"default", "default (gamma 1.8 inverse)", "<= 1.10"},
                {"quarter", "quarter turn + gamma", "<= 1.35"},
                {"turn30", "30.0 deg Circum + gamma", "<= 1.75"},
                {"default_jobs2", "default, 2 jobs", ""},
                {"resize1920", "default + resize 1920 (shrink on load)", ""}};
    for (const auto& r : rows) {
        if (!f.count(r.key)) continue;
        const Best b = f.at(r.key);
        std::printf("  %-38s %8.1f %8.2f %8.1f %8.2f %8s\n", r.label, 1000 * b.wall / kPictures,
                    b.wall / floor.wall, 1000 * b.cpu / kPictures, b.cpu / floor.cpu, r.target);
    }
    if (f.count("default") && f.count("resize1920"))
        std::printf("  resize 1920 / default (wall): %.2f x (target <= 0.60)\n",
                    f.at("resize1920").wall / f.at("default").wall);
    if (f.count("default") && f.count("default_jobs2"))
        std::printf("  2 jobs / 1 job throughput (wall): %.2f x (target >= 1.8)\n",
                    f.at("default").wall / f.at("default_jobs2").wall);
    if (!StageBest().empty()) {
        std::printf("\nStages alone (processor ms per picture, fastest batch):\n");
        for (const auto& [name, seconds] : StageBest())
            std::printf("  %-38s %8.1f\n", name.c_str(), 1000 * seconds / kPictures);
    }
}

}  // namespace
}  // namespace corvane
int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-inputs") == 0) {
        corvane::WriteInputs(argv[2]);
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "--floor-batch") == 0) {
        corvane::BareCodec codec;
        for (int i = 3; i < argc; ++i)
            codec.Convert(argv[i],
                          std::string(argv[2]) + "/" + std::filesystem::path(argv[i]).filename().string());
        return 0;
    }
    corvane::KeepFreedMemoryForBatch();
    corvane::Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    corvane::PrintRatios();
    return 0;
}
