// The arithmetic of a count rule on words of cells, for any vector of 64-bit words: shared by the
// two-state window step and the tile kernels. Internal linkage, so that each instruction set's
// kernels keep a copy of their own and none leaks into the rest of the program.
#pragma once

#include "core/life_tile.h"

namespace {

// LifeTileRule's words, each repeated across the lanes of V.
template <class V>
struct CountWords {
    V base[4], baseFlip[4], step[4], stepFlip[4];
    V eight, eightFlip;

    explicit CountWords(const core::LifeTileRule& rule) {
        for (int p = 0; p < 4; ++p) {
            base[p] = V{} + rule.base[p];
            baseFlip[p] = V{} + rule.baseFlip[p];
            step[p] = V{} + rule.step[p];
            stepFlip[p] = V{} + rule.stepFlip[p];
        }
        eight = V{} + rule.eight;
        eightFlip = V{} + rule.eightFlip;
    }
};

// s ? b : a, bit by bit.
template <class V>
[[gnu::always_inline]] inline V MuxBits(V s, V a, V b) {
    return a ^ ((a ^ b) & s);
}

// The next state of each cell of `live` from two-bit sums: of the row above and of the row below,
// each cell counted with its west and east neighbours (a, d), and of the cell's own west and east
// neighbours (c). With kLife the rule is taken to be B3/S23, whose test is four operations instead
// of some thirty.
template <bool kLife, class V>
[[gnu::always_inline]] inline V NextByCounts(V a0, V a1, V c0, V c1, V d0, V d1, V live, const CountWords<V>& m) {
    // Three two-bit sums added into n3..n0.
    const V x0 = a0 ^ c0, x1 = a1 ^ c1;
    const V n0 = x0 ^ d0, carry0 = (a0 & c0) | (x0 & d0);
    const V s1 = x1 ^ d1, m1 = (a1 & c1) | (x1 & d1);
    const V n1 = s1 ^ carry0, carry1 = s1 & carry0;
    const V n2 = m1 ^ carry1, n3 = m1 & carry1;
    if constexpr (kLife) {
        return n1 & (n0 | live) & ~(n2 | n3);
    } else {
        V pair[4];
        for (int p = 0; p < 4; ++p)
            pair[p] = m.base[p] ^ (m.baseFlip[p] & live) ^ ((m.step[p] ^ (m.stepFlip[p] & live)) & n0);
        const V low = MuxBits(n2, MuxBits(n1, pair[0], pair[1]), MuxBits(n1, pair[2], pair[3]));
        return MuxBits(n3, low, m.eight ^ (m.eightFlip & live));
    }
}

}  // namespace
