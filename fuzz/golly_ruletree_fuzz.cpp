#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "formats/golly_ruletable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input is the tree section's body, so that mutations stay within the tree's grammar.
    const std::string text = "@RULE F\n@TREE\n" + std::string(reinterpret_cast<const char*>(data), size);
    // Room for a 7-state table and its working memory, not for 8: larger tables take the refusal
    // path, and every input stays fast enough to fuzz.
    const core::MemoryQuery bound = [] { return std::optional<std::uint64_t>(320u << 20); };
    try {
        formats::ParseGollyRuletableText(text, bound);
    } catch (const std::runtime_error&) {
    }
    return 0;
}
