#include "formats/golly_ruletable_expand.h"

#include <utility>
#include <bit>
#include <cstring>

#include "core/rule_table.h"
#include "core/symmetry.h"

namespace formats::golly {

namespace {

constexpr int kMaxTransforms = core::kTransformCount;

// Cells of one line that vary together: a variable (every place it is named takes the same
// value) or a literal set of several states.
struct Group {
    std::int32_t variable = -1;
    int occurrences = 0;
    std::uint32_t slotMask = 0;  // cell slots 0..8 it fills
    const std::uint8_t* values = nullptr;
    std::uint32_t valueCount = 0;
    std::array<std::uint64_t, kMaxTransforms> weight{};  // index step per unit of value
};

class Expander {
public:
    Expander(const Transitions& transitions, std::uint8_t* table, std::uint64_t* assigned)
        : t_(transitions), table_(table), assigned_(assigned),
          transformCount_(static_cast<int>(transitions.transforms.size())) {
        const auto n = static_cast<std::uint64_t>(t_.stateCount);
        std::array<std::uint64_t, 9> place{};
        std::uint64_t p = 1;
        for (int j = 8; j >= 0; --j) {
            place[j] = p;
            p *= n;
        }
        // A transformed block's new position j holds old position perm[j], so the old slot
        // perm[j] contributes with the place value of j.
        for (int k = 0; k < transformCount_; ++k) {
            const auto& perm = core::kSymmetryTransforms[t_.transforms[k]];
            for (int j = 0; j < 9; ++j) slotWeight_[k][perm[j]] = place[j];
        }
    }

    void Run() {
        for (const Line& line : t_.lines) ExpandLine(line);
    }

private:
    void ExpandLine(const Line& line) {
        groupCount_ = 0;
        std::array<std::uint64_t, kMaxTransforms> base{};
        literalSetCount_ = 0;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const Token& token = line[slot];
            if (token.variable >= 0) {
                Group& g = GroupOf(token.variable);
                ++g.occurrences;
                if (slot < 9) g.slotMask |= 1u << slot;
            } else if (slot < 9) {
                if (std::has_single_bit(token.mask)) {
                    const auto state = static_cast<std::uint64_t>(std::countr_zero(token.mask));
                    for (int k = 0; k < transformCount_; ++k) base[k] += state * slotWeight_[k][slot];
                } else {
                    Group& g = groups_[groupCount_++];
                    g = Group{};
                    g.slotMask = 1u << slot;
                    g.values = LiteralValues(token.mask, g.valueCount);
                }
            }
        }

        // The new state: a variable named among the cells takes its value there; anything
        // else means its smallest member.
        const Token& out = line[9];
        outGroup_ = -1;
        fixedOut_ = static_cast<std::uint8_t>(std::countr_zero(out.mask));
        if (out.variable >= 0) {
            fixedOut_ = static_cast<std::uint8_t>(
                std::countr_zero(t_.variables[static_cast<std::size_t>(out.variable)].mask));
        }

        // A variable only in the new state fills no cell.
        int kept = 0;
        for (int i = 0; i < groupCount_; ++i)
            if (groups_[i].slotMask != 0) groups_[kept++] = groups_[i];
        groupCount_ = kept;

        // Golly walks the variables named more than once outermost, the name that sorts last
        // varying slowest. The order decides which combination wins an index that two of
        // them reach through different symmetry images.
        auto isBound = [](const Group& g) { return g.variable >= 0 && g.occurrences >= 2; };
        auto before = [&](const Group& a, const Group& b) {
            const bool boundA = isBound(a), boundB = isBound(b);
            if (boundA != boundB) return boundA;
            return boundA && NameOf(a) > NameOf(b);
        };
        // Insertion sort: stable, and at most nine groups.
        for (int i = 1; i < groupCount_; ++i)
            for (int j = i; j > 0 && before(groups_[j], groups_[j - 1]); --j) std::swap(groups_[j], groups_[j - 1]);
        for (int i = 0; i < groupCount_; ++i) {
            Group& g = groups_[i];
            if (out.variable >= 0 && g.variable == out.variable) outGroup_ = i;
            for (int k = 0; k < transformCount_; ++k) {
                std::uint64_t w = 0;
                for (std::uint32_t m = g.slotMask; m != 0; m &= m - 1)
                    w += slotWeight_[k][std::countr_zero(m)];
                g.weight[k] = w;
            }
        }
        Walk(0, base, fixedOut_);
    }

    void Walk(int depth, const std::array<std::uint64_t, kMaxTransforms>& acc, std::uint8_t out) {
        if (depth == groupCount_) {
            for (int k = 0; k < transformCount_; ++k) {
                const std::uint64_t index = acc[k];
                std::uint64_t& word = assigned_[index >> 6];
                const std::uint64_t bit = std::uint64_t{1} << (index & 63);
                if ((word & bit) == 0) {
                    word |= bit;
                    table_[index] = out;
                }
            }
            return;
        }
        const Group& g = groups_[depth];
        std::array<std::uint64_t, kMaxTransforms> next;
        for (std::uint32_t v = 0; v < g.valueCount; ++v) {
            const std::uint8_t state = g.values[v];
            for (int k = 0; k < transformCount_; ++k) next[k] = acc[k] + state * g.weight[k];
            Walk(depth + 1, next, depth == outGroup_ ? state : out);
        }
    }

    Group& GroupOf(std::int32_t variable) {
        for (int i = 0; i < groupCount_; ++i)
            if (groups_[i].variable == variable) return groups_[i];
        Group& g = groups_[groupCount_++];
        g = Group{};
        g.variable = variable;
        const Variable& v = t_.variables[static_cast<std::size_t>(variable)];
        g.values = t_.values.data() + v.valuesBegin;
        g.valueCount = v.valueCount;
        return g;
    }

    std::string_view NameOf(const Group& g) const {
        return t_.variables[static_cast<std::size_t>(g.variable)].name;
    }

    const std::uint8_t* LiteralValues(std::uint32_t mask, std::uint32_t& count) {
        std::uint8_t* values = literalSets_[literalSetCount_++].data();
        count = 0;
        for (; mask != 0; mask &= mask - 1) values[count++] = static_cast<std::uint8_t>(std::countr_zero(mask));
        return values;
    }

    const Transitions& t_;
    std::uint8_t* table_;
    std::uint64_t* assigned_;
    int transformCount_;
    std::array<std::array<std::uint64_t, 9>, kMaxTransforms> slotWeight_{};
    std::array<std::array<std::uint8_t, core::kMaxStateCount>, kSlotCount> literalSets_{};
    int literalSetCount_ = 0;
    std::array<Group, kSlotCount> groups_{};
    int groupCount_ = 0;
    int outGroup_ = -1;
    std::uint8_t fixedOut_ = 0;
};

// Golly leaves a neighbourhood that no line covers unchanged.
void FillWithCentre(std::uint8_t* table, int stateCount) {
    const auto n = static_cast<std::uint64_t>(stateCount);
    const std::uint64_t below = n * n * n * n;  // positions after the centre: E, SW, S, SE
    const std::uint64_t above = below;          // NW, N, NE, W
    std::uint8_t* p = table;
    for (std::uint64_t hi = 0; hi < above; ++hi) {
        for (std::uint64_t c = 0; c < n; ++c) {
            std::memset(p, static_cast<int>(c), static_cast<std::size_t>(below));
            p += below;
        }
    }
}

}  // namespace

void ExpandTransitions(const Transitions& transitions, std::uint8_t* table,
                       std::vector<std::uint64_t>& assigned) {
    FillWithCentre(table, transitions.stateCount);
    Expander(transitions, table, assigned.data()).Run();
}

}  // namespace formats::golly
