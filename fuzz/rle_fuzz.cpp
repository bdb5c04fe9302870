#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "formats/rle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const formats::RlePattern pattern =
            formats::ParseRle(std::string_view(reinterpret_cast<const char*>(data), size));
        // Every cell must lie inside the signed 32-bit plane with a real state.
        for (const formats::RleCell& cell : pattern.cells)
            if (cell.x < 0 || cell.y < 0 || cell.state == 0 || cell.state > 26) __builtin_trap();
    } catch (const std::runtime_error&) {
    }
    return 0;
}
