#include "formats/rulestring.h"

#include <stdexcept>
#include <string_view>

#include "core/symmetry.h"

namespace formats {

namespace {

constexpr std::array<HenselConfiguration, kHenselConfigurationCount> kConfigurations = {{
    {0, 0, 0b00000000},
    {1, 'c', 0b01000000},
    {1, 'e', 0b10000000},
    {2, 'a', 0b11000000},
    {2, 'c', 0b01010000},
    {2, 'e', 0b10100000},
    {2, 'i', 0b10001000},
    {2, 'k', 0b10010000},
    {2, 'n', 0b01000100},
    {3, 'a', 0b11100000},
    {3, 'c', 0b01010100},
    {3, 'e', 0b10101000},
    {3, 'i', 0b11000001},
    {3, 'j', 0b11000010},
    {3, 'k', 0b10100100},
    {3, 'n', 0b11010000},
    {3, 'q', 0b11000100},
    {3, 'r', 0b11001000},
    {3, 'y', 0b10010100},
    {4, 'a', 0b11110000},
    {4, 'c', 0b01010101},
    {4, 'e', 0b10101010},
    {4, 'i', 0b11011000},
    {4, 'j', 0b11001010},
    {4, 'k', 0b11010010},
    {4, 'n', 0b11010001},
    {4, 'q', 0b11100100},
    {4, 'r', 0b11101000},
    {4, 't', 0b11001001},
    {4, 'w', 0b11000110},
    {4, 'y', 0b11010100},
    {4, 'z', 0b11001100},
    {5, 'a', 0b11110001},
    {5, 'c', 0b11101010},
    {5, 'e', 0b11010101},
    {5, 'i', 0b11111000},
    {5, 'j', 0b11110100},
    {5, 'k', 0b11010110},
    {5, 'n', 0b11110010},
    {5, 'q', 0b11101100},
    {5, 'r', 0b11011100},
    {5, 'y', 0b11011010},
    {6, 'a', 0b11111100},
    {6, 'c', 0b11111010},
    {6, 'e', 0b11110101},
    {6, 'i', 0b11011101},
    {6, 'k', 0b11110110},
    {6, 'n', 0b11101110},
    {7, 'c', 0b11111110},
    {7, 'e', 0b11111101},
    {8, 0, 0b11111111},
}};

// Neighbourhood positions of N, NE, E, SE, S, SW, W, NW.
constexpr std::array<int, 8> kNeighborPositions = {1, 2, 5, 8, 7, 6, 3, 0};

void RequireTwoStates(const core::Rule& rule) {
    if (rule.stateCount != 2 || rule.table.size() != 512)
        throw std::runtime_error(
            "Hensel and MAP export are only supported for 2-state rules. Use ruletable export "
            "for this multistate rule.");
}

void AppendHalf(std::string& out, const core::Rule& rule, char lead, std::uint8_t centre) {
    out += lead;
    std::size_t next = 0;
    for (int k = 0; k <= 8; ++k) {
        std::string present;
        std::string absent;
        for (; next < kConfigurations.size() && kConfigurations[next].count == k; ++next) {
            const HenselConfiguration& c = kConfigurations[next];
            const bool on =
                rule.table[core::NeighborhoodIndex(HenselNeighborhood(c.neighbors, centre), 2)] != 0;
            if (c.letter == 0) {
                if (on) out += static_cast<char>('0' + k);
            } else {
                (on ? present : absent) += c.letter;
            }
        }
        if (present.empty()) continue;
        out += static_cast<char>('0' + k);
        if (absent.empty()) continue;
        if (present.size() > absent.size()) {
            out += '-';
            out += absent;
        } else {
            out += present;
        }
    }
}

}  // namespace

const std::array<HenselConfiguration, kHenselConfigurationCount>& HenselConfigurations() {
    return kConfigurations;
}

core::Neighborhood HenselNeighborhood(std::uint8_t neighbors, std::uint8_t centre) {
    core::Neighborhood digits{};
    digits[4] = centre;
    for (int i = 0; i < 8; ++i) digits[kNeighborPositions[i]] = (neighbors >> (7 - i)) & 1;
    return digits;
}

std::string BuildHenselRulestring(const core::Rule& rule) {
    RequireTwoStates(rule);
    std::string out;
    AppendHalf(out, rule, 'B', 0);
    out += '/';
    AppendHalf(out, rule, 'S', 1);
    return out;
}

std::string BuildMapRulestring(const core::Rule& rule) {
    RequireTwoStates(rule);
    static constexpr std::string_view kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out = "MAP";
    // 512 bits make 85 full characters and 2 bits left over, padded with four zero bits.
    for (int first = 0; first < 512; first += 6) {
        unsigned value = 0;
        for (int i = first; i < first + 6; ++i) value = (value << 1) | (i < 512 && rule.table[i] != 0);
        out += kAlphabet[value];
    }
    return out;
}

std::string BuildRulestring(const core::Rule& rule) {
    return rule.symmetry == core::kSymmetryD8 ? BuildHenselRulestring(rule) : BuildMapRulestring(rule);
}

}  // namespace formats
