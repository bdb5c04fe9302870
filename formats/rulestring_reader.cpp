#include "formats/rulestring_reader.h"

#include <array>
#include <cstdint>

#include "core/symmetry.h"
#include "formats/golly_ruletree.h"
#include "formats/rulestring.h"

namespace formats {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Which Hensel configurations (by their index in HenselConfigurations()) one half names.
using ConfigurationSet = std::array<bool, kHenselConfigurationCount>;

std::optional<ConfigurationSet> ParseHalf(std::string_view text) {
    const auto& configurations = HenselConfigurations();
    ConfigurationSet set{};
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] < '0' || text[i] > '8') return std::nullopt;
        const int count = text[i++] - '0';
        const bool except = i < text.size() && text[i] == '-';
        if (except) ++i;
        std::array<bool, 128> letters{};
        bool anyLetter = false;
        for (; i < text.size() && Lower(text[i]) >= 'a' && Lower(text[i]) <= 'z'; ++i) {
            letters[static_cast<unsigned char>(Lower(text[i]))] = true;
            anyLetter = true;
        }
        if (except && !anyLetter) return std::nullopt;
        int known = 0;
        for (std::size_t k = 0; k < configurations.size(); ++k) {
            const HenselConfiguration& c = configurations[k];
            if (c.count != count) continue;
            const bool named = c.letter != 0 && letters[static_cast<unsigned char>(c.letter)];
            known += named;
            if (!anyLetter || named != except) set[k] = true;
        }
        int given = 0;
        for (bool b : letters) given += b;
        if (known != given) return std::nullopt;  // a letter this count does not have
    }
    return set;
}

std::optional<core::Rule> ParseBirthSurvival(std::string_view text) {
    const auto slash = text.find_first_of("/_");
    if (slash == std::string_view::npos || text.find_first_of("/_", slash + 1) != std::string_view::npos)
        return std::nullopt;
    std::string_view first = text.substr(0, slash), second = text.substr(slash + 1);
    std::string_view birth, survival;
    const char a = first.empty() ? 0 : Lower(first[0]), b = second.empty() ? 0 : Lower(second[0]);
    if (a == 'b' && b == 's') {
        birth = first.substr(1), survival = second.substr(1);
    } else if (a == 's' && b == 'b') {
        survival = first.substr(1), birth = second.substr(1);
    } else {
        // Golly's older form: survival digits, then birth digits, no letters.
        for (std::string_view half : {first, second})
            for (char c : half)
                if (c < '0' || c > '8') return std::nullopt;
        survival = first, birth = second;
    }
    const auto born = ParseHalf(birth), survives = ParseHalf(survival);
    if (!born || !survives) return std::nullopt;
    core::Rule rule{2, core::kSymmetryD8, core::RuleTable(512, 0)};
    const auto& configurations = HenselConfigurations();
    for (std::size_t k = 0; k < configurations.size(); ++k)
        for (std::uint8_t centre : {0, 1})
            if ((centre ? *survives : *born)[k])
                for (std::uint64_t i : core::NeighborhoodOrbit(
                         core::kSymmetryD8, 2, HenselNeighborhood(configurations[k].neighbors, centre)))
                    rule.table[i] = 1;
    return rule;
}

std::optional<core::Rule> ParseMap(std::string_view text) {
    static constexpr std::string_view kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    constexpr std::size_t kCharacters = 86;
    if (text.size() == kCharacters + 2 && text.substr(kCharacters) == "==") text = text.substr(0, kCharacters);
    if (text.size() != kCharacters) return std::nullopt;
    core::Rule rule{2, core::kSymmetryC1, core::RuleTable(512, 0)};
    for (std::size_t c = 0; c < kCharacters; ++c) {
        const auto value = kAlphabet.find(text[c]);
        if (value == std::string_view::npos) return std::nullopt;
        for (std::size_t bit = 0; bit < 6 && 6 * c + bit < 512; ++bit)
            rule.table[6 * c + bit] = static_cast<std::uint8_t>((value >> (5 - bit)) & 1);
    }
    rule.symmetry = LargestInvariantSymmetry(rule.table, 2);
    return rule;
}

}  // namespace

std::optional<core::Rule> ParseRulestring(std::string_view text) {
    if (text.starts_with("MAP")) return ParseMap(text.substr(3));
    return ParseBirthSurvival(text);
}

}  // namespace formats
