// The option table against its consumers: the command line accepts exactly
// each row's range, the validation refuses just outside it, --help shows it,
// and every name and id is there once.
#include "app/option_table.h"

#include <gtest/gtest.h>

#include <set>

#include "app/batch_options.h"
#include "app/errors.h"

namespace corvane {
namespace {

bool Parses(const std::string& option, const std::string& value) {
    try {
        ParseBatchOptions({option, value, "--list", "l.csv"});
        return true;
    } catch (const EUsageError&) {
        return false;
    }
}

bool Valid(const TOptionRow& row, int value) {
    TConversionSettings s;
    row.Set(s, value);
    try {
        ValidateSettings(s);
        return true;
    } catch (const ESettingsError&) {
        return false;
    }
}

TEST(OptionTable, EveryRowOnceWithItsId) {
    std::set<std::string_view> names;
    int index = 0;
    for (const TOptionRow& row : OptionTable()) {
        EXPECT_EQ(static_cast<int>(row.Id), index++);
        EXPECT_EQ(&OptionRow(row.Id), &row);
        EXPECT_TRUE(names.insert(row.CliName).second) << row.CliName;
        EXPECT_EQ(row.CliName.substr(0, 2), "--");
        EXPECT_FALSE(row.Caption.empty());
        if (row.Kind == TOptionKind::Text)
            EXPECT_NE(row.TextField, nullptr) << row.CliName;
        else
            EXPECT_TRUE(row.Get && row.Set) << row.CliName;
    }
}

TEST(OptionTable, NumbersAcceptedExactlyInTheirRange) {
    for (const TOptionRow& row : OptionTable()) {
        if (row.Kind != TOptionKind::Integer && row.Kind != TOptionKind::Tenths) continue;
        const std::string name(row.CliName);
        for (int v : {row.Min, row.Default, row.Max}) {
            EXPECT_TRUE(Parses(name, FormatOptionValue(row, v))) << name << " " << v;
            EXPECT_TRUE(Valid(row, v)) << name << " " << v;
        }
        for (int v : {row.Min - 1, row.Max + 1}) {
            if (v == 0 && !row.ZeroName.empty()) continue;
            EXPECT_FALSE(Parses(name, std::to_string(v))) << name << " " << v;
            EXPECT_FALSE(Valid(row, v)) << name << " " << v;
        }
        if (!row.ZeroName.empty()) {
            // The named zero is a value of its own: typed by its name, not as 0.
            EXPECT_TRUE(Parses(name, std::string(row.ZeroName))) << name;
            EXPECT_TRUE(Valid(row, 0)) << name;
            EXPECT_EQ(FormatOptionValue(row, 0), row.ZeroName);
            EXPECT_FALSE(Parses(name, "0")) << name;
            EXPECT_FALSE(Valid(row, -1)) << name;
        }
        if (row.Default != 0 || row.ZeroName.empty()) {
            EXPECT_LE(row.Min, row.Default);
            EXPECT_LE(row.Default, row.Max);
        }
    }
}

TEST(OptionTable, ChoicesAndSwitchesReachTheRecord) {
    for (const TOptionRow& row : OptionTable()) {
        const std::string name(row.CliName);
        if (row.Kind == TOptionKind::Choice) {
            for (std::size_t i = 0; i < row.Choices.size(); ++i) {
                const TBatchOptions o =
                    ParseBatchOptions({name, std::string(row.Choices[i].Name), "--list", "l"});
                EXPECT_EQ(row.Get(o.Settings), static_cast<int>(i)) << name;
            }
            // An index past the items is refused where the record can hold one.
            const int past = static_cast<int>(row.Choices.size());
            TConversionSettings held;
            row.Set(held, past);
            if (row.Get(held) == past) {
                EXPECT_FALSE(Valid(row, past)) << name;
            }
            EXPECT_FALSE(Parses(name, "nonsense")) << name;
        } else if (NamedSwitch(row)) {
            // The states by name; the --no- form and a bare name are refused.
            EXPECT_EQ(
                row.Get(ParseBatchOptions({name, std::string(row.Choices[0].Name), "--list", "l"}).Settings),
                1)
                << name;
            EXPECT_EQ(
                row.Get(ParseBatchOptions({name + "=" + std::string(row.Choices[1].Name), "--list", "l"})
                            .Settings),
                0)
                << name;
            EXPECT_FALSE(Parses(name, "on")) << name;
            EXPECT_THROW(ParseBatchOptions({"--no-" + name.substr(2), "--list", "l"}), EUsageError) << name;
            EXPECT_THROW(ParseBatchOptions({"--list", "l", name}), EUsageError) << name;
        } else if (row.Kind == TOptionKind::Switch) {
            const std::string off = "--no-" + name.substr(2);
            EXPECT_EQ(row.Get(ParseBatchOptions({name, "--list", "l"}).Settings), 1) << name;
            EXPECT_EQ(row.Get(ParseBatchOptions({off, "--list", "l"}).Settings), 0) << name;
        }
    }
}

TEST(OptionTable, DefaultsAreTheRecordsAndHelpShowsEveryRow) {
    const TConversionSettings s;
    const std::string help = BatchUsageText();
    for (const TOptionRow& row : OptionTable()) {
        if (row.Kind == TOptionKind::Text)
            EXPECT_EQ(s.*row.TextField, row.DefaultText);
        else
            EXPECT_EQ(row.Get(s), row.Default) << row.CliName;
        EXPECT_NE(help.find(OptionSynopsis(row)), std::string::npos) << row.CliName;
        EXPECT_NE(help.find(OptionDescription(row)), std::string::npos) << row.CliName;
    }
    EXPECT_NE(help.find("--angle X.X"), std::string::npos);
    EXPECT_NE(help.find("-360.0 .. 360.0 (既定 0.0)"), std::string::npos);
    EXPECT_NE(help.find("(既定 --gamma-inverse)"), std::string::npos);
    EXPECT_NE(help.find("--metadata keep|strip"), std::string::npos);
    EXPECT_NE(help.find("--icc keep|srgb|strip"), std::string::npos);
    EXPECT_NE(help.find("--orientation apply|ignore"), std::string::npos);
    EXPECT_NE(help.find("残す / 外す (既定 keep)"), std::string::npos);
}

}  // namespace
}  // namespace corvane
