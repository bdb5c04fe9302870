#include <cctype>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "formats/golly_ruletable.h"

namespace {

// Tables above six states take too long per input to be worth fuzzing.
bool AsksForManyStates(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        constexpr std::string_view kKey = "n_states:";
        if (text.size() - pos < kKey.size()) break;
        bool match = true;
        for (std::size_t i = 0; i < kKey.size() && match; ++i)
            match = std::tolower(static_cast<unsigned char>(text[pos + i])) == kKey[i];
        if (!match) continue;
        std::size_t i = pos + kKey.size();
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) ++i;
        int value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && value <= 6) value = value * 10 + (text[i++] - '0');
        if (value > 6) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (AsksForManyStates(text)) return 0;
    try {
        formats::ParseGollyRuletableText(text);
    } catch (const std::runtime_error&) {
    }
    return 0;
}
