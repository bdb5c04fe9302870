#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <stdexcept>
#include <tuple>

#include "core/byte_words.h"
#include "formats/rle.h"

namespace formats {

namespace {

constexpr std::size_t kMaxLineLength = 70;
// A reader placing cells from the pattern's corner reaches column and row 2^31 - 1.
constexpr std::int64_t kMaxSpan = std::int64_t{1} << 31;

// Merges equal symbols into runs and wraps lines before they pass 70 characters.
class RunWriter {
public:
    explicit RunWriter(std::string& out) : out_(out) {}

    void Add(std::int64_t count, char symbol) {
        if (count <= 0) return;
        if (symbol != symbol_) {
            Flush();
            symbol_ = symbol;
        }
        count_ += count;
    }

    void Flush() {
        if (count_ == 0) return;
        // Formatted in place: a token is at most 19 digits and its symbol.
        char token[24];
        char* end = token;
        if (count_ > 1) end = std::to_chars(token, token + sizeof token - 1, count_).ptr;
        *end++ = symbol_;
        const auto size = static_cast<std::size_t>(end - token);
        if (lineLength_ + size > kMaxLineLength) {
            out_ += '\n';
            lineLength_ = 0;
        }
        out_.append(token, size);
        lineLength_ += size;
        count_ = 0;
    }

private:
    std::string& out_;
    std::size_t lineLength_ = 0;
    char symbol_ = 0;
    std::int64_t count_ = 0;
};

// Bit k set where byte k of the word (in memory order, little-endian) is non-zero.
std::uint64_t NonZeroBytes(std::uint64_t word) {
    return ((core::NonZeroByteTops(word) >> 7) * 0x0102040810204080ull) >> 56;
}

// Bit i of live: cell i of a chunk's row is non-zero; bit i of changes (i > 0, when asked for):
// cell i differs from cell i - 1. Found a word at a time and without branches, so that a soup's
// irregular runs cost no mispredictions.
void ScanRow(const std::uint8_t* row, bool withChanges, std::uint64_t& live, std::uint64_t& changes) {
    live = changes = 0;
    if constexpr (std::endian::native != std::endian::little) {
        for (int i = 0; i < core::kChunkSide; ++i) live |= std::uint64_t{row[i] != 0} << i;
        if (withChanges)
            for (int i = 1; i < core::kChunkSide; ++i) changes |= std::uint64_t{row[i] != row[i - 1]} << i;
        return;
    }
    std::uint64_t previous = 0;
    for (int w = 0; w < core::kChunkSide / 8; ++w) {
        std::uint64_t word;
        std::memcpy(&word, row + 8 * w, sizeof word);
        live |= NonZeroBytes(word) << (8 * w);
        // Each byte against the one before it, the word's first against the last of the previous.
        if (withChanges) changes |= NonZeroBytes(word ^ (word << 8 | previous >> 56)) << (8 * w);
        previous = word;
    }
    changes &= ~std::uint64_t{1};
}

}  // namespace

std::string WriteRle(const core::ChunkGrid& grid, int stateCount, std::string_view rule) {
    std::int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    core::TryAccumulateActiveCellBoundsFromGrid(grid, x0, y0, x1, y1);
    const std::int64_t width = std::int64_t{x1} - x0 + 1, height = std::int64_t{y1} - y0 + 1;
    if (width > kMaxSpan || height > kMaxSpan)
        throw std::runtime_error(
            "The pattern is too large to write as RLE: it spans more than 2147483648 columns or rows.");
    const bool twoState = stateCount <= 2;
    const char blank = twoState ? 'b' : '.';
    std::string out = "#CXRLE Pos=" + std::to_string(x0) + "," + std::to_string(y0) + "\n";
    out += "x = " + std::to_string(width) + ", y = " + std::to_string(height) + ", rule = ";
    out += rule;
    out += '\n';

    // Live chunks row by row, left to right, so that only they are visited.
    std::vector<std::tuple<std::int32_t, std::int32_t, const core::Chunk64*>> chunks;
    grid.ForEachChunk([&](std::int32_t cx, std::int32_t cy, const core::Chunk64& chunk) {
        if (chunk.liveCount != 0) chunks.emplace_back(cy, cx, &chunk);
    });
    std::sort(chunks.begin(), chunks.end());
    RunWriter runs(out);
    std::int64_t writtenRow = y0;  // the row the cursor is on
    for (std::size_t first = 0; first < chunks.size();) {
        const std::int32_t cy = std::get<0>(chunks[first]);
        std::size_t last = first;
        while (last < chunks.size() && std::get<0>(chunks[last]) == cy) ++last;
        for (int ly = 0; ly < core::kChunkSide; ++ly) {
            const std::int64_t y = std::int64_t{cy} * core::kChunkSide + ly;
            std::int64_t column = x0;  // the next cell to write
            for (std::size_t k = first; k < last; ++k) {
                const std::int32_t cx = std::get<1>(chunks[k]);
                const std::uint8_t* row = std::get<2>(chunks[k])->cells.data() + ly * core::kChunkSide;
                const std::int64_t chunkX = std::int64_t{cx} * core::kChunkSide;
                // A run of one symbol stops at a blank and, with more than two states, where the
                // state changes.
                std::uint64_t live = 0, stops = 0;
                ScanRow(row, !twoState, live, stops);
                if (live == 0) continue;
                stops |= ~live;
                while (live != 0) {
                    const int start = std::countr_zero(live);
                    const std::uint64_t after = start + 1 < core::kChunkSide ? stops >> (start + 1) : 0;
                    const int end = after != 0 ? start + 1 + std::countr_zero(after) : core::kChunkSide;
                    live &= end < core::kChunkSide ? ~std::uint64_t{0} << end : 0;
                    if (column == x0 && y != writtenRow) {
                        runs.Add(y - writtenRow, '$');
                        writtenRow = y;
                    }
                    const std::int64_t x = chunkX + start;
                    runs.Add(x - column, blank);
                    runs.Add(end - start, twoState ? 'o' : static_cast<char>('A' + row[start] - 1));
                    column = chunkX + end;
                }
            }
        }
        first = last;
    }
    runs.Add(1, '!');
    runs.Flush();
    out += '\n';
    return out;
}

}  // namespace formats
