// corvane-batch converting pictures in place while it is killed: the folder
// holds nothing but whole old or whole new pictures afterwards.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "imagefiles/bmp_reader.h"
#include "imagefiles/bmp_writer.h"
#include "imaging/BitmapUtils.h"
#include "test_files.h"

extern char** environ;

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// Large enough that writing one takes a while: 3000 x 2000, 18 MB each.
std::string LargePicture(int seed) {
    TBitmap p;
    p.SetPixelFormat(TPixelFormat::pf24bit);
    p.SetSize(3000, 2000, TBitmap::Fill::Uninitialized);
    for (int y = 0; y < p.Height(); ++y) {
        std::uint8_t* row = p.ScanLine(y);
        for (std::size_t x = 0; x < p.Stride(); ++x) row[x] = static_cast<std::uint8_t>(x * seed + y);
    }
    const auto bytes = EncodeBitmap(p);
    return {bytes.begin(), bytes.end()};
}

// The default job on a picture: gamma 1.8 inverse.
std::string Converted(const std::string& path) {
    const auto bytes = EncodeBitmap(*ToneGammaBitmap(*ReadBitmapFile(path), 0, 0, 10, 45, true));
    return {bytes.begin(), bytes.end()};
}

pid_t Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return pid;
}

// True once the process has a file open for writing in the folder: a
// temporary file, unnamed ("... (deleted)") or ".corvane-".
bool WritingInto(pid_t pid, const std::string& folder) {
    std::error_code ec;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        const std::string target = fs::read_symlink(fd.path(), ec).string();
        if (target.rfind(folder, 0) == 0 && (target.find(" (deleted)") != std::string::npos ||
                                             target.find("/.corvane-") != std::string::npos))
            return true;
    }
    return false;
}

class KilledRun : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < kPictures; ++i) {
            std::string name = "p";  // not "p" + to_string(i): g++ 12 warns about it wrongly
            name += std::to_string(i);
            name += ".bmp";
            old_[name] = LargePicture(i + 3);
            WriteBytes(dir / name, old_[name]);
            new_[name] = Converted(dir / name);
        }
    }

    // Every name holds its old or its new picture whole, or (moved to the
    // trash just before the kill) the trash holds the old one; nothing else
    // is in the folder.
    void ExpectOnlyWholePictures(const std::string& when) {
        std::map<std::string, std::string> trashed;
        std::error_code ec;
        for (const auto& f : fs::directory_iterator(testing::TrashFolder() + "/files", ec))
            trashed[f.path().filename().string()] = ReadBytes(f.path().string());
        for (const auto& f : fs::directory_iterator(dir.Dir())) {
            const std::string name = f.path().filename().string();
            ASSERT_TRUE(old_.count(name)) << when << ": left behind: " << name;
            const std::string bytes = ReadBytes(f.path().string());
            EXPECT_TRUE(bytes == old_[name] || bytes == new_[name])
                << when << ": " << name << " is neither picture whole (" << bytes.size() << " bytes)";
        }
        for (const auto& [name, bytes] : old_) {
            if (fs::exists(dir / name)) continue;
            bool inTrash = false;
            for (const auto& [trashName, trashBytes] : trashed) inTrash |= trashBytes == bytes;
            EXPECT_TRUE(inTrash) << when << ": " << name << " is gone";
        }
    }

    void Restore() {
        for (const auto& f : fs::directory_iterator(dir.Dir())) fs::remove(f.path());
        for (const auto& [name, bytes] : old_) WriteBytes(dir / name, bytes);
        fs::remove_all(testing::TrashFolder());
    }

    static constexpr int kPictures = 4;
    TempFolder dir;
    std::map<std::string, std::string> old_, new_;
};

TEST_F(KilledRun, SigkillMidWriteLeavesWholePicturesOnly) {
    // Kill as soon as the first write is seen, then later and later.
    for (const int delayMs : {0, 3, 15, 40, 80}) {
        Restore();
        std::vector<std::string> args{CORVANE_BATCH_EXE, "--quiet", "--dest", dir.Dir()};
        for (const auto& [name, bytes] : old_) args.push_back(dir / name);
        const pid_t pid = Spawn(args);
        ASSERT_GT(pid, 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        bool seen = false, exited = false;
        while (!(seen = WritingInto(pid, dir.Dir())) && std::chrono::steady_clock::now() < deadline)
            if ((exited = ::waitpid(pid, nullptr, WNOHANG) == pid)) break;
        if (!exited) {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            ::kill(pid, SIGKILL);  // still our child, not yet reaped
            ::waitpid(pid, nullptr, 0);
        }
        std::string when = "killed ";
        when += std::to_string(delayMs);
        when += seen ? " ms after the first write" : " ms, no write seen";
        ExpectOnlyWholePictures(when);
    }
}

}  // namespace
}  // namespace corvane
