#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "authoring/census.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const authoring::CensusResult result =
            authoring::CensusFromJson(std::string_view(reinterpret_cast<const char*>(data), size));
        // What the reader accepts it must read back the same once written.
        const std::string json = authoring::CensusToJson(result);
        if (authoring::CensusToJson(authoring::CensusFromJson(json)) != json) __builtin_trap();
        if (result.lastSeed < result.firstSeed || result.options.soups < 0) __builtin_trap();
    } catch (const std::runtime_error&) {
    }
    return 0;
}
