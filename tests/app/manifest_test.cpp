// The manifest's lines: every byte of a path reads back as it was, and a line
// cut short anywhere (a crash while it was written) is refused whole.
#include "app/manifest.h"

#include <gtest/gtest.h>

#include "app/text_encoding.h"

namespace corvane {
namespace {

TManifestRecord Sample() {
    TManifestRecord r;
    r.Index = 41;
    r.Source = "/in/a.jpg";
    r.Output = "/out/a.jpg";
    r.Status = "written";
    r.Bytes = 81234;
    r.Sha256 = std::string(64, 'e');
    r.Milliseconds = 84.5;
    r.SourceKnown = true;
    r.SourceSize = 3300123;
    r.SourceMtimeNs = 1700000000123456789;
    r.Settings = std::string(64, '5');
    return r;
}

TEST(Manifest, EveryByteOfAPathReadsBack) {
    for (int b = 1; b < 256; ++b) {
        TManifestRecord r = Sample();
        r.Source = "/in/x" + std::string(1, static_cast<char>(b)) + "y\xe3\x81\x82\xf0\x9f\x98\x80.jpg";
        r.Reason = std::string(1, static_cast<char>(b));
        const std::string line = ManifestLine(r);
        ASSERT_EQ(line.back(), '\n');
        EXPECT_EQ(line.find('\n'), line.size() - 1) << b;
        EXPECT_TRUE(IsValidUtf8(line)) << b;
        const auto back = ParseManifestLine(line);
        ASSERT_TRUE(back) << b << ": " << line;
        EXPECT_EQ(back->Source, r.Source) << b;
        EXPECT_EQ(back->Reason, r.Reason) << b;
        EXPECT_EQ(ManifestLine(*back), line) << b;
    }
}

TEST(Manifest, EveryFieldReadsBackAndNullsStayNull) {
    const TManifestRecord r = Sample();
    const auto back = ParseManifestLine(ManifestLine(r));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Index, 41);
    EXPECT_EQ(back->Bytes, 81234u);
    EXPECT_EQ(back->Sha256, r.Sha256);
    EXPECT_EQ(back->SourceSize, 3300123);
    EXPECT_EQ(back->SourceMtimeNs, 1700000000123456789);
    EXPECT_DOUBLE_EQ(back->Milliseconds, 84.5);
    TManifestRecord skipped = Sample();
    skipped.Sha256.clear();
    skipped.SourceKnown = false;
    const auto none = ParseManifestLine(ManifestLine(skipped));
    ASSERT_TRUE(none);
    EXPECT_EQ(none->Sha256, "");
    EXPECT_FALSE(none->SourceKnown);
}

TEST(Manifest, ALineCutShortIsRefused) {
    const std::string line = ManifestLine(Sample());
    for (std::size_t n = 0; n + 1 < line.size(); ++n)
        EXPECT_FALSE(ParseManifestLine(line.substr(0, n))) << n << ": " << line.substr(0, n);
    EXPECT_FALSE(ParseManifestLine(line.substr(0, line.size() - 1) + "x"));
    EXPECT_FALSE(ParseManifestLine(R"({"index":1,"source":"\ud800"})"));
}

// Found by the fuzz target: a duration of 49 digits was read, then written
// back cut short, so the line did not read back. Only a duration this program
// could have written is taken.
TEST(Manifest, ADurationItCouldNotHaveWrittenIsRefused) {
    const std::string line = ManifestLine(Sample());
    const std::size_t at = line.find("\"ms\":") + 5;
    const std::size_t end = line.find(',', at);
    const auto withMs = [&](const std::string& ms) { return line.substr(0, at) + ms + line.substr(end); };
    EXPECT_TRUE(ParseManifestLine(withMs("12.500")));
    for (const char* bad :
         {"8488888888888888888888888888888888888888888888888.512", "-1", "1e400", "nan", "1x"})
        EXPECT_FALSE(ParseManifestLine(withMs(bad))) << bad;
}

}  // namespace
}  // namespace corvane
