// A disk cut off under corvane-batch: pictures converted in place on a
// loop-mounted XFS file system, which is then shut down as a power cut
// would leave it (xfs_io -x -c shutdown: the log is not flushed) and mounted
// again. Every picture must be its old or its new self, whole; before the
// writes were flushed, this left 0-byte pictures. Needs root, loop devices
// and xfsprogs; skipped where any is missing.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

std::string Tool(const std::string& name) {
    for (const char* dir : {"/usr/sbin/", "/sbin/", "/usr/bin/", "/bin/"})
        if (::access((dir + name).c_str(), X_OK) == 0) return dir + name;
    return "";
}

bool Quietly(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

class XfsCrash : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount";
        mkfs_ = Tool("mkfs.xfs");
        xfsIo_ = Tool("xfs_io");
        if (mkfs_.empty() || xfsIo_.empty()) GTEST_SKIP() << "xfsprogs is not installed";
        image_ = dir / "disk.img";
        mount_ = dir / "mnt";
        fs::create_directory(mount_);
        // 300 MB is the smallest XFS that mkfs.xfs makes; the file is sparse.
        if (!Quietly("truncate -s 300M '" + image_ + "'") || !Quietly(mkfs_ + " -q -f '" + image_ + "'"))
            GTEST_SKIP() << "cannot make an XFS image";
        if (!Mount()) GTEST_SKIP() << "cannot loop-mount here (no loop devices?)";
        for (int i = 0; i < kPictures; ++i) {
            TBitmap p;
            p.SetPixelFormat(TPixelFormat::pf24bit);
            p.SetSize(1200, 900);
            for (int y = 0; y < p.Height(); ++y)
                for (std::size_t x = 0; x < p.Stride(); ++x)
                    p.ScanLine(y)[x] = static_cast<std::uint8_t>(x * (i + 2) + y);
            const auto bytes = EncodeBitmap(p);
            std::string name = "p";  // not "p" + to_string(i): g++ 12 warns about it wrongly
            name += std::to_string(i);
            name += ".bmp";
            old_[name] = {bytes.begin(), bytes.end()};
            const auto converted = EncodeBitmap(*ToneGammaBitmap(p, 0, 0, 10, 45, true));
            new_[name] = {converted.begin(), converted.end()};
        }
    }
    void TearDown() override {
        if (mounted_) ::umount2(mount_.c_str(), MNT_DETACH);
    }

    bool Mount() {
        mounted_ = Quietly("mount -o loop '" + image_ + "' '" + mount_ + "'");
        return mounted_;
    }
    bool Unmount() {
        mounted_ = !Quietly("umount '" + mount_ + "'");
        return !mounted_;
    }

    // Writes the old pictures and puts them on the disk, so that only the
    // run's writes are at stake.
    void PutOldPictures() {
        for (const auto& [name, bytes] : old_) WriteBytes(mount_ + "/" + name, bytes);
        ::sync();
    }

    pid_t StartInPlaceRun() {
        std::vector<std::string> args{CORVANE_BATCH_EXE, "--quiet", "--dest", mount_ + "/"};
        for (const auto& [name, bytes] : old_) args.push_back(mount_ + "/" + name);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        return ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
    }

    void CutTheDisk() { ASSERT_TRUE(Quietly(xfsIo_ + " -x -c shutdown '" + mount_ + "'")); }
    void Remount() {
        ASSERT_TRUE(Unmount());
        ASSERT_TRUE(Mount()) << "the log is replayed on mounting";
    }

    // Old or new, whole; a name that is gone must have its old picture in
    // the disk's trash (moved there just before the cut).
    void ExpectOldOrNewPictures(const std::string& when) {
        std::vector<std::string> trashed;
        std::error_code ec;
        for (const auto& f : fs::directory_iterator(mount_ + "/.Trash-0/files", ec))
            trashed.push_back(ReadBytes(f.path().string()));
        for (const auto& [name, bytes] : old_) {
            const std::string path = mount_ + "/" + name;
            if (!fs::exists(path)) {
                EXPECT_NE(std::find(trashed.begin(), trashed.end(), bytes), trashed.end())
                    << when << ": " << name << " is gone";
                continue;
            }
            const std::string now = ReadBytes(path);
            EXPECT_TRUE(now == bytes || now == new_[name])
                << when << ": " << name << " is neither picture whole (" << now.size() << " bytes)";
        }
    }

    static constexpr int kPictures = 4;
    TempFolder dir;
    std::string mkfs_, xfsIo_, image_, mount_;
    bool mounted_ = false;
    std::map<std::string, std::string> old_, new_;
};

TEST_F(XfsCrash, PicturesConvertedInPlaceSurviveTheDiskBeingCut) {
    // Right after the run has ended, as in the report of 0-byte pictures.
    PutOldPictures();
    const pid_t done = StartInPlaceRun();
    ASSERT_GT(done, 0);
    int status = 0;
    ::waitpid(done, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    CutTheDisk();
    Remount();
    ExpectOldOrNewPictures("cut after the run");
    for (const auto& [name, bytes] : new_)
        EXPECT_TRUE(ReadBytes(mount_ + "/" + name) == bytes) << name << " is not the converted picture";

    // In the middle of the run: the run fails, the pictures hold.
    for (const auto& [name, bytes] : old_) fs::remove(mount_ + "/" + name);
    fs::remove_all(mount_ + "/.Trash-0");
    PutOldPictures();
    const pid_t running = StartInPlaceRun();
    ASSERT_GT(running, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    CutTheDisk();
    ::waitpid(running, nullptr, 0);  // its next call on the disk fails
    Remount();
    ExpectOldOrNewPictures("cut during the run");
}

}  // namespace
}  // namespace corvane
