// Kernel bodies compiled once per instruction set. Everything here has internal linkage and
// uses no standard-library templates, so no code built for a wider instruction set can leak
// into the rest of the program through a shared inline symbol.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/kernels/life_tile_body.h"
#include "core/step_kernels.h"

namespace {

// Output columns handled per strip; the row sums of a strip live on the stack.
constexpr int kStripWidth = 512;

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "Gather packs outputs little-endian first");

// Tables larger than this miss the caches on most lookups (six states and more).
constexpr std::uint32_t kPrefetchTableEntries = 1u << 22;

// out[x] = table[index[x]]. Eight lookups are packed into one store: the loop is bound by its
// loads and stores, and this saves seven stores in eight.
inline void Gather(const std::uint8_t* table, const std::uint32_t* index, int count, std::uint8_t* out) {
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        std::uint64_t packed = 0;
        for (int k = 0; k < 8; ++k) packed |= static_cast<std::uint64_t>(table[index[x + k]]) << (8 * k);
        std::memcpy(out + x, &packed, sizeof packed);
    }
    for (; x < count; ++x) out[x] = table[index[x]];
}

// sum[x] = w[x]*n^2 + w[x+1]*n + w[x+2]: one row of a 3x3 block as a base-n number.
template <int N>
inline void RowSums(const std::uint8_t* w, int count, std::uint32_t n, std::uint32_t* sum) {
    const std::uint32_t base = N ? static_cast<std::uint32_t>(N) : n;
    for (int x = 0; x < count; ++x)
        sum[x] = (static_cast<std::uint32_t>(w[x]) * base + w[x + 1]) * base + w[x + 2];
}

// The indices of each output row are computed one row ahead of its lookups. For a large table
// the whole next row's lines are requested before this row is gathered: a chunk's rows are only
// 64 cells long, too short for the processor alone to keep enough misses in flight.
template <int N>
void StepRows(int width, int height, int stride, int stateCount, const std::uint8_t* window,
              const std::uint8_t* table, std::uint8_t* result) {
    if (width < 3 || height < 3) return;
    const std::uint32_t n = N ? static_cast<std::uint32_t>(N) : static_cast<std::uint32_t>(stateCount);
    const std::uint32_t n3 = n * n * n;
    const bool prefetch = std::uint64_t{n3} * n3 * n3 > kPrefetchTableEntries;
    const int outWidth = width - 2;
    alignas(64) std::uint32_t sums[3][kStripWidth];
    alignas(64) std::uint32_t index[2][kStripWidth];
    for (int x0 = 0; x0 < outWidth; x0 += kStripWidth) {
        const int count = outWidth - x0 < kStripWidth ? outWidth - x0 : kStripWidth;
        // Indices of the output row centred on window row y, into index[y % 2].
        auto prepare = [&](int y) {
            const std::uint32_t* top = sums[(y - 1) % 3];
            const std::uint32_t* mid = sums[y % 3];
            std::uint32_t* bottom = sums[(y + 1) % 3];
            RowSums<N>(window + static_cast<std::ptrdiff_t>(y + 1) * stride + x0, count, n, bottom);
            std::uint32_t* rowIndex = index[y % 2];
            for (int x = 0; x < count; ++x) rowIndex[x] = (top[x] * n3 + mid[x]) * n3 + bottom[x];
            if (prefetch)
                for (int x = 0; x < count; ++x) __builtin_prefetch(table + rowIndex[x]);
        };
        RowSums<N>(window + x0, count, n, sums[0]);
        RowSums<N>(window + stride + x0, count, n, sums[1]);
        prepare(1);
        for (int y = 1; y + 1 < height; ++y) {
            if (y + 2 < height) prepare(y + 1);
            Gather(table, index[y % 2], count, result + static_cast<std::ptrdiff_t>(y - 1) * outWidth + x0);
        }
    }
}

void StepKernelImpl(int width, int height, int stride, int stateCount, const std::uint8_t* window,
                    const std::uint8_t* table, std::uint8_t* result) {
    switch (stateCount) {
        case 2: return StepRows<2>(width, height, stride, stateCount, window, table, result);
        case 3: return StepRows<3>(width, height, stride, stateCount, window, table, result);
        case 4: return StepRows<4>(width, height, stride, stateCount, window, table, result);
        case 5: return StepRows<5>(width, height, stride, stateCount, window, table, result);
        case 8: return StepRows<8>(width, height, stride, stateCount, window, table, result);
        default: return StepRows<0>(width, height, stride, stateCount, window, table, result);
    }
}

// Non-zero results are counted per block in a byte, which the compiler keeps in vector lanes,
// and widened once per block.
std::uint32_t HistoryKernelImpl(std::size_t count, const std::uint8_t* previousCells, const std::uint8_t* nextCells,
                                std::uint16_t* values) {
    constexpr std::size_t kBlock = 128;
    std::uint32_t nonZero = 0;
    for (std::size_t first = 0; first < count; first += kBlock) {
        const std::size_t end = count - first < kBlock ? count : first + kBlock;
        std::uint8_t partial = 0;
        for (std::size_t i = first; i < end; ++i) {
            const std::uint16_t h = values[i];
            const std::uint16_t aged = (h != 0 && h < 0xFE00) ? static_cast<std::uint16_t>(h + 0x100) : 0;
            const std::uint16_t v =
                previousCells[i] != nextCells[i] ? static_cast<std::uint16_t>(previousCells[i] + 1) : aged;
            values[i] = v;
            partial = static_cast<std::uint8_t>(partial + (v != 0));
        }
        nonZero += partial;
    }
    return nonZero;
}

}  // namespace

#include "core/kernels/count_body.h"
