#include "app/shard_check.h"

#include <limits.h>
#include <stdlib.h>

#include <cstdint>
#include <functional>
#include <unordered_map>

#include "app/entry_conversion.h"
#include "app/file_identity.h"
#include "imaging/errors.h"

namespace corvane {

namespace {

struct TNamed {
    std::string Source, Output;  // identities; Output empty when nothing is written
};

}  // namespace

void CheckShardsIndependent(const std::vector<std::string>& list, const TConversionSettings& settings,
                            int shardCount) {
    if (shardCount <= 1) return;
    TFileIdentities names;
    const int count = static_cast<int>(list.size());
    const auto named = [&](int i) {
        const TEntryJob job = PrepareEntry(list[static_cast<std::size_t>(i)], i, count, settings);
        const TOutputTarget target = EntryOutputTarget(job, settings);
        return TNamed{names.Of(job.SourcePath),
                      target.Writer == TWriterKind::None ? std::string() : names.Of(target.Path)};
    };
    const auto refuse = [](int a, int b, const std::string& what) {
        throw ECorvaneError("--shard: 項目 " + std::to_string(a + 1) + " と " + std::to_string(b + 1) + what +
                            "; 別の分担の項目なので, 分けると一度に変換した結果と変わります");
    };
    // Each output by its hash to the last entry writing it; every entry
    // writing one file is then in one shard. A hit is confirmed by the names
    // themselves, so a collision refuses nothing, and the list's names are
    // not all held at once.
    std::unordered_map<std::uint64_t, int> writers;
    for (int i = 0; i < count; ++i) {
        const std::string output = named(i).Output;
        if (output.empty()) continue;
        const auto [it, first] = writers.emplace(std::hash<std::string>{}(output), i);
        if (first) continue;
        const int earlier = it->second;
        if (named(earlier).Output != output) continue;
        if (earlier % shardCount != i % shardCount)
            refuse(earlier, i, " は同じファイル " + output + " に書き込みます");
        it->second = i;
    }
    for (int i = 0; i < count; ++i) {
        const std::string source = named(i).Source;
        const auto it = writers.find(std::hash<std::string>{}(source));
        if (it == writers.end() || it->second % shardCount == i % shardCount) continue;
        if (named(it->second).Output == source)
            refuse(std::min(i, it->second), std::max(i, it->second),
                   ": 項目 " + std::to_string(i + 1) + " は項目 " + std::to_string(it->second + 1) +
                       " が書くファイル " + source + " を読みます");
    }
}

}  // namespace corvane
