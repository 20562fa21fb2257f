#include "app/batch_options.h"

#include <gtest/gtest.h>

#include <sstream>

namespace corvane {
namespace {

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

TEST(BatchOptions, StrictNumbers) {
    int v = 0;
    for (const char* ok : {"0", "+5", "-17", "007"}) EXPECT_TRUE(ParseInteger(ok, v)) << ok;
    for (const char* bad : {"", "-", "1.0", "1e2", "0x10", " 5", "5 ", "nan", "inf", "١", "99999999999"})
        EXPECT_FALSE(ParseInteger(bad, v)) << bad;
    const std::pair<const char*, int> tenths[] = {{"1.8", 18}, {"30.0", 300}, {"-90", -900}, {"2.50", 25},
                                                  {"+0.1", 1}, {"-0.0", 0},   {"360", 3600}};
    for (const auto& [text, want] : tenths) {
        ASSERT_TRUE(ParseTenths(text, v)) << text;
        EXPECT_EQ(v, want) << text;
    }
    for (const char* bad : {"1.85", "1,8", ".5", "5.", "1.8e0", "0x1", "1..8", "1.8.1"})
        EXPECT_FALSE(ParseTenths(bad, v)) << bad;
}

TEST(BatchOptions, ValuesAsTheWindowShowsThem) {
    const TBatchOptions o = ParseBatchOptions(Words(
        "--level 1.8 --level-inverse --gamma=2.2 --no-gamma-inverse --angle -30.5 --brightness -20 "
        "--contrast +7 --order gamma --no-circum --mirror --auto-turn portrait --format JPG --case upper "
        "--quality 35 --progressive --jobs 2 --quiet --dest out a.jpg -- --odd.jpg"));
    const TConversionSettings& s = o.Settings;
    EXPECT_EQ(s.Level, 18);
    EXPECT_TRUE(s.LevelInverse);
    EXPECT_EQ(s.Gamma, 22);
    EXPECT_FALSE(s.GammaInverse);
    EXPECT_EQ(s.Angle, -305);
    EXPECT_EQ(s.Brightness, -20);
    EXPECT_EQ(s.Contrast, 7);
    EXPECT_FALSE(s.ToneFirst);
    EXPECT_FALSE(s.Circum);
    EXPECT_TRUE(s.Mirror);
    EXPECT_EQ(s.AutoTurn, TAutoTurn::Upright);
    EXPECT_EQ(s.SaveFormat, ".jpg");
    EXPECT_EQ(s.NameCase, TNameCase::Upper);
    EXPECT_EQ(s.JPEGQuality, 35);
    EXPECT_TRUE(s.Progressive);
    EXPECT_EQ(o.Settings.Jobs, 2);
    EXPECT_TRUE(o.Quiet);
    EXPECT_EQ(o.Destination, "out");
    EXPECT_EQ(o.Files, (std::vector<std::string>{"a.jpg", "--odd.jpg"}));

    const TBatchOptions d = ParseBatchOptions({"--list", "l.csv"});
    EXPECT_EQ(d.Settings.Gamma, 18);
    EXPECT_TRUE(d.Settings.GammaInverse);
    EXPECT_TRUE(d.Settings.Circum);
    EXPECT_EQ(d.Settings.SaveFormat, "AUTO");
    EXPECT_EQ(d.Settings.Jobs, 0);  // auto
}

TEST(BatchOptions, RefusedWithClearMessages) {
    const auto message = [](std::vector<std::string> args) {
        try {
            ParseBatchOptions(args);
        } catch (const EUsageError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(message({"--level", "3.0", "--list", "l"}), "--level 3.0: 範囲外です (0.1 .. 2.7)");
    EXPECT_EQ(message({"--level", "1.85", "--list", "l"}), "--level 1.85: 0.1 単位で指定してください");
    EXPECT_EQ(message({"--angle", "abc", "--list", "l"}), "--angle abc: 数値ではありません");
    EXPECT_EQ(message({"--angle", "360.1", "--list", "l"}), "--angle 360.1: 範囲外です (-360.0 .. 360.0)");
    EXPECT_EQ(message({"--quality", "1e2", "--list", "l"}), "--quality 1e2: 整数ではありません");
    EXPECT_EQ(message({"--quality", "100", "--list", "l"}), "--quality 100: 範囲外です (35 .. 99)");
    EXPECT_EQ(message({"--jobs", "0", "--list", "l"}), "--jobs 0: 範囲外です (1 .. 64)");
    EXPECT_EQ(message({"--case", "Upper", "--list", "l"}),
              "--case Upper: none, lower, upper のどれかを指定してください");
    EXPECT_EQ(message({"--bogus"}), "不明なオプションです: --bogus");
    EXPECT_EQ(message({"--list"}), "--list の値がありません");
    EXPECT_EQ(message({"--mirror=1", "--list", "l"}), "--mirror は値を取りません");
    EXPECT_NE(message({"a.jpg"}), "accepted");
    EXPECT_NE(message({"--dest", "out"}), "accepted");
    EXPECT_NE(message({}), "accepted");
    EXPECT_EQ(message({"--help"}), "accepted");
}

// The save format on the command line is one of the formats, spelled in any
// case and with or without its dot; anything else is refused, not silently
// turned into a run that writes nothing.
TEST(BatchOptions, FormatIsStrict) {
    const auto format = [](const std::string& value) {
        return ParseBatchOptions({"--format", value, "--list", "l"}).Settings.SaveFormat;
    };
    EXPECT_EQ(format("auto"), "AUTO");
    EXPECT_EQ(format("AUTO"), "AUTO");
    EXPECT_EQ(format("jpg"), ".jpg");
    EXPECT_EQ(format(".JPG"), ".jpg");
    EXPECT_EQ(format(".BMP"), ".bmp");
    EXPECT_EQ(format("bmp"), ".bmp");
    EXPECT_EQ(format("PNG"), ".png");
    // A format that is only read is no save format.
    for (const char* bad : {"", ".gif", "gif", "..jpg", "jpeg", ".auto", "jp"}) {
        try {
            ParseBatchOptions({"--format", bad, "--list", "l"});
            ADD_FAILURE() << "accepted " << bad;
        } catch (const EUsageError& e) {
            EXPECT_NE(std::string(e.what()).find("AUTO, .bmp, .jpg, .png"), std::string::npos);
        }
    }
}

TEST(BatchOptions, ShortOptionsVersionAndAutoJobs) {
    const TBatchOptions o = ParseBatchOptions({"-q", "-j", "3", "--list", "l"});
    EXPECT_TRUE(o.Quiet);
    EXPECT_EQ(o.Settings.Jobs, 3);
    EXPECT_EQ(ParseBatchOptions({"-j4", "--list", "l"}).Settings.Jobs, 4);
    EXPECT_EQ(ParseBatchOptions({"--jobs", "auto", "--list", "l"}).Settings.Jobs, 0);
    EXPECT_TRUE(ParseBatchOptions({"-h"}).Help);
    EXPECT_TRUE(ParseBatchOptions({"--version"}).Version);
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"-v", "--list", "l"}, {"-qq", "--list", "l"}, {"-x.jpg", "--dest", "o"}})
        EXPECT_THROW(ParseBatchOptions(bad), EUsageError) << bad[0];
    // A file whose name starts with "-" follows "--".
    EXPECT_EQ(ParseBatchOptions({"--dest", "o", "--", "-x.jpg"}).Files, std::vector<std::string>{"-x.jpg"});
    TConversionSettings s;
    s.Jobs = 0;
    EXPECT_GE(EffectiveJobs(s), 1);
    s.Jobs = 5;
    EXPECT_EQ(EffectiveJobs(s), 5);
}

}  // namespace
}  // namespace corvane
