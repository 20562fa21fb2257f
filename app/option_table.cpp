#include "app/option_table.h"

#include <cstdlib>

#include "app/resize_setting.h"

namespace corvane {

namespace {

constexpr TOptionChoice kOrderChoices[] = {{"tone", "色調優先"}, {"gamma", "ガンマ補正優先"}};
constexpr TOptionChoice kAutoTurnChoices[] = {
    {"none", "無し"}, {"portrait", "正立（Portraite）"}, {"landscape", "倒立（Landscape）"}};
constexpr TOptionChoice kSaveFormatItems[] = {{"AUTO", "AUTO"},  {".bmp", ".bmp"}, {".jpg", ".jpg"},
                                              {".png", ".png"},  {".tif", ".tif"}, {".webp", ".webp"},
                                              {".avif", ".avif"}};
constexpr TOptionChoice kExistingChoices[] = {{"trash", "ごみ箱へ移して置き換える"},
                                              {"replace", "置き換える"},
                                              {"skip", "飛ばす"},
                                              {"stop", "中止する"}};
constexpr TOptionChoice kMetadataStates[] = {{"keep", "残す"}, {"strip", "外す"}};
constexpr TOptionChoice kIccChoices[] = {{"keep", "残す"}, {"srgb", "sRGB に変換"}, {"strip", "外す"}};
constexpr TOptionChoice kOrientationStates[] = {{"apply", "合わせる"}, {"ignore", "合わせない"}};
constexpr TOptionChoice kResizeItems[] = {
    {"none", "none"}, {"1920", "1920"}, {"1280x720", "1280x720"}, {"50%", "50%"}};
constexpr TOptionChoice kNameCaseChoices[] = {{"none", "None"}, {"lower", "Lower"}, {"upper", "Uper"}};

using S = TConversionSettings;

// Rows in the order of --help; TOptionId indexes them.
constexpr TOptionRow kRows[] = {
    {.Id = TOptionId::Brightness,
     .Kind = TOptionKind::Integer,
     .Caption = "明るさ",
     .CliName = "--brightness",
     .Help = "明るさ",
     .Min = -255,
     .Max = 255,
     .Default = 0,
     .Get = [](const S& s) { return s.Brightness; },
     .Set = [](S& s, int v) { s.Brightness = v; }},
    {.Id = TOptionId::Contrast,
     .Kind = TOptionKind::Integer,
     .Caption = "コントラスト",
     .CliName = "--contrast",
     .Help = "コントラスト",
     .Min = -127,
     .Max = 127,
     .Default = 0,
     .Get = [](const S& s) { return s.Contrast; },
     .Set = [](S& s, int v) { s.Contrast = v; }},
    {.Id = TOptionId::Level,
     .Kind = TOptionKind::Tenths,
     .Caption = "レベル",
     .CliName = "--level",
     .Help = "レベル (1.0: 無補正)",
     .Min = 1,
     .Max = 27,
     .Default = 10,
     .Scale = 10,
     .Get = [](const S& s) { return s.Level; },
     .Set = [](S& s, int v) { s.Level = v; }},
    {.Id = TOptionId::LevelInverse,
     .Kind = TOptionKind::Switch,
     .Caption = "逆変換",
     .CliName = "--level-inverse",
     .Help = "レベルの逆変換",
     .Default = 0,
     .Get = [](const S& s) { return int{s.LevelInverse}; },
     .Set = [](S& s, int v) { s.LevelInverse = v != 0; }},
    {.Id = TOptionId::Gamma,
     .Kind = TOptionKind::Tenths,
     .Caption = "ガンマ補正",
     .CliName = "--gamma",
     .Help = "ガンマ補正 (1.0: 無補正)",
     .Min = 1,
     .Max = 27,
     .Default = 18,
     .Scale = 10,
     .Get = [](const S& s) { return s.Gamma; },
     .Set = [](S& s, int v) { s.Gamma = v; }},
    {.Id = TOptionId::GammaInverse,
     .Kind = TOptionKind::Switch,
     .Caption = "逆変換",
     .CliName = "--gamma-inverse",
     .Help = "ガンマ補正の逆変換",
     .Default = 1,
     .Get = [](const S& s) { return int{s.GammaInverse}; },
     .Set = [](S& s, int v) { s.GammaInverse = v != 0; }},
    {.Id = TOptionId::ToneFirst,
     .Kind = TOptionKind::Choice,
     .Caption = "順位",
     .CliName = "--order",
     .Help = "順位:",
     .Default = 0,
     .Choices = kOrderChoices,
     .Get = [](const S& s) { return s.ToneFirst ? 0 : 1; },
     .Set = [](S& s, int v) { s.ToneFirst = v == 0; }},
    {.Id = TOptionId::Angle,
     .Kind = TOptionKind::Tenths,
     .Caption = "角度",
     .CliName = "--angle",
     .Help = "角度 (度, ＋で左回転)",
     .Min = -3600,
     .Max = 3600,
     .Default = 0,
     .Scale = 10,
     .Step = 900,
     .Get = [](const S& s) { return s.Angle; },
     .Set = [](S& s, int v) { s.Angle = v; }},
    {.Id = TOptionId::Circum,
     .Kind = TOptionKind::Switch,
     .Caption = "Circum",
     .CliName = "--circum",
     .Help = "Circum: 回転した画像が収まるよう拡げる",
     .Default = 1,
     .Get = [](const S& s) { return int{s.Circum}; },
     .Set = [](S& s, int v) { s.Circum = v != 0; }},
    {.Id = TOptionId::Mirror,
     .Kind = TOptionKind::Switch,
     .Caption = "Mrror",
     .CliName = "--mirror",
     .Help = "Mrror: 左右反転",
     .Default = 0,
     .Get = [](const S& s) { return int{s.Mirror}; },
     .Set = [](S& s, int v) { s.Mirror = v != 0; }},
    {.Id = TOptionId::AutoTurn,
     .Kind = TOptionKind::Choice,
     .Caption = "正立／倒立",
     .CliName = "--auto-turn",
     .Help = "正立／倒立:",
     .Default = 0,
     .Choices = kAutoTurnChoices,
     .Get = [](const S& s) { return static_cast<int>(s.AutoTurn); },
     .Set = [](S& s, int v) { s.AutoTurn = static_cast<TAutoTurn>(v); }},
    {.Id = TOptionId::SaveFormat,
     .Kind = TOptionKind::Text,
     .Caption = "保存形式",
     .CliName = "--format",
     .Help = "保存形式",
     .Choices = kSaveFormatItems,
     .DefaultText = "AUTO",
     .Note = "; ほかの値は受け付けません",
     .TextField = &S::SaveFormat},
    {.Id = TOptionId::NameCase,
     .Kind = TOptionKind::Choice,
     .Caption = "CharaCase",
     .CliName = "--case",
     .Help = "CharaCase: ファイル名の大文字・小文字:",
     .Default = 0,
     .Choices = kNameCaseChoices,
     .Get = [](const S& s) { return static_cast<int>(s.NameCase); },
     .Set = [](S& s, int v) { s.NameCase = static_cast<TNameCase>(v); }},
    {.Id = TOptionId::JPEGQuality,
     .Kind = TOptionKind::Integer,
     .Caption = "圧縮率",
     .CliName = "--quality",
     .Help = "JPEG 圧縮率",
     .Min = 35,
     .Max = 99,
     .Default = 90,
     .Get = [](const S& s) { return s.JPEGQuality; },
     .Set = [](S& s, int v) { s.JPEGQuality = v; }},
    {.Id = TOptionId::Progressive,
     .Kind = TOptionKind::Switch,
     .Caption = "プログレッシブ",
     .CliName = "--progressive",
     .Help = "プログレッシブ JPEG",
     .Default = 0,
     .Get = [](const S& s) { return int{s.Progressive}; },
     .Set = [](S& s, int v) { s.Progressive = v != 0; }},
    {.Id = TOptionId::Existing,
     .Kind = TOptionKind::Choice,
     .Caption = "既存のファイル",
     .CliName = "--existing",
     .Help = "出力と同じ名前の既存のファイル:",
     .Default = 0,
     .Choices = kExistingChoices,
     .Place = TOptionPlace::SettingsMenu,
     .RunPolicy = true,
     .Get = [](const S& s) { return static_cast<int>(s.Existing); },
     .Set = [](S& s, int v) { s.Existing = static_cast<TExistingPolicy>(v); }},
    {.Id = TOptionId::KeepGoing,
     .Kind = TOptionKind::Switch,
     .Caption = "エラーの項目を飛ばす",
     .CliName = "--keep-going",
     .Help = "失敗した項目を報告して変換を続ける",
     .Default = 0,
     .Place = TOptionPlace::SettingsMenu,
     .RunPolicy = true,
     .Get = [](const S& s) { return int{s.KeepGoing}; },
     .Set = [](S& s, int v) { s.KeepGoing = v != 0; }},
    {.Id = TOptionId::Metadata,
     .Kind = TOptionKind::Switch,
     .Caption = "メタデータを残す",
     .CliName = "--metadata",
     .Help = "EXIF と XMP (JPEG ではさらに IPTC とコメント, PNG ではコメント):",
     .Default = 1,
     .Choices = kMetadataStates,
     .Note = "; 画素が変わると EXIF の画素数と向きを直し, サムネイルを外します",
     .Place = TOptionPlace::SettingsMenu,
     .Get = [](const S& s) { return s.Metadata == TMetadataMode::Keep ? 1 : 0; },
     .Set = [](S& s, int v) { s.Metadata = v ? TMetadataMode::Keep : TMetadataMode::Strip; }},
    {.Id = TOptionId::Icc,
     .Kind = TOptionKind::Choice,
     .Caption = "カラープロファイル",
     .CliName = "--icc",
     .Help = "カラープロファイル:",
     .Default = 0,
     .Choices = kIccChoices,
     .Place = TOptionPlace::SettingsMenu,
     .Get = [](const S& s) { return static_cast<int>(s.Icc); },
     .Set = [](S& s, int v) { s.Icc = static_cast<TIccMode>(v); }},
    {.Id = TOptionId::Orientation,
     .Kind = TOptionKind::Switch,
     .Caption = "EXIF の向きに合わせる",
     .CliName = "--orientation",
     .Help = "EXIF の向きに画素を合わせる:",
     .Default = 1,
     .Choices = kOrientationStates,
     .Note = "; 合わせると向きは 1 になります",
     .Place = TOptionPlace::SettingsMenu,
     .Get = [](const S& s) { return s.Orientation == TOrientationMode::Apply ? 1 : 0; },
     .Set = [](S& s, int v) { s.Orientation = v ? TOrientationMode::Apply : TOrientationMode::Ignore; }},
    {.Id = TOptionId::Resize,
     .Kind = TOptionKind::Text,
     .Caption = "サイズ変更",
     .CliName = "--resize",
     .Help = "サイズ変更: none / 長辺 N 画素 / W x H に収める / P% (1 .. 1000; 拡大は --enlarge のときだけ)",
     .Choices = kResizeItems,
     .DefaultText = "none",
     .Note = "; 回転などのあとに Lanczos3 で縮小 (--enlarge では拡大も)",
     .TextField = &S::Resize,
     .ParseText = NormalizeResizeText,
     .ParseHint = "none, N, WxH, P% のどれかを指定してください",
     .ValueSynopsis = "none|N|WxH|P%"},
    {.Id = TOptionId::Enlarge,
     .Kind = TOptionKind::Switch,
     .Caption = "サイズ変更で拡大もする",
     .CliName = "--enlarge",
     .Help = "サイズ変更で指定より小さい画像を拡大する",
     .Default = 0,
     .Place = TOptionPlace::SettingsMenu,
     .Get = [](const S& s) { return int{s.Enlarge}; },
     .Set = [](S& s, int v) { s.Enlarge = v != 0; }},
    {.Id = TOptionId::Jobs,
     .Kind = TOptionKind::Integer,
     .Caption = "同時に変換する項目の数",
     .CliName = "--jobs",
     .Help = "同時に変換する項目の数",
     .Min = 1,
     .Max = 64,
     .Default = 0,
     .Note = "; auto はプロセッサの数 (メモリに収まるだけ); 出力は順に変換した場合と同じ",
     .ZeroName = "auto",
     .Place = TOptionPlace::CommandLine,
     .RunPolicy = true,
     .Get = [](const S& s) { return s.Jobs; },
     .Set = [](S& s, int v) { s.Jobs = v; }},
    {.Id = TOptionId::Plan,
     .Kind = TOptionKind::Switch,
     .Caption = "計画だけを表示する",
     .CliName = "--plan",
     .Help = "項目ごとに元, 出力, 書き出し形式, 既存のファイルの扱いを表示し, 何も書かない",
     .Default = 0,
     .Place = TOptionPlace::CommandLine,
     .RunPolicy = true,
     .Get = [](const S& s) { return int{s.Plan}; },
     .Set = [](S& s, int v) { s.Plan = v != 0; }},
};

constexpr bool RowsInIdOrder() {
    for (std::size_t i = 0; i < std::size(kRows); ++i)
        if (static_cast<std::size_t>(kRows[i].Id) != i) return false;
    return std::size(kRows) == static_cast<std::size_t>(TOptionId::Plan) + 1;
}
static_assert(RowsInIdOrder(), "one row per TOptionId, in its order");

}  // namespace

std::span<const TOptionRow> OptionTable() { return kRows; }

const TOptionRow& OptionRow(TOptionId id) { return kRows[static_cast<std::size_t>(id)]; }

std::string FormatOptionValue(const TOptionRow& row, int value) {
    if (value == 0 && !row.ZeroName.empty()) return std::string(row.ZeroName);
    if (row.Scale == 1) return std::to_string(value);
    const int magnitude = std::abs(value);
    std::string text = std::to_string(magnitude / row.Scale) + "." + std::to_string(magnitude % row.Scale);
    return value < 0 ? "-" + text : text;
}

namespace {

// Help, range or items, and default.
std::string OptionSummary(const TOptionRow& row) {
    std::string text(row.Help);
    switch (row.Kind) {
        case TOptionKind::Integer:
        case TOptionKind::Tenths:
            return text + " " + FormatOptionValue(row, row.Min) + " .. " + FormatOptionValue(row, row.Max) +
                   " (既定 " + FormatOptionValue(row, row.Default) + ")";
        case TOptionKind::Switch:
            if (NamedSwitch(row)) {
                const TOptionChoice& on = row.Choices[0];
                const TOptionChoice& off = row.Choices[1];
                return text + " " + std::string(on.Caption) + " / " + std::string(off.Caption) + " (既定 " +
                       std::string(row.Default ? on.Name : off.Name) + ")";
            }
            return text + " (既定 " + (row.Default ? "--" : "--no-") + std::string(row.CliName.substr(2)) +
                   ")";
        case TOptionKind::Choice: {
            for (std::size_t i = 0; i < row.Choices.size(); ++i) {
                text += i == 0 ? " " : " / ";
                text += row.Choices[i].Caption;
            }
            return text + " (既定 " + std::string(row.Choices[static_cast<std::size_t>(row.Default)].Name) +
                   ")";
        }
        case TOptionKind::Text:
            return text + " (既定 " + std::string(row.DefaultText) + ")";
    }
    return text;
}

}  // namespace

std::string OptionSynopsis(const TOptionRow& row) {
    std::string text(row.CliName);
    switch (row.Kind) {
        case TOptionKind::Integer:
            return text + (row.ZeroName.empty() ? " N" : " N|" + std::string(row.ZeroName));
        case TOptionKind::Tenths:
            return text + " X.X";
        case TOptionKind::Switch:
            if (!NamedSwitch(row)) return text;
            [[fallthrough]];
        case TOptionKind::Choice:
        case TOptionKind::Text: {
            if (!row.ValueSynopsis.empty()) return text + " " + std::string(row.ValueSynopsis);
            for (std::size_t i = 0; i < row.Choices.size(); ++i) {
                text += i == 0 ? ' ' : '|';
                text += row.Choices[i].Name;
            }
            return text;
        }
    }
    return text;
}

std::string OptionDescription(const TOptionRow& row) { return OptionSummary(row) + std::string(row.Note); }

void ApplyDefaults(TConversionSettings& settings) {
    for (const TOptionRow& row : kRows) {
        if (row.Kind == TOptionKind::Text)
            settings.*row.TextField = std::string(row.DefaultText);
        else
            row.Set(settings, row.Default);
    }
}

}  // namespace corvane
