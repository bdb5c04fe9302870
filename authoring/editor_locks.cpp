// The memory a load's lock records and generations need.
#include <algorithm>

#include "authoring/editor.h"
#include "formats/session_file.h"

namespace authoring {

namespace {

// A computed generation holds a grid, a history and a lineage, each a handle on a shared chunk
// map that exists even when empty: about 110 bytes apiece with the allocator's overhead.
constexpr std::uint64_t kGenerationHandleBytes = 3 * 112;

}  // namespace

std::uint64_t SessionLoadWorkingBytes(const formats::SessionSnapshot& session, std::uint32_t maxGeneration,
                                      int lookahead) {
    const std::uint64_t entryCount = core::RuleTableSize(session.stateCount);
    const std::uint64_t tabRecords = GenerationLocks::MinimumBytes(entryCount);
    // The chain's running union, the undefined list's union and the lock step's scratch bits,
    // and the canonical index memo up to five states.
    std::uint64_t bytes = 3 * PackedLockTable::MinimumBytes(entryCount);
    if (entryCount <= PackedLockTable::kDenseLimit) bytes += entryCount * sizeof(std::uint32_t);
    const std::size_t tabs = session.patterns.size();
    if (tabs == 0) return bytes;
    const auto driving = std::min(static_cast<std::size_t>(std::max(session.selectedTab, 0)), tabs - 1);
    std::uint64_t drivingGenerations = 0;
    std::uint64_t otherGenerations = 0;
    for (std::size_t i = 0; i < tabs; ++i) {
        const formats::SessionPatternRecord& record = session.patterns[i];
        if (record.kind == formats::kSessionConstraintTab) {
            bytes += tabRecords;
            continue;
        }
        const std::uint64_t target = std::max<std::uint64_t>(std::min(record.generationTarget, maxGeneration), 1);
        if (i == driving)
            drivingGenerations = std::max(target, std::uint64_t{std::min(record.currentGeneration, maxGeneration)} +
                                                      static_cast<std::uint64_t>(std::max(lookahead, 0)));
        else
            otherGenerations = std::max(otherGenerations, target);
    }
    // The viewed tab keeps its generations; each other one is computed beside it, then dropped.
    return bytes + 2 * tabRecords + (drivingGenerations + otherGenerations) * kGenerationHandleBytes;
}

}  // namespace authoring
