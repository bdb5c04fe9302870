#include "formats/golly_ruletable_writer.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "core/symmetry.h"
#include "formats/golly_class_count.h"

namespace formats {

namespace {

// Position order of a ruletable line after the centre: N, NE, E, SE, S, SW, W, NW.
constexpr int kLineOrder[8] = {1, 2, 5, 8, 7, 6, 3, 0};

// Exports write up to billions of numbers, nearly all below 100.
char* WriteNumber(char* p, int value) {
    if (value < 0 || value >= 100) {
        const std::string text = std::to_string(value);
        return std::copy(text.begin(), text.end(), p);
    }
    if (value >= 10) *p++ = static_cast<char>('0' + value / 10);
    *p++ = static_cast<char>('0' + value % 10);
    return p;
}

void AppendNumber(std::string& out, int value) {
    char buffer[16];
    out.append(buffer, WriteNumber(buffer, value));
}

// "var a1" to "var a9" and the catch-all line.
constexpr std::uint64_t kDefaultBlockLines = 10;

// One line per class whose next state is not `0`, or, with `otherThanCentre`, not the
// centre's own state; in ascending order of their canonical index. Runs of n^4 indices share
// their top five digits, the centre among them.
void AppendClasses(std::string& out, const core::Rule& rule, std::uint64_t size, bool otherThanCentre) {
    const int n = rule.stateCount;
    const auto states = static_cast<std::uint64_t>(n);
    const std::uint64_t run = states * states * states * states;
    const std::uint8_t* data = rule.table.data();
    const GollyCanonicalTest canonical(rule.symmetry);
    // The last four digits of each offset within a run, looked up rather than divided out.
    std::vector<std::array<std::uint8_t, 4>> lowDigits(static_cast<std::size_t>(run));
    for (std::uint64_t offset = 1; offset < run; ++offset) {
        auto& d = lowDigits[static_cast<std::size_t>(offset)];
        d = lowDigits[static_cast<std::size_t>(offset - 1)];
        for (int j = 3; j >= 0 && ++d[j] == n; --j) d[j] = 0;
    }
    for (std::uint64_t start = 0; start < size; start += run) {
        core::Neighborhood digits = core::DecodeNeighborhoodIndex(start, n);
        const std::uint8_t skipped = otherThanCentre ? digits[4] : 0;
        const std::uint64_t end = std::min(size, start + run);
        for (std::uint64_t i = NextEntryOtherThan(data, start, end, skipped); i < end;
             i = NextEntryOtherThan(data, i + 1, end, skipped)) {
            const auto& low = lowDigits[static_cast<std::size_t>(i - start)];
            std::copy(low.begin(), low.end(), digits.begin() + 5);
            if (canonical(digits)) AppendGollyTransitionLine(out, digits, data[i]);
        }
    }
}

}  // namespace

GollyCanonicalTest::GollyCanonicalTest(core::RuleSymmetry symmetry) {
    for (int t = 1; t < core::kTransformCount; ++t)
        if (core::IsTransformInSymmetry(symmetry, t)) transforms_[count_++] = static_cast<std::uint8_t>(t);
}

// Canonical means no image under the group reads lexicographically smaller (NW first),
// which is the same as having the smallest index.
bool GollyCanonicalTest::operator()(const core::Neighborhood& digits) const {
    for (int k = 0; k < count_; ++k) {
        const auto& perm = core::kSymmetryTransforms[transforms_[k]];
        for (int j = 0; j < 9; ++j) {
            const std::uint8_t image = digits[perm[j]];
            if (image < digits[j]) return false;
            if (image > digits[j]) break;
        }
    }
    return true;
}

bool IsGollyCanonicalBlock(core::RuleSymmetry symmetry, const core::Neighborhood& digits) {
    return GollyCanonicalTest(symmetry)(digits);
}

// Next index at or after `from` whose entry is not `value`; most tables are mostly one value
// over long stretches.
std::uint64_t NextEntryOtherThan(const std::uint8_t* data, std::uint64_t from, std::uint64_t size, std::uint8_t value) {
    std::uint64_t i = from;
    while (i < size && (i & 7) != 0) {
        if (data[i] != value) return i;
        ++i;
    }
    const std::uint64_t repeated = value * 0x0101010101010101ull;
    while (i + 8 <= size) {
        std::uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        if (word != repeated) break;
        i += 8;
    }
    while (i < size && data[i] == value) ++i;
    return i;
}

std::uint64_t NextNonZeroEntry(const std::uint8_t* data, std::uint64_t from, std::uint64_t size) {
    return NextEntryOtherThan(data, from, size, 0);
}

bool IsGollyExportableSymmetry(core::RuleSymmetry symmetry) {
    return symmetry == core::kSymmetryC1 || symmetry == core::kSymmetryC4 ||
           symmetry == core::kSymmetryD8;
}

void AppendGollyTransitionLine(std::string& out, const core::Neighborhood& digits, int newState) {
    char buffer[64];
    char* p = WriteNumber(buffer, digits[4]);
    for (int k = 0; k < 8; ++k) {
        *p++ = k == 0 ? ' ' : ',';
        p = WriteNumber(p, digits[kLineOrder[k]]);
    }
    *p++ = ' ';
    p = WriteNumber(p, newState);
    *p++ = '\n';
    out.append(buffer, p);
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
    const SymmetryClassCounts classes = CountSymmetryClasses(rule);
    const bool zeroLine = size > 0 && rule.table[0] == 0;
    const bool listChanges = classes.changed < classes.nonZero + (zeroLine ? 1 : 0) + kDefaultBlockLines;
    // Lines of up to 9 one-digit states, or two-digit ones, with their separators.
    out.reserve(out.size() + 400 + (listChanges ? classes.changed : classes.nonZero) * (n <= 10 ? 20 : 29));
    if (listChanges) {
        out += "# Neighbourhoods not listed keep their centre state.\n";
        AppendClasses(out, rule, size, true);
        return out;
    }
    if (zeroLine) AppendGollyTransitionLine(out, core::Neighborhood{}, 0);
    AppendClasses(out, rule, size, false);
    out += '\n';
    AppendGollyDefaultBlock(out, n, 0);
    return out;
}

}  // namespace formats
