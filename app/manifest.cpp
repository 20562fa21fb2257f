#include "app/manifest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>

#include "app/flat_json.h"
#include "app/sha256.h"
#include "imaging/errors.h"

namespace corvane {

namespace {

// Unsynced records are put on the disk at least this often.
constexpr std::chrono::seconds kSyncInterval{1};

bool WholeInteger(const std::string& text, std::int64_t& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    value = v;
    return true;
}

std::string Number(std::int64_t v) { return std::to_string(v); }

[[noreturn]] void Fail(const std::string& path, int error) {
    throw ECorvaneError("ファイル " + path + " に書き込めません: " + std::strerror(error));
}

}  // namespace

const char* StatusName(TEntryStatus status) {
    switch (status) {
        case TEntryStatus::Written:
            return "written";
        case TEntryStatus::Skipped:
            return "skipped";
        case TEntryStatus::Failed:
            break;
    }
    return "failed";
}

std::string ManifestLine(const TManifestRecord& r) {
    std::string line = "{\"index\":" + std::to_string(r.Index) + ",\"source\":";
    AppendJsonString(line, r.Source);
    line += ",\"output\":";
    AppendJsonString(line, r.Output);
    line += ",\"status\":";
    AppendJsonString(line, r.Status);
    line += ",\"reason\":";
    AppendJsonString(line, r.Reason);
    line += ",\"bytes\":" + std::to_string(r.Bytes) + ",\"sha256\":";
    if (r.Sha256.empty())
        line += "null";
    else
        AppendJsonString(line, r.Sha256);
    // Room for any double "%.3f" can print: nothing is cut off.
    char ms[400];
    std::snprintf(ms, sizeof ms, "%.3f", r.Milliseconds);
    line += std::string(",\"ms\":") + ms;
    line += ",\"source_size\":" + (r.SourceKnown ? Number(r.SourceSize) : "null");
    line += ",\"source_mtime_ns\":" + (r.SourceKnown ? Number(r.SourceMtimeNs) : "null");
    line += ",\"settings\":";
    AppendJsonString(line, r.Settings);
    return line + "}\n";
}

std::optional<TManifestRecord> ParseManifestLine(const std::string& line) {
    TManifestRecord r;
    int seen = 0;
    bool hasSize = false, hasTime = false;
    const bool ok =
        ParseFlatJsonObject(line, [&](const std::string& name, const std::string& value, bool isString) {
            std::int64_t n = 0;
            const bool isNull = !isString && value == "null";
            ++seen;
            if (name == "index") {
                if (isString || !WholeInteger(value, n) || n < 0 || n > INT32_MAX) return false;
                r.Index = static_cast<int>(n);
            } else if (name == "source" && isString) {
                r.Source = value;
            } else if (name == "output" && isString) {
                r.Output = value;
            } else if (name == "status" && isString) {
                r.Status = value;
            } else if (name == "reason" && isString) {
                r.Reason = value;
            } else if (name == "bytes") {
                if (isString || !WholeInteger(value, n) || n < 0) return false;
                r.Bytes = static_cast<std::uint64_t>(n);
            } else if (name == "sha256" && (isString || isNull)) {
                r.Sha256 = value == "null" && !isString ? "" : value;
            } else if (name == "ms" && !isString) {
                // A duration this program could have written: finite, not negative, under
                // about 30 years; anything else would not be written back the same.
                char* end = nullptr;
                r.Milliseconds = std::strtod(value.c_str(), &end);
                if (end != value.c_str() + value.size() || !(r.Milliseconds >= 0 && r.Milliseconds < 1e12))
                    return false;
            } else if (name == "source_size" && !isString) {
                hasSize = !isNull && WholeInteger(value, r.SourceSize);
            } else if (name == "source_mtime_ns" && !isString) {
                hasTime = !isNull && WholeInteger(value, r.SourceMtimeNs);
            } else if (name == "settings" && isString) {
                r.Settings = value;
            } else {
                --seen;  // a field of a later version
            }
            return true;
        });
    if (!ok || seen < 11 || r.Status.empty()) return std::nullopt;
    r.SourceKnown = hasSize && hasTime;
    return r;
}

TManifestWriter::TManifestWriter(const std::string& path, bool append) : path_(path) {
    fd_ =
        ::open(path.c_str(),
               (append ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND | O_CLOEXEC | (append ? 0 : O_TRUNC), 0666);
    if (fd_ < 0) throw ECorvaneError("ファイル " + path + " を作成できません: " + std::strerror(errno));
    lastSync_ = std::chrono::steady_clock::now();
    struct stat st {};
    if (append && ::fstat(fd_, &st) == 0 && st.st_size > 0) {
        // A line torn by a crash is closed, so the next record starts a line of its own.
        char last = '\n';
        if (::pread(fd_, &last, 1, st.st_size - 1) == 1 && last != '\n' && ::write(fd_, "\n", 1) != 1) {
            const int error = errno;
            ::close(fd_);
            fd_ = -1;
            Fail(path, error);
        }
    }
}

TManifestWriter::~TManifestWriter() {
    if (fd_ >= 0) {
        ::fdatasync(fd_);
        ::close(fd_);
    }
}

void TManifestWriter::Sync() {
    // EINVAL: a pipe or terminal (--manifest /dev/stdout), which has no disk to be on.
    if (::fdatasync(fd_) != 0 && errno != EINVAL) Fail(path_, errno);
    lastSync_ = std::chrono::steady_clock::now();
}

void TManifestWriter::Append(const TManifestRecord& record) {
    const std::string line = ManifestLine(record);
    // One write: with O_APPEND the line lands whole at the end, or not at all.
    const ssize_t n = ::write(fd_, line.data(), line.size());
    if (n < 0) Fail(path_, errno);
    if (static_cast<std::size_t>(n) != line.size()) Fail(path_, ENOSPC);
    // A written entry's record is as durable as its output; the others are
    // redone by a resumed run anyway, so they are synced only now and then.
    if (record.Status == StatusName(TEntryStatus::Written) ||
        std::chrono::steady_clock::now() - lastSync_ >= kSyncInterval)
        Sync();
}

void TManifestWriter::Close() {
    if (fd_ < 0) return;
    const int fd = fd_;
    fd_ = -1;
    const bool synced = ::fdatasync(fd) == 0 || errno == EINVAL;
    const int error = errno;
    if (::close(fd) != 0 || !synced) Fail(path_, synced ? errno : error);
}

std::optional<TSourceStamp> SourceStamp(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return TSourceStamp{static_cast<std::int64_t>(st.st_size),
                        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

namespace {

std::uint64_t PairKey(const std::string& source, const std::string& output) {
    return std::hash<std::string>{}(source + '\0' + output);
}

bool DigestFromHex(const std::string& hex, std::array<std::uint8_t, 32>& digest) {
    if (hex.size() != 64) return false;
    for (std::size_t i = 0; i < 32; ++i) {
        unsigned v = 0;
        for (std::size_t k = 0; k < 2; ++k) {
            const char c = hex[2 * i + k];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                v |= static_cast<unsigned>(c - 'a' + 10);
            else
                return false;
        }
        digest[i] = static_cast<std::uint8_t>(v);
    }
    return true;
}

}  // namespace

std::string TResumeRecords::Hex(const std::array<std::uint8_t, 32>& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const std::uint8_t b : digest) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

TResumeRecords TResumeRecords::Read(const std::string& path, const std::string& settingsDigest) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ECorvaneError("ファイル " + path + " は開けません: " + std::strerror(errno));
    TResumeRecords records;
    for (std::string line; std::getline(in, line);) {
        const std::optional<TManifestRecord> r = ParseManifestLine(line);
        if (!r) continue;
        const std::uint64_t key = PairKey(r->Source, r->Output);
        const bool done = r->Status == StatusName(TEntryStatus::Written) ||
                          (r->Status == StatusName(TEntryStatus::Skipped) && r->Reason == kResumedReason);
        TDone d;
        if (!done || !r->SourceKnown || r->Settings != settingsDigest ||
            !DigestFromHex(r->Sha256, d.Sha256)) {
            records.done_.erase(key);  // a later record that says otherwise counts
            continue;
        }
        d.Bytes = r->Bytes;
        d.Source = {r->SourceSize, r->SourceMtimeNs};
        records.done_[key] = d;
    }
    if (in.bad()) throw ECorvaneError("ファイル " + path + " は開けません: " + std::strerror(errno));
    return records;
}

std::optional<TResumeRecords::TDone> TResumeRecords::StillDone(const std::string& source,
                                                               const std::string& output) const {
    const auto it = done_.find(PairKey(source, output));
    if (it == done_.end()) return std::nullopt;
    const TDone& d = it->second;
    const std::optional<TSourceStamp> now = SourceStamp(source);
    if (!now || now->Size != d.Source.Size || now->MtimeNs != d.Source.MtimeNs) return std::nullopt;
    struct stat st {};
    if (::stat(output.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) != d.Bytes)
        return std::nullopt;
    try {
        if (FileSha256Hex(output) != Hex(d.Sha256)) return std::nullopt;
    } catch (...) {
        return std::nullopt;  // unreadable now: converted again
    }
    return d;
}

}  // namespace corvane
