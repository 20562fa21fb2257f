// corvane-batch run as a process: six small pictures (p0.jpg, p1.bmp, ...,
// JPEG for even numbers) in a private folder, and the program's exit status,
// standard output and standard error.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "app/batch_entry.h"
#include "imagefiles/bmp_writer.h"
#include "imagefiles/jpeg_image.h"
#include "test_files.h"

namespace corvane {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

class BatchCli : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 6; ++i) {
            TBitmap p;
            p.SetPixelFormat(TPixelFormat::pf24bit);
            p.SetSize(30 + 7 * i, 40 - 3 * i);
            for (int y = 0; y < p.Height(); ++y)
                for (std::size_t x = 0; x < p.Stride(); ++x)
                    p.ScanLine(y)[x] = static_cast<std::uint8_t>(x * i + y);
            std::string name = "p";  // not "p" + to_string(i): g++ 12 warns about it wrongly
            name += std::to_string(i);
            if (i % 2 == 0)
                WriteJPEGFile(p, dir / (name + ".jpg"), 90, false);
            else
                WriteBitmapFile(p, dir / (name + ".bmp"));
        }
    }

    // Arguments are paths inside the temporary folder and plain words.
    CliResult Run(const std::string& args) { return Shell(std::string(CORVANE_BATCH_EXE) + " " + args); }

    // A shell command line, its output caught.
    CliResult Shell(const std::string& command) {
        CliResult r;
        const std::string cmd = command + " >" + (dir / "stdout") + " 2>" + (dir / "stderr") + " </dev/null";
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = testing::ReadBytes(dir / "stdout");
        r.err = testing::ReadBytes(dir / "stderr");
        return r;
    }

    std::map<std::string, std::string> Files(const std::string& folder) {
        std::map<std::string, std::string> files;
        for (const auto& f : std::filesystem::directory_iterator(folder))
            files[f.path().filename().string()] = testing::ReadBytes(f.path().string());
        return files;
    }

    std::string Entry(const std::string& name, const std::string& dest) {
        return MakeEntry(dir.Dir(), name, dest);
    }

    testing::TempFolder dir;
};

}  // namespace corvane
