#include "app/batch_options.h"

#include <cstdlib>
#include <functional>
#include <map>

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

std::string Tenths(int v) {
    std::string s = std::to_string(std::abs(v) / 10) + "." + std::to_string(std::abs(v) % 10);
    return v < 0 ? "-" + s : s;
}

[[noreturn]] void Refuse(const std::string& option, const std::string& value, const std::string& why) {
    throw EUsageError(option + " " + value + ": " + why);
}

int IntegerOption(const std::string& option, const std::string& value, int lo, int hi) {
    int v = 0;
    if (!ParseInteger(value, v)) Refuse(option, value, "整数ではありません");
    if (v < lo || v > hi)
        Refuse(option, value, "範囲外です (" + std::to_string(lo) + " .. " + std::to_string(hi) + ")");
    return v;
}

int TenthsOption(const std::string& option, const std::string& value, int lo, int hi) {
    int v = 0;
    if (!ParseTenths(value, v)) {
        TNumberText n;
        if (SplitNumber(value, n)) Refuse(option, value, "0.1 単位で指定してください");
        Refuse(option, value, "数値ではありません");
    }
    if (v < lo || v > hi) Refuse(option, value, "範囲外です (" + Tenths(lo) + " .. " + Tenths(hi) + ")");
    return v;
}

template <typename T>
T ChoiceOption(const std::string& option, const std::string& value, const std::map<std::string, T>& choices) {
    const auto it = choices.find(value);
    if (it != choices.end()) return it->second;
    std::string names;
    for (const auto& c : choices) names += (names.empty() ? "" : ", ") + c.first;
    Refuse(option, value, names + " のどれかを指定してください");
}

}  // namespace

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
    TConversionSettings& s = o.Settings;

    using Setter = std::function<void(const std::string& option, const std::string& value)>;
    const std::map<std::string, Setter> withValue{
        {"--list", [&](auto&, auto& v) { o.ListFile = v; }},
        {"--dest", [&](auto&, auto& v) { o.Destination = v; }},
        {"--jobs", [&](auto& n, auto& v) { o.Jobs = IntegerOption(n, v, 1, kMaxJobs); }},
        {"--brightness", [&](auto& n, auto& v) { s.Brightness = IntegerOption(n, v, -255, 255); }},
        {"--contrast", [&](auto& n, auto& v) { s.Contrast = IntegerOption(n, v, -127, 127); }},
        {"--level", [&](auto& n, auto& v) { s.Level = TenthsOption(n, v, 1, 27); }},
        {"--gamma", [&](auto& n, auto& v) { s.Gamma = TenthsOption(n, v, 1, 27); }},
        {"--angle", [&](auto& n, auto& v) { s.Angle = TenthsOption(n, v, -3600, 3600); }},
        {"--quality", [&](auto& n, auto& v) { s.JPEGQuality = IntegerOption(n, v, 35, 99); }},
        {"--format", [&](auto&, auto& v) { s.SaveFormat = v; }},
        {"--order",
         [&](auto& n, auto& v) {
             s.ToneFirst = ChoiceOption<bool>(n, v, {{"tone", true}, {"gamma", false}});
         }},
        {"--auto-turn",
         [&](auto& n, auto& v) {
             s.AutoTurn = ChoiceOption<TAutoTurn>(n, v,
                                                  {{"none", TAutoTurn::None},
                                                   {"portrait", TAutoTurn::Upright},
                                                   {"landscape", TAutoTurn::Landscape}});
         }},
        {"--case",
         [&](auto& n, auto& v) {
             s.NameCase = ChoiceOption<TNameCase>(
                 n, v, {{"none", TNameCase::None}, {"lower", TNameCase::Lower}, {"upper", TNameCase::Upper}});
         }},
    };
    const std::map<std::string, std::function<void()>> switches{
        {"--level-inverse", [&] { s.LevelInverse = true; }},
        {"--no-level-inverse", [&] { s.LevelInverse = false; }},
        {"--gamma-inverse", [&] { s.GammaInverse = true; }},
        {"--no-gamma-inverse", [&] { s.GammaInverse = false; }},
        {"--circum", [&] { s.Circum = true; }},
        {"--no-circum", [&] { s.Circum = false; }},
        {"--mirror", [&] { s.Mirror = true; }},
        {"--no-mirror", [&] { s.Mirror = false; }},
        {"--progressive", [&] { s.Progressive = true; }},
        {"--no-progressive", [&] { s.Progressive = false; }},
        {"--quiet", [&] { o.Quiet = true; }},
        {"--help", [&] { o.Help = true; }},
    };

    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            o.Files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        if (const auto sw = switches.find(name); sw != switches.end()) {
            if (eq != std::string::npos) throw EUsageError(name + " は値を取りません");
            sw->second();
            continue;
        }
        const auto opt = withValue.find(name);
        if (opt == withValue.end()) throw EUsageError("不明なオプションです: " + name);
        std::string value;
        if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
        } else {
            if (i + 1 >= args.size()) throw EUsageError(name + " の値がありません");
            value = args[++i];  // taken as it is, so "--angle -90.0" works
        }
        opt->second(name, value);
    }
    if (o.Help) return o;
    if (!o.Files.empty() && o.Destination.empty())
        throw EUsageError("ファイルを変換するには --dest で保存先フォルダを指定してください");
    if (!o.Destination.empty() && o.Files.empty())
        throw EUsageError("--dest に対する変換ファイルがありません");
    if (o.Files.empty() && o.ListFile.empty())
        throw EUsageError("--list か --dest とファイルを指定してください");
    return o;
}

std::string BatchUsageText() {
    return R"(使い方: corvane-batch [オプション] --list リストファイル
        corvane-batch [オプション] --dest 保存先フォルダ ファイル...
両方を指定すると、リストの項目のあとにファイルの項目が続きます。

  --list FILE              一括操作リスト (CSV) を変換する
  --dest DIR               FILE... を DIR に変換する
  --brightness N           明るさ -255 .. 255 (既定 0)
  --contrast N             コントラスト -127 .. 127 (既定 0)
  --level X.X              レベル 0.1 .. 2.7 (既定 1.0: 無補正)
  --level-inverse          レベルの逆変換 (既定 --no-level-inverse)
  --gamma X.X              ガンマ補正 0.1 .. 2.7 (既定 1.8)
  --gamma-inverse          ガンマ補正の逆変換 (既定 --gamma-inverse; --no-gamma-inverse で外す)
  --order tone|gamma       順位: 色調優先 / ガンマ補正優先 (既定 tone)
  --angle X.X              角度 -360.0 .. 360.0 度, ＋で左回転 (既定 0.0)
  --circum                 Circum: 回転した画像が収まるよう拡げる (既定 --circum; --no-circum で外す)
  --mirror                 Mrror: 左右反転 (既定 --no-mirror)
  --auto-turn none|portrait|landscape
                           正立／倒立: 無し / 正立 / 倒立 (既定 none)
  --format AUTO|.bmp|.jpg  保存形式 (既定 AUTO); ほかの文字列はそのまま使われ, 何も書かれません
  --case none|lower|upper  CharaCase: ファイル名の大文字・小文字 (既定 none)
  --quality N              JPEG 圧縮率 35 .. 99 (既定 90)
  --progressive            プログレッシブ JPEG (既定 --no-progressive)
  --jobs N                 同時に変換する項目の数 1 .. 64 (既定 1); 出力は順に変換した場合と同じ
  --quiet                  進行状況を表示しない
  --help                   この説明

数値の小数点は "." です。値は --name VALUE または --name=VALUE で指定します。
進行状況は標準エラーに、"変換終了" は標準出力に出ます。
終了コード: 0 変換終了, 1 変換中の失敗 (失敗した項目で終了し, それより前の出力は残る),
            2 オプション・リストの誤り (何も読み書きしない)。
)";
}

}  // namespace corvane
