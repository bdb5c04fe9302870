#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>

#include "formats/session_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const formats::SessionSnapshot s = formats::ParseSession(std::span<const std::uint8_t>(data, size));
        // What the reader accepts the editor must be able to use, and write back.
        if (s.stateCount < 2 || s.stateCount > 16 || s.symmetry >= 8 || s.patterns.empty() || s.selectedTab < 0 ||
            static_cast<std::size_t>(s.selectedTab) > s.patterns.size())
            __builtin_trap();
        for (const auto& [coord, chunk] : s.sourceGrid.Chunks()) {
            std::uint32_t live = 0;
            for (const std::uint8_t cell : chunk.cells) {
                if (cell >= s.stateCount) __builtin_trap();
                live += cell != 0;
            }
            if (live == 0 || live != chunk.liveCount) __builtin_trap();
        }
        for (const formats::SessionPatternRecord& p : s.patterns)
            if (p.kind == formats::kSessionConstraintTab)
                for (const formats::ConstraintEntry& e : p.entries)
                    for (const formats::ConstraintSlot& slot : e.slots)
                        if (slot.isVariable && (slot.variable < 0 ||
                                                static_cast<std::size_t>(slot.variable) >= p.variables.size()))
                            __builtin_trap();
        const formats::SessionSnapshot again = formats::ParseSession(formats::SerializeSession(s));
        if (again.patterns.size() != s.patterns.size() || again.ruleEntries != s.ruleEntries ||
            again.ruleEntriesKeepCentre != s.ruleEntriesKeepCentre) __builtin_trap();
    } catch (const std::runtime_error&) {
    }
    return 0;
}
