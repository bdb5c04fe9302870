#include "core/rule_table.h"

#include <cstdio>
#include <fstream>
#include <new>
#include <stdexcept>

#include "core/huge_pages.h"

namespace core {

std::uint64_t RuleTableSize(int stateCount) {
    std::uint64_t size = 1;
    for (int i = 0; i < 9; ++i) size *= static_cast<std::uint64_t>(stateCount);
    return size;
}

std::uint64_t NeighborhoodIndex(const Neighborhood& digits, int stateCount) {
    std::uint64_t index = 0;
    for (std::uint8_t d : digits) index = index * static_cast<std::uint64_t>(stateCount) + d;
    return index;
}

Neighborhood DecodeNeighborhoodIndex(std::uint64_t index, int stateCount) {
    Neighborhood digits{};
    const auto n = static_cast<std::uint64_t>(stateCount);
    for (int k = 8; k >= 0; --k) {
        digits[k] = static_cast<std::uint8_t>(index % n);
        index /= n;
    }
    return digits;
}

std::string FormatByteSize(std::uint64_t bytes) {
    static constexpr const char* kUnits[] = {"B", "KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024.0 && unit < 4) {
        value *= 0.0009765625;
        ++unit;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, unit == 0 ? "%.0f %s" : "%.1f %s", value, kUnits[unit]);
    return buffer;
}

std::optional<std::uint64_t> QueryAvailableMemory() {
    std::ifstream in("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0;
    std::string unit;
    while (in >> key >> kib) {
        std::getline(in, unit);
        if (key == "MemAvailable:") return kib * 1024;
    }
    return std::nullopt;
}

namespace {

std::string MemoryMessage(int stateCount, std::string_view purpose, std::uint64_t needed,
                          std::uint64_t extraBytes, std::optional<std::uint64_t> available) {
    std::string text = "Tavrix does not have enough memory available for ";
    text += purpose;
    text += ".\n\nState count: " + std::to_string(stateCount);
    text += "\nEstimated rule table memory: " + FormatByteSize(RuleTableSize(stateCount));
    if (extraBytes != 0)
        text += "\nEstimated additional working memory: " + FormatByteSize(extraBytes);
    text += "\nEstimated minimum needed right now: " + FormatByteSize(needed);
    if (available) text += "\nCurrently available system memory: " + FormatByteSize(*available);
    text += "\n\nTry closing other memory-heavy applications, reducing the state count, or "
            "importing/loading a smaller rule.";
    return text;
}

}  // namespace

void AllocateRuleTable(RuleTable& out, int stateCount, std::string_view purpose,
                       std::uint64_t extraBytes, const MemoryQuery& availableMemory) {
    const std::uint64_t tableBytes = RuleTableSize(stateCount);
    constexpr std::uint64_t kHeadroom = 268435456;
    const std::uint64_t needed = tableBytes + kHeadroom + extraBytes;
    if (const auto available = availableMemory(); available && needed > *available)
        throw std::runtime_error(MemoryMessage(stateCount, purpose, needed, extraBytes, available));
    try {
        // Reserved, advised, then cleared, so that the first touch already gets huge pages.
        RuleTable().swap(out);
        out.reserve(static_cast<std::size_t>(tableBytes));
        AdviseHugePages(out.data(), static_cast<std::size_t>(tableBytes));
        out.resize(static_cast<std::size_t>(tableBytes), 0);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(
            MemoryMessage(stateCount, purpose, needed, extraBytes, availableMemory()));
    } catch (const std::length_error&) {
        throw std::runtime_error(
            MemoryMessage(stateCount, purpose, needed, extraBytes, availableMemory()));
    }
}

void AllocateRuleTable(RuleTable& out, int stateCount, std::string_view purpose,
                       std::uint64_t extraBytes) {
    AllocateRuleTable(out, stateCount, purpose, extraBytes, QueryAvailableMemory);
}

}  // namespace core
