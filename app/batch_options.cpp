#include "app/batch_options.h"

#include <map>
#include <optional>

#include "app/option_table.h"

namespace corvane {

namespace {

// Sign, integer digits and fraction digits of a number in the strict grammar.
struct TNumberText {
    bool negative = false;
    std::string whole;
    std::string fraction;
};

bool SplitNumber(const std::string& text, TNumberText& n) {
    std::size_t p = 0;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) n.negative = text[p++] == '-';
    const auto digits = [&](std::string& out) {
        while (p < text.size() && text[p] >= '0' && text[p] <= '9') out += text[p++];
    };
    digits(n.whole);
    if (n.whole.empty()) return false;
    if (p < text.size() && text[p] == '.') {
        ++p;
        digits(n.fraction);
        if (n.fraction.empty()) return false;
    }
    return p == text.size();
}

// Digits to a value, refusing anything past a bound far beyond every range.
bool DigitsValue(const std::string& digits, long long& value) {
    value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > 100'000'000) return false;
    }
    return true;
}

[[noreturn]] void Refuse(const std::string& option, const std::string& value, const std::string& why) {
    throw EUsageError(option + " " + value + ": " + why);
}

std::string RangeText(const TOptionRow& row) {
    return "範囲外です (" + FormatOptionValue(row, row.Min) + " .. " + FormatOptionValue(row, row.Max) + ")";
}

int NumberOption(const TOptionRow& row, const std::string& value) {
    const std::string option(row.CliName);
    if (!row.ZeroName.empty() && value == row.ZeroName) return 0;
    int v = 0;
    if (row.Kind == TOptionKind::Integer) {
        if (!ParseInteger(value, v)) Refuse(option, value, "整数ではありません");
    } else if (!ParseTenths(value, v)) {
        TNumberText n;
        if (SplitNumber(value, n)) Refuse(option, value, "0.1 単位で指定してください");
        Refuse(option, value, "数値ではありません");
    }
    if (v < row.Min || v > row.Max) Refuse(option, value, RangeText(row));
    return v;
}

int ChoiceOption(const TOptionRow& row, const std::string& value) {
    std::string names;
    for (std::size_t i = 0; i < row.Choices.size(); ++i) {
        if (row.Choices[i].Name == value) return static_cast<int>(i);
        if (i > 0) names += ", ";
        names += row.Choices[i].Name;
    }
    Refuse(std::string(row.CliName), value, names + " のどれかを指定してください");
}

// A text option takes one of its items, in any letter case, the dot of an
// extension optional: "jpg", ".JPG" and ".jpg" all give ".jpg".
std::string TextOption(const TOptionRow& row, const std::string& value) {
    if (row.ParseText) {
        std::string normalized;
        if (!row.ParseText(value, normalized))
            Refuse(std::string(row.CliName), value, std::string(row.ParseHint));
        return normalized;
    }
    const auto lower = [](std::string_view text) {
        std::string out(text);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return out;
    };
    std::string names;
    for (const TOptionChoice& item : row.Choices) {
        const std::string name = lower(item.Name);
        if (lower(value) == name || (name.size() > 1 && name[0] == '.' && lower(value) == name.substr(1)))
            return std::string(item.Name);
        if (!names.empty()) names += ", ";
        names += item.Name;
    }
    Refuse(std::string(row.CliName), value, names + " のどれかを指定してください");
}

// The option row named `name`, as given or as its "--no-" form of a switch.
const TOptionRow* FindRow(const std::string& name, bool& negated) {
    for (const TOptionRow& row : OptionTable()) {
        negated = false;
        if (name == row.CliName) return &row;
        if (row.Kind == TOptionKind::Switch && !NamedSwitch(row) &&
            name == "--no-" + std::string(row.CliName.substr(2))) {
            negated = true;
            return &row;
        }
    }
    return nullptr;
}

}  // namespace

bool ParseShard(const std::string& text, int& index, int& count) {
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) return false;
    const std::string i = text.substr(0, slash), n = text.substr(slash + 1);
    const auto digits = [](const std::string& t) {
        return !t.empty() && t.find_first_not_of("0123456789") == std::string::npos;
    };
    if (!digits(i) || !digits(n) || !ParseInteger(i, index) || !ParseInteger(n, count)) return false;
    return count >= 1 && count <= kMaxShards && index >= 0 && index < count;
}

bool ParseInteger(const std::string& text, int& value) {
    TNumberText n;
    long long v = 0;
    if (!SplitNumber(text, n) || !n.fraction.empty() || !DigitsValue(n.whole, v)) return false;
    value = static_cast<int>(n.negative ? -v : v);
    return true;
}

bool ParseTenths(const std::string& text, int& tenths) {
    TNumberText n;
    long long whole = 0;
    if (!SplitNumber(text, n) || !DigitsValue(n.whole, whole)) return false;
    int first = 0;
    if (!n.fraction.empty()) {
        first = n.fraction[0] - '0';
        if (n.fraction.find_first_not_of('0', 1) != std::string::npos) return false;
    }
    const long long v = whole * 10 + first;
    tenths = static_cast<int>(n.negative ? -v : v);
    return true;
}

TBatchOptions ParseBatchOptions(const std::vector<std::string>& args) {
    TBatchOptions o;
    // Options of the program itself; every conversion setting is a row of the option table.
    std::string shard;
    const std::map<std::string, std::string*> ownWithValue{{"--list", &o.ListFile},
                                                           {"--dest", &o.Destination},
                                                           {"--manifest", &o.Manifest},
                                                           {"--resume", &o.Resume},
                                                           {"--shard", &shard}};
    const std::map<std::string, bool*> ownSwitches{
        {"--quiet", &o.Quiet}, {"--help", &o.Help}, {"--version", &o.Version}};
    const std::map<std::string, std::string> shortNames{
        {"-h", "--help"}, {"-q", "--quiet"}, {"-j", "--jobs"}};

    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            o.Files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // The value written into the argument: "--name=VALUE", or "-j4".
        std::optional<std::string> inlineValue;
        std::string name = arg;
        if (arg[1] != '-') {
            const auto it = shortNames.find(arg.substr(0, 2));
            if (it == shortNames.end() || (arg.size() > 2 && it->second != "--jobs"))
                throw EUsageError("不明なオプションです: " + arg);
            name = it->second;
            if (arg.size() > 2) inlineValue = arg.substr(2);
        } else if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        bool negated = false;
        const TOptionRow* row = FindRow(name, negated);
        const bool isSwitch =
            ownSwitches.count(name) || (row && row->Kind == TOptionKind::Switch && !NamedSwitch(*row));
        if (isSwitch) {
            if (inlineValue) throw EUsageError(name + " は値を取りません");
            if (row)
                row->Set(o.Settings, negated ? 0 : 1);
            else
                *ownSwitches.at(name) = true;
            continue;
        }
        if (!row && !ownWithValue.count(name)) throw EUsageError("不明なオプションです: " + name);
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else {
            if (i + 1 >= args.size()) throw EUsageError(name + " の値がありません");
            value = args[++i];  // taken as it is, so "--angle -90.0" works
        }
        if (!row && value.empty()) throw EUsageError(name + " の値が空です");
        if (!row)
            *ownWithValue.at(name) = value;
        else if (row->Kind == TOptionKind::Text)
            o.Settings.*row->TextField = TextOption(*row, value);
        else if (row->Kind == TOptionKind::Choice)
            row->Set(o.Settings, ChoiceOption(*row, value));
        else if (NamedSwitch(*row))
            row->Set(o.Settings, NamedSwitchState(ChoiceOption(*row, value)));
        else
            row->Set(o.Settings, NumberOption(*row, value));
    }
    if (o.Help || o.Version) return o;
    if (!shard.empty() && !ParseShard(shard, o.ShardIndex, o.ShardCount))
        Refuse("--shard", shard,
               "I/N (0 <= I < N, N <= " + std::to_string(kMaxShards) + ") で指定してください");
    if (o.Settings.Plan && !o.Manifest.empty())
        throw EUsageError("--plan は何も書かないので --manifest とは使えません");

    if (!o.Files.empty() && o.Destination.empty())
        throw EUsageError("ファイルを変換するには --dest で保存先フォルダを指定してください");
    if (!o.Destination.empty() && o.Files.empty())
        throw EUsageError("--dest に対する変換ファイルがありません");
    if (o.Files.empty() && o.ListFile.empty())
        throw EUsageError("--list か --dest とファイルを指定してください");
    return o;
}

std::string BatchUsageText() {
    // Synopsis in a column of 25; a longer one puts its text on the next line.
    const auto line = [](const std::string& synopsis, const std::string& text) {
        std::string out = "  " + synopsis;
        if (synopsis.size() < 24)
            out += std::string(25 - synopsis.size(), ' ');
        else
            out += "\n" + std::string(27, ' ');
        return out + text + "\n";
    };
    std::string text = R"(使い方: corvane-batch [オプション] --list リストファイル
        corvane-batch [オプション] --dest 保存先フォルダ ファイル...
両方を指定すると、リストの項目のあとにファイルの項目が続きます。

)";
    text += line("--list FILE", "一括操作リスト (CSV) を変換する");
    text += line("--dest DIR", "FILE... を DIR に変換する");
    text += line("--manifest FILE", "項目ごとの結果を終わった順に FILE へ JSON Lines で記録する");
    text += line("--resume FILE",
                 "FILE (--manifest の記録) で書き込み済みの項目のうち, 出力の SHA-256, 元の大きさと"
                 "更新時刻, 出力を決める設定が変わらないものを飛ばす");
    text += line("--shard I/N",
                 "リストの番号 (0 から) を N で割った余りが I の項目だけを変換する "
                 "(進行状況の番号はリスト全体のもの)");
    for (const TOptionRow& row : OptionTable()) text += line(OptionSynopsis(row), OptionDescription(row));
    text += line("-q, --quiet", "進行状況を表示しない (警告と失敗は表示する)");
    text += line("-h, --help", "この説明");
    text += line("--version", "版を表示する");
    text += R"(
オン・オフの設定は --name でオン, --no-name でオフです。-j N は --jobs N と同じです。
--format は大文字・小文字を問わず, 拡張子の "." は省けます (jpg, .JPG は .jpg)。
数値の小数点は "." です。値は --name VALUE または --name=VALUE で指定します。
進行状況, 警告 (何も書かなかった項目, 同じ出力に二度書いた項目) と失敗は標準エラーに,
最後の集計行 ("変換終了: 書き込み 98, 飛ばした 2, 失敗 0") は標準出力に出ます。
終了コード:
  0  すべての項目を書き込んだ (項目がないときも)
  1  失敗した項目がある: 失敗した項目で変換を終えた (それより前の出力は残る),
     または --keep-going で最後まで進み, 失敗した項目があった
     (--manifest のファイルに書けなくなったときも, そこで終えて 1)
  2  オプションかリストの誤り: 何も読み書きしていない
  3  最後まで進み失敗はないが, 書き込まなかった項目がある (元のファイルがない,
     フォルダ, 書き出す形式がない, --existing skip で既存のファイルを残した)
--resume で飛ばした項目は書き込んだ項目と数えます。
--plan は変換と同じ判断で項目ごとの計画を標準出力に出し, 同じ警告を出して, 変換した場合の
終了コードで終わります (画像の中身の壊れは読むまで分かりません)。
)";
    return text;
}

}  // namespace corvane
