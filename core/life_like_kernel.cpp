#include "core/life_like_kernel.h"

#include "core/byte_words.h"
#include "core/count_words.h"

#include <algorithm>
#include <array>
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
// Output rows per band; its window rows, two more, are packed once for each 64-cell column.
constexpr int kBandRows = 64;
// Rows go two at a time; an odd count fills one spare row, read but never written out.
constexpr int kColumnRows = kBandRows + 3;

// Two words side by side, most often the same column of two rows. The compiler's generic vectors,
// not intrinsics: one SSE2 register on x86-64, plain 64-bit halves where there is no such register.
using WordPair = std::uint64_t __attribute__((vector_size(16)));

constexpr WordPair Splat(std::uint64_t v) { return WordPair{v, v}; }

WordPair LoadPair(const void* p) {
    WordPair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

using Bytes16 = std::uint8_t __attribute__((vector_size(16)));

// Sixteen cells as bytes of 1 where the state is 1 and 0 elsewhere. With kManyStates false the
// window holds only 0s and 1s, which are loaded as they are; with it true other states (the
// Generations family's, which do not count) read as 0.
template <bool kManyStates>
WordPair LoadLive(const std::uint8_t* p) {
    if constexpr (!kManyStates) return LoadPair(p);
    Bytes16 v;
    std::memcpy(&v, p, sizeof v);
    const auto live = (v == 1) & 1;  // a vector of signed bytes, 0 or 1
    static_assert(sizeof live == sizeof(WordPair));
    WordPair words;
    std::memcpy(&words, &live, sizeof words);
    return words;
}

void StorePair(void* p, WordPair v) { std::memcpy(p, &v, sizeof v); }

// {a[0], b[0]} and {a[1], b[1]}: one shuffle each where the compiler has the builtin.
WordPair LowLanes(WordPair a, WordPair b) {
#if __has_builtin(__builtin_shufflevector)
    return __builtin_shufflevector(a, b, 0, 2);
#else
    return WordPair{a[0], b[0]};
#endif
}

WordPair HighLanes(WordPair a, WordPair b) {
#if __has_builtin(__builtin_shufflevector)
    return __builtin_shufflevector(a, b, 1, 3);
#else
    return WordPair{a[1], b[1]};
#endif
}

// Eight cells as LoadLive gives them: 0x01 bytes where the state is 1.
template <bool kManyStates>
std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (!kManyStates) return v;
    // A byte is 0 exactly where the state was 1.
    return ~NonZeroByteTops(v ^ kLowBits) >> 7 & kLowBits;
}

// Eight-cell groups 2m and 2m + 1 of two 64-cell rows, shifted into bits 2m and 2m + 1 of their
// bytes: the words of both rows.
template <bool kManyStates>
WordPair PackWordPair(const std::uint8_t* top, const std::uint8_t* bottom) {
    const WordPair a = LoadLive<kManyStates>(top) | LoadLive<kManyStates>(top + 16) << 2 |
                       LoadLive<kManyStates>(top + 32) << 4 | LoadLive<kManyStates>(top + 48) << 6;
    const WordPair b = LoadLive<kManyStates>(bottom) | LoadLive<kManyStates>(bottom + 16) << 2 |
                       LoadLive<kManyStates>(bottom + 32) << 4 | LoadLive<kManyStates>(bottom + 48) << 6;
    return LowLanes(a, b) | HighLanes(a, b) << 1;
}

// `count` cells (fewer than 64) into one word; the rest of the word is 0.
template <bool kManyStates>
std::uint64_t PackPartialWord(const std::uint8_t* cells, int count) {
    std::uint64_t word = 0;
    int j = 0;
    for (; 8 * j + 8 <= count; ++j) word |= Load64<kManyStates>(cells + 8 * j) << j;
    if (8 * j < count) {
        std::uint8_t tail[8] = {};
        std::memcpy(tail, cells + 8 * j, static_cast<std::size_t>(count - 8 * j));
        word |= Load64<kManyStates>(tail) << j;
    }
    return word;
}

// The 64 cells of a word given as {word, word >> 1}.
void UnpackWord(WordPair halves, std::uint8_t* out) {
    for (int m = 0; m < 4; ++m, halves >>= 2) StorePair(out + 16 * m, halves & Splat(kLowBits));
}

void UnpackPartialWord(WordPair halves, int count, std::uint8_t* out) {
    alignas(16) std::uint8_t cells[kWordCells];
    UnpackWord(halves, cells);
    std::memcpy(out, cells, static_cast<std::size_t>(count));
}

using CountMasks = CountWords<WordPair>;

// One 64-cell column of a band's window rows: each row's word, and the two bits of the sum of every
// cell's west and east neighbours, without (side) and with the cell itself (sum), computed once
// and read by the three output rows around it.
struct Column {
    std::uint64_t centre[kColumnRows];
    std::uint64_t side0[kColumnRows], side1[kColumnRows];
    std::uint64_t sum0[kColumnRows], sum1[kColumnRows];
};

// left holds the cell before each word at bit 0, right the cell after it at bit 63.
void StoreRowSums(Column& col, int r, WordPair centre, WordPair left, WordPair right) {
    const WordPair w = (centre << 8) | ((centre >> 55) & Splat(0xFE)) | left;
    const WordPair e = (centre >> 8) | ((centre << 55) & Splat(0x7F00000000000000)) | right;
    const WordPair we = w ^ e;
    StorePair(col.centre + r, centre);
    StorePair(col.side0 + r, we);
    StorePair(col.side1 + r, w & e);
    StorePair(col.sum0 + r, we ^ centre);
    StorePair(col.sum1 + r, (w & e) | (we & centre));
}

// `windowRows` rows from `cells`, each from its first cell to the window's right edge, `count`
// cells away (at least 2). Pairs of rows; an odd last row is paired with itself.
template <bool kManyStates>
void PackColumn(Column& col, const std::uint8_t* cells, int stride, int count, int windowRows) {
    const std::ptrdiff_t step = stride;
    auto edges = [](const std::uint8_t* top, const std::uint8_t* bottom) {
        return WordPair{top[-1] == 1, bottom[-1] == 1};
    };
    auto pack = [&](const std::uint8_t* top, const std::uint8_t* bottom) {
        if (count >= kWordCells) return PackWordPair<kManyStates>(top, bottom);
        return WordPair{PackPartialWord<kManyStates>(top, count), PackPartialWord<kManyStates>(bottom, count)};
    };
    auto right = [&](const std::uint8_t* top, const std::uint8_t* bottom) {
        return count > kWordCells ? WordPair{top[kWordCells] == 1, bottom[kWordCells] == 1} << 63 : Splat(0);
    };
    int r = 0;
    for (; r + 1 < windowRows; r += 2, cells += 2 * step)
        StoreRowSums(col, r, pack(cells, cells + step), edges(cells, cells + step), right(cells, cells + step));
    if (r < windowRows) StoreRowSums(col, r, pack(cells, cells), edges(cells, cells), right(cells, cells));
}

// Next states of output rows r and r + 1, from the row sums of window rows r .. r + 3. Inlined so
// that the masks stay in registers across a column.
[[gnu::always_inline]] inline WordPair NextStates(const Column& col, int r, const CountMasks& m) {
    const WordPair a0 = LoadPair(col.sum0 + r), a1 = LoadPair(col.sum1 + r);
    const WordPair c0 = LoadPair(col.side0 + r + 1), c1 = LoadPair(col.side1 + r + 1);
    const WordPair d0 = LoadPair(col.sum0 + r + 2), d1 = LoadPair(col.sum1 + r + 2);
    return NextByCounts<false>(a0, a1, c0, c1, d0, d1, LoadPair(col.centre + r + 1), m);
}

// {word, word >> 1} of the two words of a pair.
WordPair LowHalves(WordPair next) { return LowLanes(next, next >> 1); }
WordPair HighHalves(WordPair next) { return HighLanes(next, next >> 1); }

// Output rows 0 .. rows - 1 of a packed column, `cells` cells of each, rows `outWidth` apart.
void StepColumn(const Column& col, int rows, int cells, const CountMasks& m, std::uint8_t* out, int outWidth) {
    const std::ptrdiff_t rowStep = outWidth;
    if (cells == kWordCells) {
        int r = 0;
        for (; r + 1 < rows; r += 2, out += 2 * rowStep) {
            const WordPair next = NextStates(col, r, m);
            UnpackWord(LowHalves(next), out);
            UnpackWord(HighHalves(next), out + rowStep);
        }
        if (r < rows) UnpackWord(LowHalves(NextStates(col, r, m)), out);
        return;
    }
    for (int r = 0; r < rows; r += 2, out += 2 * rowStep) {
        const WordPair next = NextStates(col, r, m);
        UnpackPartialWord(LowHalves(next), cells, out);
        if (r + 1 < rows) UnpackPartialWord(HighHalves(next), cells, out + rowStep);
    }
}

}  // namespace

// Live neighbours of each two-state neighbourhood index: a table, since stepping asks on every
// generation and a build without a popcount instruction counts bits slowly.
constexpr std::array<std::uint8_t, 512> kNeighbourCounts = [] {
    std::array<std::uint8_t, 512> counts{};
    for (unsigned index = 0; index < 512; ++index)
        for (unsigned bits = index & 0x1EFu; bits; bits &= bits - 1) ++counts[index];
    return counts;
}();

LifeTileRule LifeTileRuleFor(const LifeLikeRule& rule) {
    auto ones = [](bool on) { return on ? ~std::uint64_t{0} : 0; };
    auto born = [&](int n) { return (rule.birth >> n & 1) != 0; };
    auto flips = [&](int n) { return born(n) != ((rule.survive >> n & 1) != 0); };
    LifeTileRule m;
    for (int p = 0; p < 4; ++p) {
        const int even = 2 * p, odd = 2 * p + 1;
        m.base[p] = ones(born(even));
        m.baseFlip[p] = ones(flips(even));
        m.step[p] = ones(born(even) != born(odd));
        m.stepFlip[p] = ones(flips(even) != flips(odd));
    }
    m.eight = ones(born(8));
    m.eightFlip = ones(flips(8));
    m.isLife = rule.birth == 1u << 3 && rule.survive == (1u << 2 | 1u << 3);
    return m;
}

std::optional<LifeLikeRule> AsLifeLike(const Rule& rule) {
    if (rule.stateCount != 2 || rule.table.size() != 512 || rule.table[0] != 0) return std::nullopt;
    std::uint16_t seen[2] = {0, 0}, on[2] = {0, 0};
    for (unsigned index = 0; index < 512; ++index) {
        const std::uint8_t next = rule.table[index];
        if (next > 1) return std::nullopt;
        const unsigned centre = index >> 4 & 1;
        const auto bit = static_cast<std::uint16_t>(1u << kNeighbourCounts[index]);
        if ((seen[centre] & bit) && ((on[centre] & bit) != 0) != (next != 0)) return std::nullopt;
        seen[centre] |= bit;
        if (next) on[centre] |= bit;
    }
    return LifeLikeRule{on[0], on[1]};
}

namespace {

template <bool kManyStates>
void StepWindow(const LifeLikeRule& rule, int width, int height, int stride, const std::uint8_t* window,
                std::uint8_t* result) {
    if (width < 3 || height < 3) return;
    const int outWidth = width - 2, outHeight = height - 2;
    const CountMasks masks(LifeTileRuleFor(rule));
    Column column;
    for (int y0 = 0; y0 < outHeight; y0 += kBandRows) {
        const int rows = std::min(outHeight - y0, kBandRows);
        const std::uint8_t* band = window + static_cast<std::ptrdiff_t>(y0) * stride;
        std::uint8_t* out = result + static_cast<std::ptrdiff_t>(y0) * outWidth;
        // Output column x is window column x + 1.
        for (int x = 0; x < outWidth; x += kWordCells) {
            PackColumn<kManyStates>(column, band + x + 1, stride, width - x - 1, rows + 2);
            StepColumn(column, rows, std::min(kWordCells, outWidth - x), masks, out + x, outWidth);
        }
    }
}

}  // namespace

void StepLifeLikeWindow(const LifeLikeRule& rule, int width, int height, int stride, const std::uint8_t* window,
                        std::uint8_t* result) {
    StepWindow<false>(rule, width, height, stride, window, result);
}

void StepLiveCellsWindow(const LifeLikeRule& rule, int width, int height, int stride, const std::uint8_t* window,
                         std::uint8_t* result) {
    StepWindow<true>(rule, width, height, stride, window, result);
}

}  // namespace core
