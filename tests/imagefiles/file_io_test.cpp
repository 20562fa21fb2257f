#include "imagefiles/file_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imagefiles/temporary_files.h"
#include "imaging/errors.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

class FileIo : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("corvane-fileio-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        ::umount2(Path("small").c_str(), MNT_DETACH);  // left mounted by a failed check
        fs::remove_all(dir_);
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    static std::string Slurp(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::size_t EntriesInDir() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }

    fs::path dir_;
};

TEST_F(FileIo, WholeFileRoundTrip) {
    const std::uint8_t bytes[] = {'B', 'M', 0, 1, 2};
    WriteWholeFile(Path("a.bin"), bytes);
    const auto back = ReadWholeFile(Path("a.bin"));
    EXPECT_EQ(std::string(back.begin(), back.end()), std::string("BM\0\1\2", 5));
    EXPECT_EQ(EntriesInDir(), 1u) << "no temporary file left behind";
}

TEST_F(FileIo, FailedWriteLeavesTheTargetAsItWas) {
    std::ofstream(Path("keep.jpg")) << "old";
    {
        AtomicFileWriter w(Path("keep.jpg"));
        w.Write("new content", 11);
        // No Commit: as when the encoder fails half way.
    }
    EXPECT_EQ(Slurp(Path("keep.jpg")), "old");
    EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(FileIo, MissingFolderIsACreateError) {
    const std::string target = Path("no-such-folder/x.bmp");
    try {
        WriteWholeFile(target, {});
        FAIL() << "expected EFCreateError";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "ファイル " + target + " を作成できません: No such file or directory");
    }
}

TEST_F(FileIo, OnlyRegularFilesOpenForReading) {
    EXPECT_THROW(InputFile(Path("missing.bmp")), EFOpenError);
    EXPECT_THROW(InputFile(dir_.string()), EFOpenError);
    ASSERT_EQ(::mkfifo(Path("pipe.jpg").c_str(), 0600), 0);
    EXPECT_THROW(InputFile(Path("pipe.jpg")), EFOpenError) << "a FIFO must not hang the reader";
    try {
        ReadWholeFile(Path("missing.bmp"));
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "ファイル " + Path("missing.bmp") + " は開けません: " + SystemErrorText(ENOENT));
    }
}

TEST_F(FileIo, NewFilesGetTheUsualMode) {
    WriteWholeFile(Path("m.bin"), {});
    struct stat st {};
    ASSERT_EQ(::stat(Path("m.bin").c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST_F(FileIo, ReplacedFileKeepsItsModeAndOwnerAndOtherHardLinksTheirContent) {
    std::ofstream(Path("a.bin")) << "old";
    ASSERT_EQ(::chmod(Path("a.bin").c_str(), 04640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(Path("a.bin").c_str(), 65534, 65534), 0);
    }
    fs::create_hard_link(Path("a.bin"), Path("b.bin"));
    WriteWholeFile(Path("a.bin"), std::span(reinterpret_cast<const std::uint8_t*>("new"), 3));
    struct stat st {};
    ASSERT_EQ(::stat(Path("a.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << "the mode without the set-ID bit";
    if (root) {
        EXPECT_TRUE(st.st_uid == 65534 && st.st_gid == 65534) << st.st_uid << ":" << st.st_gid;
    }
    EXPECT_EQ(Slurp(Path("a.bin")), "new");
    EXPECT_EQ(Slurp(Path("b.bin")), "old");
}

TEST_F(FileIo, ALinkedTargetStaysALinkAndItsFileIsReplaced) {
    fs::create_directory(dir_ / "real");
    std::ofstream(Path("real/x.bmp")) << "old";
    fs::create_symlink("real/x.bmp", dir_ / "hop.bmp");
    fs::create_symlink("hop.bmp", dir_ / "link.bmp");
    fs::create_symlink("real/new.bmp", dir_ / "dangling.bmp");
    WriteWholeFile(Path("link.bmp"), std::span(reinterpret_cast<const std::uint8_t*>("new"), 3));
    WriteWholeFile(Path("dangling.bmp"), std::span(reinterpret_cast<const std::uint8_t*>("made"), 4));
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.bmp") && fs::is_symlink(dir_ / "hop.bmp"));
    EXPECT_EQ(Slurp(Path("real/x.bmp")), "new");
    EXPECT_TRUE(fs::is_symlink(dir_ / "dangling.bmp"));
    EXPECT_EQ(Slurp(Path("real/new.bmp")), "made");
    EXPECT_EQ(EntriesInDir(), 4u);
    fs::create_symlink("loop.bmp", dir_ / "loop.bmp");
    EXPECT_THROW(WriteWholeFile(Path("loop.bmp"), {}), EFCreateError);
}

TEST_F(FileIo, TargetsTheUserMayNotChangeAreRefused) {
    fs::create_directory(dir_ / "folder.bmp");
    EXPECT_THROW(WriteWholeFile(Path("folder.bmp"), {}), EFCreateError);
    EXPECT_TRUE(fs::is_directory(dir_ / "folder.bmp"));

    std::ofstream(Path("fixed.bmp")) << "old";
    const int fd = ::open(Path("fixed.bmp").c_str(), O_RDONLY);
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0 ||
        (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0)) {
        ::close(fd);
        GTEST_SKIP() << "no immutable flag here (needs root and a file system that has it)";
    }
    EXPECT_THROW(WriteWholeFile(Path("fixed.bmp"), {}), EFCreateError);
    flags &= ~FS_IMMUTABLE_FL;
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    ::close(fd);
    EXPECT_EQ(Slurp(Path("fixed.bmp")), "old");
    EXPECT_EQ(EntriesInDir(), 2u);
}

// A small file system of its own: full after 64 KB, then made read-only.
TEST_F(FileIo, AFullOrReadOnlyFileSystemIsNamedInTheMessage) {
    fs::create_directory(dir_ / "small");
    const std::string small = Path("small");
    if (::mount("corvane-test", small.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    const std::vector<std::uint8_t> big(1 << 20, 7);
    const auto message = [](auto&& f) {
        try {
            f();
        } catch (const EFCreateError& e) {
            return std::string(e.what());
        }
        return std::string("no failure");
    };
    std::ofstream(small + "/old.bmp") << "old";
    EXPECT_EQ(message([&] { WriteWholeFile(small + "/old.bmp", big); }),
              "ファイル " + small + "/old.bmp を作成できません: No space left on device");
    EXPECT_EQ(Slurp(small + "/old.bmp"), "old");
    ASSERT_EQ(::mount(nullptr, small.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    EXPECT_EQ(message([&] { WriteWholeFile(small + "/old.bmp", {}); }),
              "ファイル " + small + "/old.bmp を作成できません: Read-only file system");
    EXPECT_EQ(message([&] { WriteWholeFile(small + "/new.bmp", {}); }),
              "ファイル " + small + "/new.bmp を作成できません: Read-only file system");
    EXPECT_EQ(Slurp(small + "/old.bmp"), "old");
    EXPECT_EQ(::umount(small.c_str()), 0);
}

// Both kinds of temporary file: the unnamed one where the file system has it,
// and the named one every file system can make.
class FileIoKinds : public FileIo, public testing::WithParamInterface<TTemporaryKind> {};

TEST_P(FileIoKinds, CommitsReplaceOrKeepAndLeaveNothingBehind) {
    std::ofstream(Path("old.bin")) << "old";
    {
        AtomicFileWriter w(Path("old.bin"), GetParam());
        w.Write("new", 3);
        EXPECT_EQ(EntriesInDir(), GetParam() == TTemporaryKind::Named ? 2u : 1u)
            << "an unnamed temporary file is invisible while written";
        w.Commit();
    }
    EXPECT_EQ(Slurp(Path("old.bin")), "new");
    {
        AtomicFileWriter w(Path("old.bin"), GetParam());
        w.Write("newer", 5);
        EXPECT_FALSE(w.CommitIfAbsent());
        EXPECT_EQ(Slurp(Path("old.bin")), "new");
    }
    EXPECT_EQ(Slurp(Path("old.bin")), "new");
    {
        AtomicFileWriter w(Path("free.bin"), GetParam());
        w.Write("first", 5);
        EXPECT_TRUE(w.CommitIfAbsent());
    }
    EXPECT_EQ(Slurp(Path("free.bin")), "first");
    {
        AtomicFileWriter w(Path("dropped.bin"), GetParam());
        w.Write("x", 1);
    }
    EXPECT_EQ(EntriesInDir(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, FileIoKinds, testing::Values(TTemporaryKind::Unnamed, TTemporaryKind::Named));

TEST_F(FileIo, ATerminatedWriterRemovesItsNamedTemporary) {
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            AtomicFileWriter w(Path("x.bmp"), TTemporaryKind::Named);
            w.Write("partial", 7);
            ::raise(sig);
            ::_exit(0);  // not reached: the signal ends the process
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "the signal still ends the process";
        EXPECT_EQ(EntriesInDir(), 0u) << "signal " << sig;
    }
}

TEST_F(FileIo, StaleTemporariesOfGoneProcessesAreRemoved) {
    const pid_t gone = ::fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    const auto make = [&](const std::string& name, bool old) {
        std::ofstream(Path(name)) << "partial";
        if (!old) return;
        const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, Path(name).c_str(), times, 0), 0);
    };
    const std::string dead = ".corvane-" + std::to_string(gone) + "-";
    make(dead + "Ab12Cd", true);                                       // removed
    make(dead + "fresh1", false);                                      // written a moment ago
    make(".corvane-" + std::to_string(::getpid()) + "-Ab12Cd", true);  // this process's own
    make(".corvane-1-Ab12Cd", true);                                   // a live process
    make(dead + "toolong7", true);                                     // not a temporary name
    make("photo.jpg", true);
    RemoveStaleTemporaries(dir_.string());
    EXPECT_FALSE(fs::exists(Path(dead + "Ab12Cd")));
    EXPECT_EQ(EntriesInDir(), 5u);
    EXPECT_EQ(TemporaryOwner(NewTemporaryName()), ::getpid());
}

}  // namespace
}  // namespace corvane
