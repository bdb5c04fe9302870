#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// One next state per neighbourhood index; an empty table means no rule is loaded.
using RuleTable = std::vector<std::uint8_t>;
using RuleSymmetry = std::uint8_t;

// Digits of a neighbourhood in position order NW, N, NE, W, C, E, SW, S, SE.
using Neighborhood = std::array<std::uint8_t, 9>;

inline constexpr int kMinStateCount = 2;
inline constexpr int kMaxStateCount = 16;

struct Rule {
    int stateCount = 0;
    RuleSymmetry symmetry = 0;
    RuleTable table;
};

// stateCount^9, the number of neighbourhoods.
std::uint64_t RuleTableSize(int stateCount);

std::uint64_t NeighborhoodIndex(const Neighborhood& digits, int stateCount);
Neighborhood DecodeNeighborhoodIndex(std::uint64_t index, int stateCount);

// The digits of index 0, 1, 2, ... in turn, for a pass over a whole table: cheaper than decoding
// every index afresh, and a caller that keeps a sum over the digits updates it from the few
// that move.
class NeighborhoodCounter {
public:
    explicit NeighborhoodCounter(int stateCount) : stateCount_(stateCount) {}
    const Neighborhood& Digits() const { return digits_; }
    // On to the next index; moved(position, before, after) hears of each digit that changes.
    template <class Moved>
    void Next(Moved&& moved) {
        for (std::size_t k = digits_.size(); k-- > 0;) {
            const int before = digits_[k];
            const int after = before + 1 == stateCount_ ? 0 : before + 1;
            digits_[k] = static_cast<std::uint8_t>(after);
            moved(static_cast<int>(k), before, after);
            if (after != 0) return;
        }
    }

private:
    int stateCount_;
    Neighborhood digits_{};
};

std::string FormatByteSize(std::uint64_t bytes);

// MemAvailable of /proc/meminfo, or nothing when it cannot be read.
std::optional<std::uint64_t> QueryAvailableMemory();

using MemoryQuery = std::function<std::optional<std::uint64_t>()>;

// Makes `out` hold stateCount^9 zero bytes after checking the machine has room for them
// plus `extraBytes` of the caller's working memory. Throws std::runtime_error naming
// `purpose` when it does not. Callers allocate into a fresh vector and install it once filled.
void AllocateRuleTable(RuleTable& out, int stateCount, std::string_view purpose,
                       std::uint64_t extraBytes, const MemoryQuery& availableMemory);
void AllocateRuleTable(RuleTable& out, int stateCount, std::string_view purpose,
                       std::uint64_t extraBytes);

}  // namespace core
