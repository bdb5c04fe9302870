#include "formats/golly_neighborhood.h"

#include <algorithm>

#include "core/symmetry.h"

namespace formats::golly {

namespace {

// Golly's cell orders: each goes once round the centre (clockwise from N, or W then E).
constexpr std::uint8_t kMooreCells[] = {1, 2, 5, 8, 7, 6, 3, 0};  // N NE E SE S SW W NW
constexpr std::uint8_t kVonNeumannCells[] = {1, 5, 7, 3};        // N E S W
constexpr std::uint8_t kHexagonalCells[] = {1, 5, 8, 7, 3, 0};    // N E SE S W NW
constexpr std::uint8_t kOneDimensionalCells[] = {3, 5};           // W E

enum Neighbourhoods { kMoore, kVonNeumann, kHexagonal, kOneDimensional, kNeighborhoodCount };

constexpr Neighborhood kNeighborhoods[kNeighborhoodCount] = {
    {"Moore", kMooreCells},
    {"vonNeumann", kVonNeumannCells},
    {"hexagonal", kHexagonalCells},
    {"oneDimensional", kOneDimensionalCells},
};

// A generator on the cells in Golly's order: new cell i takes old cell (i + shift) mod m,
// or, mirrored, old cell (shift - i) mod m.
struct Generator {
    int shift = 0;
    bool mirror = false;
};

struct SymmetryEntry {
    int neighborhood;
    std::string_view name;
    std::array<Generator, 2> generators;
    int generatorCount;
    bool permute;
    core::RuleSymmetry editorGroup;
};

constexpr core::RuleSymmetry kC1 = core::kSymmetryC1, kC2 = core::kSymmetryC2, kC4 = core::kSymmetryC4;
constexpr core::RuleSymmetry kD8 = core::kSymmetryD8;
constexpr core::RuleSymmetry kD2Orthogonal = core::kSymmetryD2Orthogonal;
constexpr core::RuleSymmetry kD4Orthogonal = core::kSymmetryD4Orthogonal, kD4Diagonal = core::kSymmetryD4Diagonal;
constexpr Generator kMirror{0, true};

// Editor groups: cells a neighbourhood ignores may be moved freely, so a one-dimensional rule
// is symmetric under the top-bottom mirror, and a hexagonal one under any square symmetry
// that keeps the two ignored corners NE and SW as a pair. Moore's "reflect" is read as
// "reflect_horizontal".
constexpr SymmetryEntry kSymmetries[] = {
    {kMoore, "none", {}, 0, false, kC1},
    {kMoore, "rotate4", {{{2, false}}}, 1, false, kC4},
    {kMoore, "rotate8", {{{1, false}}}, 1, false, kC4},
    {kMoore, "reflect", {{kMirror}}, 1, false, kC1},
    {kMoore, "reflect_horizontal", {{kMirror}}, 1, false, kC1},
    {kMoore, "rotate4reflect", {{{2, false}, kMirror}}, 2, false, kD8},
    {kMoore, "rotate8reflect", {{{1, false}, kMirror}}, 2, false, kD8},
    {kMoore, "permute", {}, 0, true, kD8},
    {kVonNeumann, "none", {}, 0, false, kC1},
    {kVonNeumann, "rotate4", {{{1, false}}}, 1, false, kC4},
    {kVonNeumann, "rotate4reflect", {{{1, false}, kMirror}}, 2, false, kD8},
    {kVonNeumann, "reflect_horizontal", {{kMirror}}, 1, false, kC1},
    {kVonNeumann, "permute", {}, 0, true, kD8},
    {kHexagonal, "none", {}, 0, false, kC1},
    {kHexagonal, "rotate2", {{{3, false}}}, 1, false, kC2},
    {kHexagonal, "rotate3", {{{2, false}}}, 1, false, kC1},
    {kHexagonal, "rotate6", {{{1, false}}}, 1, false, kC2},
    {kHexagonal, "rotate6reflect", {{{1, false}, kMirror}}, 2, false, kD4Diagonal},
    {kHexagonal, "permute", {}, 0, true, kD4Diagonal},
    {kOneDimensional, "none", {}, 0, false, kD2Orthogonal},
    {kOneDimensional, "reflect", {{{1, false}}}, 1, false, kD4Orthogonal},
    {kOneDimensional, "permute", {}, 0, true, kD4Orthogonal},
};

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view lower) {
    return a.size() == lower.size() && std::equal(a.begin(), a.end(), lower.begin(),
                                                  [](char x, char y) { return LowerAscii(x) == y; });
}

constexpr SlotPermutation kIdentity = {0, 1, 2, 3, 4, 5, 6, 7, 8};

SlotPermutation ToSlots(std::span<const std::uint8_t> cells, Generator g) {
    SlotPermutation perm = kIdentity;
    const int m = static_cast<int>(cells.size());
    for (int i = 0; i < m; ++i) {
        const int from = ((g.mirror ? g.shift - i : g.shift + i) % m + m) % m;
        perm[cells[static_cast<std::size_t>(i)]] = cells[static_cast<std::size_t>(from)];
    }
    return perm;
}

// Applying `second` after `first`.
SlotPermutation Compose(const SlotPermutation& first, const SlotPermutation& second) {
    SlotPermutation out{};
    for (int j = 0; j < 9; ++j) out[j] = first[second[j]];
    return out;
}

}  // namespace

const Neighborhood* FindNeighborhood(std::string_view lowerName) {
    for (const Neighborhood& n : kNeighborhoods)
        if (EqualsNoCase(n.name, lowerName)) return &n;
    return nullptr;
}

bool IsSymmetryName(std::string_view lowerName) {
    return std::any_of(std::begin(kSymmetries), std::end(kSymmetries),
                       [&](const SymmetryEntry& e) { return e.name == lowerName; });
}

bool FindSymmetry(const Neighborhood& neighborhood, std::string_view lowerName, Symmetry& out) {
    const auto which = static_cast<int>(&neighborhood - kNeighborhoods);
    for (const SymmetryEntry& e : kSymmetries) {
        if (e.neighborhood != which || e.name != lowerName) continue;
        out = Symmetry{{kIdentity}, e.permute, e.editorGroup};
        // The group the generators span, by closing the list under them.
        for (std::size_t done = 0; done < out.permutations.size(); ++done) {
            for (int g = 0; g < e.generatorCount; ++g) {
                const Generator generator = e.generators[static_cast<std::size_t>(g)];
                const SlotPermutation next = Compose(out.permutations[done], ToSlots(neighborhood.cells, generator));
                if (std::find(out.permutations.begin(), out.permutations.end(), next) == out.permutations.end())
                    out.permutations.push_back(next);
            }
        }
        return true;
    }
    return false;
}

}  // namespace formats::golly
