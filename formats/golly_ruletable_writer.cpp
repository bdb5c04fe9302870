#include "formats/golly_ruletable_writer.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "core/symmetry.h"

namespace formats {

namespace {

// Position order of a ruletable line after the centre: N, NE, E, SE, S, SW, W, NW.
constexpr int kLineOrder[8] = {1, 2, 5, 8, 7, 6, 3, 0};

void AppendNumber(std::string& out, int value) { out += std::to_string(value); }

}  // namespace

// Canonical means no image under the group reads lexicographically smaller (NW first),
// which is the same as having the smallest index.
bool IsGollyCanonicalBlock(core::RuleSymmetry symmetry, const core::Neighborhood& digits) {
    for (int t = 1; t < core::kTransformCount; ++t) {
        if (!core::IsTransformInSymmetry(symmetry, t)) continue;
        const auto& perm = core::kSymmetryTransforms[t];
        for (int j = 0; j < 9; ++j) {
            const std::uint8_t image = digits[perm[j]];
            if (image < digits[j]) return false;
            if (image > digits[j]) break;
        }
    }
    return true;
}

// Next index at or after `from` whose entry is not 0; most tables are mostly zero.
std::uint64_t NextNonZeroEntry(const std::uint8_t* data, std::uint64_t from, std::uint64_t size) {
    std::uint64_t i = from;
    while (i < size && (i & 7) != 0) {
        if (data[i] != 0) return i;
        ++i;
    }
    while (i + 8 <= size) {
        std::uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        if (word != 0) break;
        i += 8;
    }
    while (i < size && data[i] == 0) ++i;
    return i;
}

bool IsGollyExportableSymmetry(core::RuleSymmetry symmetry) {
    return symmetry == core::kSymmetryC1 || symmetry == core::kSymmetryC4 ||
           symmetry == core::kSymmetryD8;
}

void AppendGollyTransitionLine(std::string& out, const core::Neighborhood& digits, int newState) {
    AppendNumber(out, digits[4]);
    for (int k = 0; k < 8; ++k) {
        out += k == 0 ? ' ' : ',';
        AppendNumber(out, digits[kLineOrder[k]]);
    }
    out += ' ';
    AppendNumber(out, newState);
    out += '\n';
}

void AppendGollyDefaultBlock(std::string& out, int stateCount, int anyStateCount) {
    if (anyStateCount <= 0) {
        out += "var a1={";
        for (int s = 0; s < stateCount; ++s) {
            if (s > 0) out += ',';
            AppendNumber(out, s);
        }
        out += "}\n";
    }
    for (int i = std::max(2, anyStateCount + 1); i <= 9; ++i) {
        out += "var a";
        AppendNumber(out, i);
        out += "=a1\n";
    }
    out += "a1 a2,a3,a4,a5,a6,a7,a8,a9 0\n";
}

std::string BuildPlainGollyRuletable(const core::Rule& rule) {
    if (!IsGollyExportableSymmetry(rule.symmetry))
        throw std::runtime_error("Golly ruletable export does not support the selected symmetry.");
    const int n = rule.stateCount;
    std::string out = "n_states:" + std::to_string(n) + "\nneighborhood:Moore\nsymmetries:";
    out += core::SymmetryGollyName(rule.symmetry);
    out += "\n\n";
    const std::uint64_t size = std::min<std::uint64_t>(rule.table.size(), core::RuleTableSize(n));
    if (size > 0 && rule.table[0] == 0) AppendGollyTransitionLine(out, core::Neighborhood{}, 0);
    const std::uint8_t* data = rule.table.data();
    for (std::uint64_t i = NextNonZeroEntry(data, 0, size); i < size; i = NextNonZeroEntry(data, i + 1, size)) {
        const core::Neighborhood digits = core::DecodeNeighborhoodIndex(i, n);
        if (IsGollyCanonicalBlock(rule.symmetry, digits)) AppendGollyTransitionLine(out, digits, data[i]);
    }
    out += '\n';
    AppendGollyDefaultBlock(out, n, 0);
    return out;
}

}  // namespace formats
