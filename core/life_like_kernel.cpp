#include "core/life_like_kernel.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

namespace core {

namespace {

static_assert(std::endian::native == std::endian::little, "cells are packed from bytes loaded little-endian");

// Cells live in words of 64 laid out byte-transposed: cell x of a word sits at bit 8 * (x % 8) + x / 8.
// Eight bytes of cells then pack with one shift and one OR and unpack with one shift and one AND.
constexpr int kWordCells = 64;
constexpr std::uint64_t kLowBits = 0x0101010101010101;
// Output words per strip and output rows per band: the stages below keep one band in about 25 kB.
constexpr int kStripWords = 8;
constexpr int kBandRows = 64;
constexpr int kBandWords = (kBandRows + 2) * kStripWords;

// Two words side by side. The compiler's generic vectors, not intrinsics: one SSE2 register on
// x86-64, plain 64-bit halves where there is no such register.
using WordPair = std::uint64_t __attribute__((vector_size(16)));

std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

WordPair LoadPair(const std::uint8_t* p) {
    WordPair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// 64 cells into one word. Each 16-byte load holds eight-cell groups 2m and 2m + 1.
std::uint64_t PackWord(const std::uint8_t* cells) {
    const WordPair groups = LoadPair(cells) | LoadPair(cells + 16) << 2 | LoadPair(cells + 32) << 4 |
                            LoadPair(cells + 48) << 6;
    return groups[0] | groups[1] << 1;
}

// `count` cells (fewer than 64) into one word; the rest of the word is 0.
std::uint64_t PackPartialWord(const std::uint8_t* cells, int count) {
    std::uint64_t word = 0;
    int j = 0;
    for (; 8 * j + 8 <= count; ++j) word |= Load64(cells + 8 * j) << j;
    if (8 * j < count) {
        std::uint64_t tail = 0;
        std::memcpy(&tail, cells + 8 * j, static_cast<std::size_t>(count - 8 * j));
        word |= tail << j;
    }
    return word;
}

// Two rows' 64 cells into a word each, sharing the final shuffles.
WordPair PackWordPair(const std::uint8_t* top, const std::uint8_t* bottom) {
    const WordPair a = LoadPair(top) | LoadPair(top + 16) << 2 | LoadPair(top + 32) << 4 | LoadPair(top + 48) << 6;
    const WordPair b =
        LoadPair(bottom) | LoadPair(bottom + 16) << 2 | LoadPair(bottom + 32) << 4 | LoadPair(bottom + 48) << 6;
    return __builtin_shufflevector(a, b, 0, 2) | __builtin_shufflevector(a, b, 1, 3) << 1;
}

void UnpackWord(std::uint64_t word, std::uint8_t* out) {
    WordPair groups = {word, word >> 1};
    const WordPair low = {kLowBits, kLowBits};
    for (int m = 0; m < 4; ++m, groups >>= 2) {
        const WordPair bytes = groups & low;
        std::memcpy(out + 16 * m, &bytes, sizeof bytes);
    }
}

// The first `count` cells (fewer than 64) of a word.
void UnpackPartialWord(std::uint64_t word, int count, std::uint8_t* out) {
    for (int j = 0; 8 * j < count; ++j) {
        const std::uint64_t bytes = (word >> j) & kLowBits;
        std::memcpy(out + 8 * j, &bytes, static_cast<std::size_t>(std::min(8, count - 8 * j)));
    }
}

// s ? b : a, bit by bit.
inline std::uint64_t Mux(std::uint64_t s, std::uint64_t a, std::uint64_t b) { return a ^ ((a ^ b) & s); }

// The next state as a function of the centre and the live count T of the 3x3 block including it
// (0..9), taken two counts at a time: for T = 2p + t0 it is
// base[p] ^ (baseFlip[p] & live) ^ ((step[p] ^ (stepFlip[p] & live)) & t0). Each term is all ones or
// all zeros.
struct CountMasks {
    std::uint64_t base[5], baseFlip[5], step[5], stepFlip[5];
};

CountMasks MasksFor(const LifeLikeRule& rule) {
    auto ones = [](bool on) { return on ? ~std::uint64_t{0} : 0; };
    auto born = [&](int total) { return total <= 8 && (rule.birth >> total & 1); };
    auto kept = [&](int total) { return total >= 1 && (rule.survive >> (total - 1) & 1); };
    CountMasks m;
    for (int p = 0; p < 5; ++p) {
        const int even = 2 * p, odd = 2 * p + 1;
        m.base[p] = ones(born(even));
        m.baseFlip[p] = ones(born(even) != kept(even));
        m.step[p] = ones(born(even) != born(odd));
        m.stepFlip[p] = ones((born(even) != kept(even)) != (born(odd) != kept(odd)));
    }
    return m;
}

// One band of window rows (rows + 2 of them), `words` words wide, row after row: centre[i] holds a
// word's cells, left[i] the cell before it at bit 0, right[i] the cell after it at bit 63.
struct Band {
    std::uint64_t centre[kBandWords];
    std::uint64_t left[kBandWords];
    std::uint64_t right[kBandWords];
    std::uint64_t sum0[kBandWords];  // each cell with its west and east neighbours, low bit
    std::uint64_t sum1[kBandWords];  // and high bit
    std::uint64_t next[kBandRows * kStripWords];
};

// Window rows from `rows` on, word k from column x0 + 1 + 64k.
void PackBand(Band& b, const std::uint8_t* rows, int stride, int width, int x0, int words, int windowRows) {
    for (int k = 0; k < words; ++k) {
        const int first = x0 + 1 + k * kWordCells;
        const int count = width - first;  // cells from `first` to the window's right edge
        const std::uint8_t* cells = rows + first;
        auto at = [&](int r) { return cells + static_cast<std::ptrdiff_t>(r) * stride; };
        int r = 0;
        if (count >= kWordCells)
            for (; r + 1 < windowRows; r += 2) {
                const WordPair pair = PackWordPair(at(r), at(r + 1));
                b.centre[r * words + k] = pair[0];
                b.centre[(r + 1) * words + k] = pair[1];
            }
        for (; r < windowRows; ++r)
            b.centre[r * words + k] = count >= kWordCells ? PackWord(at(r)) : PackPartialWord(at(r), count);
        for (r = 0; r < windowRows; ++r) {
            b.left[r * words + k] = at(r)[-1];
            b.right[r * words + k] = count > kWordCells ? std::uint64_t{at(r)[kWordCells]} << 63 : 0;
        }
    }
}

// `cells` cells of each of `rows` rows of next states, rows `outWidth` apart.
void UnpackBand(const Band& b, int rows, int words, int cells, std::uint8_t* out, int outWidth) {
    const int full = cells / kWordCells, tail = cells % kWordCells;
    for (int r = 0; r < rows; ++r, out += outWidth) {
        const std::uint64_t* next = b.next + r * words;
        for (int k = 0; k < full; ++k) UnpackWord(next[k], out + k * kWordCells);
        if (tail) UnpackPartialWord(next[full], tail, out + full * kWordCells);
    }
}

// Each row's three-cell sums. Separate from the vertical sums so that every row's is computed once
// and the loops run over whole bands, where the compiler can do two words per instruction.
void RowSums(Band& b, int count) {
    for (int i = 0; i < count; ++i) {
        const std::uint64_t c = b.centre[i];
        const std::uint64_t w = (c << 8) | ((c >> 55) & 0xFE) | b.left[i];
        const std::uint64_t e = (c >> 8) | ((c << 55) & 0x7F00000000000000) | b.right[i];
        const std::uint64_t we = w ^ e;
        b.sum0[i] = we ^ c;
        b.sum1[i] = (w & e) | (we & c);
    }
}

// The next state of `count` words from the row sums of the rows above, at and below them.
void NextStates(Band& b, int count, int words, const CountMasks& m) {
    for (int i = 0; i < count; ++i) {
        const std::uint64_t a0 = b.sum0[i], a1 = b.sum1[i];
        const std::uint64_t c0 = b.sum0[i + words], c1 = b.sum1[i + words];
        const std::uint64_t d0 = b.sum0[i + 2 * words], d1 = b.sum1[i + 2 * words];
        // Three two-bit sums added into t3..t0.
        const std::uint64_t x0 = a0 ^ c0, x1 = a1 ^ c1;
        const std::uint64_t t0 = x0 ^ d0, carry0 = (a0 & c0) | (x0 & d0);
        const std::uint64_t s1 = x1 ^ d1, m1 = (a1 & c1) | (x1 & d1);
        const std::uint64_t t1 = s1 ^ carry0, carry1 = s1 & carry0;
        const std::uint64_t t2 = m1 ^ carry1, t3 = m1 & carry1;
        const std::uint64_t live = b.centre[i + words];
        std::uint64_t pair[5];
        for (int p = 0; p < 5; ++p)
            pair[p] = m.base[p] ^ (m.baseFlip[p] & live) ^ ((m.step[p] ^ (m.stepFlip[p] & live)) & t0);
        const std::uint64_t low = Mux(t2, Mux(t1, pair[0], pair[1]), Mux(t1, pair[2], pair[3]));
        b.next[i] = Mux(t3, low, pair[4]);
    }
}

}  // namespace

std::optional<LifeLikeRule> AsLifeLike(const Rule& rule) {
    if (rule.stateCount != 2 || rule.table.size() != 512 || rule.table[0] != 0) return std::nullopt;
    std::uint16_t seen[2] = {0, 0}, on[2] = {0, 0};
    for (unsigned index = 0; index < 512; ++index) {
        const std::uint8_t next = rule.table[index];
        if (next > 1) return std::nullopt;
        const unsigned centre = index >> 4 & 1;
        const auto bit = static_cast<std::uint16_t>(1u << std::popcount(index & 0x1EFu));
        if ((seen[centre] & bit) && ((on[centre] & bit) != 0) != (next != 0)) return std::nullopt;
        seen[centre] |= bit;
        if (next) on[centre] |= bit;
    }
    return LifeLikeRule{on[0], on[1]};
}

void StepLifeLikeWindow(const LifeLikeRule& rule, int width, int height, int stride, const std::uint8_t* window,
                        std::uint8_t* result) {
    if (width < 3 || height < 3) return;
    const int outWidth = width - 2, outHeight = height - 2;
    const CountMasks masks = MasksFor(rule);
    Band band;
    for (int x0 = 0; x0 < outWidth; x0 += kStripWords * kWordCells) {
        const int cells = std::min(outWidth - x0, kStripWords * kWordCells);
        const int words = (cells + kWordCells - 1) / kWordCells;
        for (int y0 = 0; y0 < outHeight; y0 += kBandRows) {
            const int rows = std::min(outHeight - y0, kBandRows);
            PackBand(band, window + static_cast<std::ptrdiff_t>(y0) * stride, stride, width, x0, words, rows + 2);
            RowSums(band, (rows + 2) * words);
            NextStates(band, rows * words, words, masks);
            UnpackBand(band, rows, words, cells, result + static_cast<std::ptrdiff_t>(y0) * outWidth + x0, outWidth);
        }
    }
}

}  // namespace core
