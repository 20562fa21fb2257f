// The option table: every setting of a run, once. Each row gives the
// window's caption, the command-line name, the kind of value, its range,
// default, scale and step, and where the value lives in the settings record.
// The window's controls, ValidateSettings, the command-line parser and its
// --help text are all made from these rows, so they cannot disagree.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "app/conversion_settings.h"

namespace corvane {

enum class TOptionId {
    Brightness,
    Contrast,
    Level,
    LevelInverse,
    Gamma,
    GammaInverse,
    ToneFirst,
    Angle,
    Circum,
    Mirror,
    AutoTurn,
    SaveFormat,
    NameCase,
    JPEGQuality,
    Progressive,
    Existing,
    KeepGoing,
    Metadata,
    Icc,
    Orientation,
    Resize,
    Enlarge,
    Jobs,
    Plan,
};

enum class TOptionKind {
    Integer,  // a plain number
    Tenths,   // a number shown with one decimal: the value is in tenths
    Switch,   // on or off: --name and --no-name, or --name ON|OFF when its states are named
    Choice,   // one of the listed items; the value is the item's index
    Text,     // text: one of the items, or anything ParseText accepts
};

// Where the window offers an option.
enum class TOptionPlace {
    Control,       // a control of the window's own layout
    SettingsMenu,  // the "設定(&S)" menu: a switch as a checkable item, a choice as radio items
    CommandLine,   // nowhere: the command line only
};

struct TOptionChoice {
    std::string_view Name;     // on the command line
    std::string_view Caption;  // in the window
};

struct TOptionRow {
    TOptionId Id;
    TOptionKind Kind;
    // The control's caption in the window, also the option's name in messages.
    std::string_view Caption;
    std::string_view CliName;  // "--brightness"
    std::string_view Help;     // what --help says of it, before range and default
    int Min = 0;               // Integer and Tenths, in the control's unit
    int Max = 0;
    int Default = 0;  // value, switch state (0 or 1) or choice index
    int Scale = 1;    // the shown value is the value divided by this
    int Step = 1;     // one step of the spin arrows
    // Choice and Text: the items. Switch: when given, the names of its two
    // states, on (item 0) and off (item 1), taken as the option's value.
    std::span<const TOptionChoice> Choices = {};
    std::string_view DefaultText = {};  // Text
    std::string_view Note = {};         // what --help adds after the default
    // Integer: the value 0, valid beside Min .. Max, is written and typed
    // as this name ("auto": chosen when the run starts).
    std::string_view ZeroName = {};
    TOptionPlace Place = TOptionPlace::Control;
    // How the run goes rather than what it makes: left out of SettingsDigest.
    bool RunPolicy = false;
    // The value in the settings record (every kind but Text).
    int (*Get)(const TConversionSettings&) = nullptr;
    void (*Set)(TConversionSettings&, int) = nullptr;
    // Text.
    std::string TConversionSettings::*TextField = nullptr;
    // Text whose value is not limited to its items: true and the text as it
    // is kept when `text` is a value of the row.
    bool (*ParseText)(const std::string& text, std::string& normalized) = nullptr;
    std::string_view ParseHint = {};      // what a refusal says is expected
    std::string_view ValueSynopsis = {};  // the value in --help, in place of the items
};

// A switch whose states the command line names ("--metadata keep|strip").
inline bool NamedSwitch(const TOptionRow& row) {
    return row.Kind == TOptionKind::Switch && row.Choices.size() == 2;
}
// A named switch's state for the value given as item `index`.
inline int NamedSwitchState(int index) { return index == 0 ? 1 : 0; }

// Every row, in the order of --help.
std::span<const TOptionRow> OptionTable();
const TOptionRow& OptionRow(TOptionId id);

// The value as the window shows it: tenths as "1.8", "-360.0".
std::string FormatOptionValue(const TOptionRow& row, int value);
// "--brightness N", "--order tone|gamma", "--circum".
std::string OptionSynopsis(const TOptionRow& row);
// The --help line's text after the synopsis: help, range or items, default.
std::string OptionDescription(const TOptionRow& row);

// Every row's default into the record.
void ApplyDefaults(TConversionSettings& settings);

}  // namespace corvane
