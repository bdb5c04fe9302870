#include <algorithm>
#include <stdexcept>
#include <tuple>

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
        std::string token = count_ > 1 ? std::to_string(count_) : std::string();
        token += symbol_;
        if (lineLength_ + token.size() > kMaxLineLength) {
            out_ += '\n';
            lineLength_ = 0;
        }
        out_ += token;
        lineLength_ += token.size();
        count_ = 0;
    }

private:
    std::string& out_;
    std::size_t lineLength_ = 0;
    char symbol_ = 0;
    std::int64_t count_ = 0;
};

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
                for (int lx = 0; lx < core::kChunkSide; ++lx) {
                    const std::uint8_t s = row[lx];
                    if (s == 0) continue;
                    if (column == x0 && y != writtenRow) {
                        runs.Add(y - writtenRow, '$');
                        writtenRow = y;
                    }
                    const std::int64_t x = std::int64_t{cx} * core::kChunkSide + lx;
                    runs.Add(x - column, blank);
                    runs.Add(1, twoState ? 'o' : static_cast<char>('A' + s - 1));
                    column = x + 1;
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
