// corvane-batch run by a user who is not root (through setpriv, as nobody):
// the target's own rights decide, not the folder's.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "imagefiles/bmp_writer.h"
#include "test_files.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempFolder;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

std::string Picture(int seed) {
    TBitmap p;
    p.SetPixelFormat(TPixelFormat::pf24bit);
    p.SetSize(16, 9);
    for (int y = 0; y < p.Height(); ++y)
        for (std::size_t x = 0; x < p.Stride(); ++x)
            p.ScanLine(y)[x] = static_cast<std::uint8_t>(x * seed + y);
    const auto bytes = EncodeBitmap(p);
    return {bytes.begin(), bytes.end()};
}

const char* SetPriv() {
    for (const char* path : {"/usr/bin/setpriv", "/bin/setpriv"})
        if (::access(path, X_OK) == 0) return path;
    return nullptr;
}

// Runs corvane-batch as nobody with its own home; returns the exit status.
int RunAsNobody(const std::vector<std::string>& batchArgs, const std::string& home, const std::string& err) {
    std::vector<std::string> args{SetPriv(), "--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                  CORVANE_BATCH_EXE};
    args.insert(args.end(), batchArgs.begin(), batchArgs.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string homeVar = "HOME=" + home, dataVar = "XDG_DATA_HOME=" + home + "/data";
    char* envp[] = {homeVar.data(), dataVar.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(TargetRights, AUserCannotReplaceAReadOnlyPictureAndAPrivateOneStaysPrivate) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to become nobody";
    if (!SetPriv()) GTEST_SKIP() << "setpriv is not installed";
    TempFolder dir;
    fs::create_directories(dir / "home");
    for (const std::string& p : {dir.Dir(), dir / "home"})
        ASSERT_EQ(::chown(p.c_str(), kNobody, kNoGroup), 0);
    const std::string privatePicture = Picture(3), readOnlyPicture = Picture(5);
    testing::WriteBytes(dir / "private.bmp", privatePicture);
    testing::WriteBytes(dir / "readonly.bmp", readOnlyPicture);
    for (const auto& [name, mode] : {std::pair{"private.bmp", 0600}, std::pair{"readonly.bmp", 0444}}) {
        ASSERT_EQ(::chown((dir / name).c_str(), kNobody, kNoGroup), 0);
        ASSERT_EQ(::chmod((dir / name).c_str(), static_cast<mode_t>(mode)), 0);
    }

    const int status =
        RunAsNobody({"--quiet", "--dest", dir.Dir(), dir / "private.bmp", dir / "readonly.bmp"}, dir / "home",
                    dir / "home/err");
    const std::string err = ReadBytes(dir / "home/err");
    EXPECT_EQ(status, 1) << err;
    EXPECT_EQ(err.rfind("ファイル " + (dir / "readonly.bmp") + " を作成できません", 0), 0u) << err;
    EXPECT_EQ(ReadBytes(dir / "readonly.bmp"), readOnlyPicture);

    struct stat st {};
    ASSERT_EQ(::stat((dir / "private.bmp").c_str(), &st), 0);
    EXPECT_NE(ReadBytes(dir / "private.bmp"), privatePicture) << "converted (gamma 1.8 inverse)";
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_uid, kNobody);
}

}  // namespace
}  // namespace corvane
