#include "imagefiles/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

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
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    static std::string Slurp(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::size_t EntriesInDir() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
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
        EXPECT_EQ(std::string(e.what()), "ファイル " + target + " を作成できません");
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
        EXPECT_EQ(std::string(e.what()), "ファイル " + Path("missing.bmp") + " は開けません");
    }
}

TEST_F(FileIo, NewFilesGetTheUsualMode) {
    WriteWholeFile(Path("m.bin"), {});
    struct stat st{};
    ASSERT_EQ(::stat(Path("m.bin").c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

}  // namespace
}  // namespace corvane
