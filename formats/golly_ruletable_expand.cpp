#include "formats/golly_ruletable_expand.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "core/rule_table.h"
#include "formats/golly_ruletable_permute.h"

namespace formats::golly {

namespace {

using Masks = std::array<std::uint32_t, 9>;

// A variable named more than once in a line: every place it is named takes the same value.
struct Binding {
    std::int32_t variable = -1;
    std::uint32_t slotMask = 0;  // cell slots 0..8 it fills
    const std::uint8_t* values = nullptr;
    std::uint32_t valueCount = 0;
};

class Expander {
public:
    Expander(const Transitions& transitions, std::uint8_t* table, std::uint64_t* assigned)
        : t_(transitions), table_(table), assigned_(assigned),
          place_(t_.places), arrangements_(t_.places, t_.permutedSlots, table, assigned) {}

    void Run() {
        for (const Line& line : t_.lines) ExpandLine(line);
    }

private:
    void ExpandLine(const Line& line) {
        // Count how often each variable is named, the new state included.
        bindingCount_ = 0;
        std::array<int, kSlotCount> occurrences{};
        std::array<std::int32_t, kSlotCount> seen{};
        int seenCount = 0;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const std::int32_t v = line[slot].variable;
            if (v < 0) continue;
            int i = 0;
            while (i < seenCount && seen[i] != v) ++i;
            if (i == seenCount) seen[seenCount++] = v;
            ++occurrences[i];
        }
        for (int i = 0; i < seenCount; ++i) {
            if (occurrences[i] < 2) continue;
            Binding& b = bindings_[bindingCount_++];
            const Variable& var = t_.variables[static_cast<std::size_t>(seen[i])];
            b = Binding{seen[i], 0, t_.values.data() + var.valuesBegin, var.valueCount};
            for (int slot = 0; slot < 9; ++slot)
                if (line[slot].variable == seen[i]) b.slotMask |= 1u << slot;
        }
        // Golly walks the bound variables with the name that sorts last varying slowest. The
        // order decides which binding wins an index that two of them reach through different
        // images. Insertion sort: at most nine of them.
        for (int i = 1; i < bindingCount_; ++i)
            for (int j = i; j > 0 && NameOf(bindings_[j]) > NameOf(bindings_[j - 1]); --j)
                std::swap(bindings_[j], bindings_[j - 1]);

        // The new state: a bound variable takes its value; anything else means its smallest member.
        const Token& out = line[kSlotCount - 1];
        outBinding_ = -1;
        for (int i = 0; i < bindingCount_; ++i)
            if (out.variable >= 0 && bindings_[i].variable == out.variable) outBinding_ = i;
        for (int j = 0; j < 9; ++j) masks_[j] = line[j].mask;
        Bind(0, static_cast<std::uint8_t>(std::countr_zero(out.mask)));
    }

    void Bind(int depth, std::uint8_t out) {
        if (depth == bindingCount_) {
            if (t_.permute) {
                arrangements_.Write(masks_, out);
            } else {
                WriteImages(out);
            }
            return;
        }
        const Binding& b = bindings_[depth];
        for (std::uint32_t v = 0; v < b.valueCount; ++v) {
            const std::uint8_t state = b.values[v];
            for (std::uint32_t m = b.slotMask; m != 0; m &= m - 1) masks_[std::countr_zero(m)] = 1u << state;
            Bind(depth + 1, depth == outBinding_ ? state : out);
        }
    }

    // Each image of one binding covers the product of its slots' state sets; an image inside
    // one already written adds nothing, since a binding has one new state.
    void WriteImages(std::uint8_t out) {
        int kept = 0;
        for (const SlotPermutation& perm : t_.images) {
            Masks image;
            for (int j = 0; j < 9; ++j) image[j] = masks_[perm[j]];
            bool covered = false;
            for (int k = 0; k < kept && !covered; ++k) {
                covered = true;
                for (int j = 0; j < 9 && covered; ++j) covered = (image[j] & ~written_[k][j]) == 0;
            }
            if (covered) continue;
            written_[kept++] = image;
            WriteProduct(image, out);
        }
    }

    // Every index whose slots hold states of `image`, in ascending order so that the table
    // and the bit set are walked forwards. Trailing slots that allow every state make runs of
    // consecutive indices, assigned a bit-set word at a time.
    void WriteProduct(const Masks& image, std::uint8_t out) {
        const std::uint32_t every = (1u << t_.stateCount) - 1;
        int last = 8;
        run_ = 1;
        while (last >= 0 && (place_[last] == 0 || image[last] == every)) {
            if (place_[last] != 0) run_ *= static_cast<std::uint64_t>(t_.stateCount);
            --last;
        }
        std::uint64_t base = 0;
        varyingCount_ = 0;
        for (int j = 0; j <= last; ++j) {
            std::uint32_t m = image[j];
            if (std::has_single_bit(m)) {
                base += static_cast<std::uint64_t>(std::countr_zero(m)) * place_[j];
                continue;
            }
            Varying& v = varying_[varyingCount_++];
            v.count = 0;
            for (; m != 0; m &= m - 1) v.steps[v.count++] = std::countr_zero(m) * place_[j];
        }
        out_ = out;
        Enumerate(0, base);
    }

    void Enumerate(int depth, std::uint64_t index) {
        if (depth == varyingCount_) {
            AssignRun(index);
            return;
        }
        const Varying& v = varying_[depth];
        if (depth + 1 == varyingCount_ && run_ == 1) {
            for (int i = 0; i < v.count; ++i) Assign(index + v.steps[i]);
            return;
        }
        for (int i = 0; i < v.count; ++i) Enumerate(depth + 1, index + v.steps[i]);
    }

    void Assign(std::uint64_t index) {
        std::uint64_t& word = assigned_[index >> 6];
        const std::uint64_t bit = std::uint64_t{1} << (index & 63);
        if ((word & bit) == 0) {
            word |= bit;
            table_[index] = out_;
        }
    }

    // Indices [first, first + run_): only the ones no earlier line reached are written.
    void AssignRun(std::uint64_t first) {
        const std::uint64_t end = first + run_;
        for (std::uint64_t i = first; i < end;) {
            const unsigned offset = static_cast<unsigned>(i & 63);
            const std::uint64_t count = std::min<std::uint64_t>(64 - offset, end - i);
            const std::uint64_t mask = (count == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1) << offset;
            std::uint64_t& word = assigned_[i >> 6];
            std::uint8_t* row = table_ + (i - offset);
            for (std::uint64_t fresh = ~word & mask; fresh != 0; fresh &= fresh - 1)
                row[std::countr_zero(fresh)] = out_;
            word |= mask;
            i += count;
        }
    }

    std::string_view NameOf(const Binding& b) const {
        return t_.variables[static_cast<std::size_t>(b.variable)].name;
    }

    struct Varying {
        std::array<std::uint64_t, 16> steps{};
        int count = 0;
    };

    const Transitions& t_;
    std::uint8_t* table_;
    std::uint64_t* assigned_;
    std::array<std::uint64_t, 9> place_;
    ArrangementWriter arrangements_;
    std::array<Binding, kSlotCount> bindings_{};
    int bindingCount_ = 0;
    int outBinding_ = -1;
    Masks masks_{};
    std::array<Masks, kMaxImages> written_{};
    std::array<Varying, 9> varying_{};
    int varyingCount_ = 0;
    std::uint64_t run_ = 1;
    std::uint8_t out_ = 0;
};

// Golly leaves a neighbourhood that no line covers unchanged. Runs of entries as long as the
// centre's step share their centre.
void FillWithCentre(std::uint8_t* table, std::uint64_t size, std::uint64_t centreStep, int stateCount) {
    const auto n = static_cast<std::uint64_t>(stateCount);
    for (std::uint64_t start = 0, k = 0; start < size; start += centreStep, ++k)
        std::memset(table + start, static_cast<int>(k % n), static_cast<std::size_t>(centreStep));
}

}  // namespace

std::uint64_t ExpandedTableSize(const Transitions& transitions) {
    return *std::max_element(transitions.places.begin(), transitions.places.end()) *
           static_cast<std::uint64_t>(transitions.stateCount);
}

void ExpandTransitions(const Transitions& transitions, std::uint8_t* table,
                       std::vector<std::uint64_t>& assigned) {
    FillWithCentre(table, ExpandedTableSize(transitions), transitions.places[4], transitions.stateCount);
    Expander(transitions, table, assigned.data()).Run();
}

// Moore blocks in runs of n^4 (E, SW, S, SE varying): a run's entries depend only on the
// cells read among its first five slots, so each distinct run is built once and copied.
void BroadcastNeighborhoodTable(const std::uint8_t* expanded, const std::array<std::uint64_t, 9>& places,
                                int stateCount, std::uint8_t* table) {
    const auto n = static_cast<std::uint64_t>(stateCount);
    const std::uint64_t run = n * n * n * n;
    std::unordered_map<std::uint64_t, const std::uint8_t*> built;
    std::array<std::uint64_t, 5> digit{};
    std::uint8_t* out = table;
    for (std::uint64_t prefix = 0; prefix < run * n; ++prefix, out += run) {
        std::uint64_t from = 0;
        for (int j = 0; j < 5; ++j) from += digit[j] * places[j];
        for (int j = 4; j >= 0 && ++digit[j] == n; --j) digit[j] = 0;
        const auto [it, fresh] = built.emplace(from, out);
        if (!fresh) {
            std::memcpy(out, it->second, static_cast<std::size_t>(run));
            continue;
        }
        std::uint8_t* p = out;
        for (std::uint64_t e = 0; e < n; ++e)
            for (std::uint64_t sw = 0; sw < n; ++sw)
                for (std::uint64_t s = 0; s < n; ++s)
                    for (std::uint64_t se = 0; se < n; ++se)
                        *p++ = expanded[from + e * places[5] + sw * places[6] + s * places[7] + se * places[8]];
    }
}

}  // namespace formats::golly
