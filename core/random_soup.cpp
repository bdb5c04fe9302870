#include "core/random_soup.h"

#include "core/uniform_draw.h"

#include <random>
#include <vector>

namespace core {

ChunkGrid MakeRandomSoup(int side, double density, int stateCount, std::uint32_t seed) {
    std::mt19937 engine(seed);
    const auto range = static_cast<std::uint32_t>(stateCount - 1);
    std::vector<std::uint8_t> cells(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), 0);
    for (std::uint8_t& cell : cells) {
        const std::uint64_t first = engine();
        const std::uint64_t second = engine();
        const double u = static_cast<double>((second << 21) + (first >> 11)) * 0x1.0p-53;
        if (!(density > u)) continue;
        cell = static_cast<std::uint8_t>(1 + DrawBelow(engine, range));
    }
    ChunkGrid grid;
    GridFromRegionBuffer(grid, 0, 0, side, side, cells);
    return grid;
}

}  // namespace core
