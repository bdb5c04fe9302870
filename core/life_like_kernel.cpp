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

std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// `count` cells (at most 64) into one word; the rest of the word is 0.
std::uint64_t PackCells(const std::uint8_t* cells, int count) {
    if (count >= kWordCells) {
        std::uint64_t word = 0;
        for (int j = 0; j < 8; ++j) word |= Load64(cells + 8 * j) << j;
        return word;
    }
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

// The first `count` cells of a word, one byte each.
void UnpackCells(std::uint64_t word, int count, std::uint8_t* out) {
    if (count >= kWordCells) {
        for (int j = 0; j < 8; ++j) {
            const std::uint64_t bytes = (word >> j) & kLowBits;
            std::memcpy(out + 8 * j, &bytes, sizeof bytes);
        }
        return;
    }
    for (int j = 0; 8 * j < count; ++j) {
        const std::uint64_t bytes = (word >> j) & kLowBits;
        std::memcpy(out + 8 * j, &bytes, static_cast<std::size_t>(std::min(8, count - 8 * j)));
    }
}

// s ? b : a, bit by bit.
inline std::uint64_t Mux(std::uint64_t s, std::uint64_t a, std::uint64_t b) { return a ^ ((a ^ b) & s); }

// The next state as a function of the centre and the live count of the 3x3 block including it
// (0..9): all ones where the state is 1 for that count.
struct CountMasks {
    std::uint64_t dead[10];
    std::uint64_t flip[10];  // dead ^ live
};

CountMasks MasksFor(const LifeLikeRule& rule) {
    CountMasks m{};
    for (int total = 0; total <= 9; ++total) {
        const bool born = total <= 8 && (rule.birth >> total & 1);
        const bool kept = total >= 1 && (rule.survive >> (total - 1) & 1);
        m.dead[total] = born ? ~std::uint64_t{0} : 0;
        m.flip[total] = born != kept ? ~std::uint64_t{0} : 0;
    }
    return m;
}

// One band of window rows (rows + 2 of them), `words` words wide: centre[i] holds a word's cells,
// left[i] the cell before it at bit 0, right[i] the cell after it at bit 63.
struct Band {
    std::uint64_t centre[kBandWords];
    std::uint64_t left[kBandWords];
    std::uint64_t right[kBandWords];
    std::uint64_t sum0[kBandWords];  // each cell with its west and east neighbours, low bit
    std::uint64_t sum1[kBandWords];  // and high bit
    std::uint64_t next[kBandRows * kStripWords];
};

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
        std::uint64_t leaf[10];
        for (int k = 0; k < 10; ++k) leaf[k] = m.dead[k] ^ (m.flip[k] & live);
        const std::uint64_t low = Mux(t2, Mux(t1, Mux(t0, leaf[0], leaf[1]), Mux(t0, leaf[2], leaf[3])),
                                      Mux(t1, Mux(t0, leaf[4], leaf[5]), Mux(t0, leaf[6], leaf[7])));
        b.next[i] = Mux(t3, low, Mux(t0, leaf[8], leaf[9]));
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
            // Window rows y0 .. y0 + rows + 1; word k starts at the window column of output column x0 + 64k.
            for (int r = 0; r < rows + 2; ++r) {
                const std::uint8_t* row = window + static_cast<std::ptrdiff_t>(y0 + r) * stride;
                for (int k = 0; k < words; ++k) {
                    const int first = x0 + 1 + k * kWordCells;
                    const int i = r * words + k;
                    band.centre[i] = PackCells(row + first, std::min(kWordCells, width - first));
                    band.left[i] = row[first - 1];
                    band.right[i] = first + kWordCells < width ? std::uint64_t{row[first + kWordCells]} << 63 : 0;
                }
            }
            RowSums(band, (rows + 2) * words);
            NextStates(band, rows * words, words, masks);
            for (int r = 0; r < rows; ++r) {
                std::uint8_t* out = result + static_cast<std::ptrdiff_t>(y0 + r) * outWidth + x0;
                for (int k = 0; k < words; ++k)
                    UnpackCells(band.next[r * words + k], std::min(kWordCells, cells - k * kWordCells),
                                out + k * kWordCells);
            }
        }
    }
}

}  // namespace core
