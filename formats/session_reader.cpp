#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

#include "formats/session_file.h"

namespace formats {

namespace {

constexpr char kMagic[8] = {'T', 'A', 'V', 'S', 'E', 'S', 'S', '1'};
constexpr std::uint32_t kHeaderSize = 16;
constexpr std::uint32_t kColorEntryBytes = 20;
constexpr std::uint32_t kRuleEntryBytes = 9;
// The table of the largest state count, 16^9.
constexpr std::uint64_t kMaxRuleTableSize = std::uint64_t{1} << 36;

[[noreturn]] void Fail(const char* message) { throw std::runtime_error(message); }
[[noreturn]] void FailInvalid(const char* field) {
    throw std::runtime_error(std::string("Corrupt .tavses file: invalid ") + field + ".");
}

using Tag = std::array<char, 4>;

Tag ReadTag(BinaryReader& reader) {
    Tag tag;
    std::memcpy(tag.data(), reader.Take(4), 4);
    return tag;
}

bool Is(const Tag& tag, const char (&name)[5]) { return std::memcmp(tag.data(), name, 4) == 0; }

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no cut sequences.
bool IsValidUtf8(const std::uint8_t* p, std::size_t size) {
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        std::uint8_t low = 0x80, high = 0xBF;  // bounds of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0) low = 0xA0;
            if (b == 0xED) high = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0) low = 0x90;
            if (b == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (size - i < static_cast<std::size_t>(length)) return false;
        if (p[i + 1] < low || p[i + 1] > high) return false;
        for (int k = 2; k < length; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

std::string ReadText(BinaryReader& reader, std::uint32_t size) {
    const std::uint8_t* bytes = reader.Take(size);
    if (!IsValidUtf8(bytes, size)) Fail("Invalid UTF-8 string in session file.");
    return std::string(reinterpret_cast<const char*>(bytes), size);
}

// A chunk lies where its cells are: cell = chunk * 64 + local in 32-bit arithmetic, so a chunk
// coordinate beyond the cell range wraps as its cells do.
std::int32_t WrapChunk(std::int32_t chunk) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(chunk) << 6) >> 6;
}

struct PayloadText {
    const char* side;
    const char* tooManyChunks;
    const char* chunkCount;
    const char* tooManyCells;
    const char* cellCount;
    const char* badValue;
    const char* badIndex;
};

constexpr PayloadText kGridText{"Unsupported chunk size in session file.",
                                "Corrupt .tavses file: too many grid chunks.",
                                "grid chunk count",
                                "Corrupt .tavses file: too many cells in a grid chunk.",
                                "grid cell count",
                                "Invalid cell state in session file.",
                                "Invalid local cell index in session file."};
constexpr PayloadText kAnnotationText{"Unsupported annotation chunk size in session file.",
                                      "Corrupt .tavses file: too many annotation chunks.",
                                      "annotation chunk count",
                                      "Corrupt .tavses file: too many cells in an annotation chunk.",
                                      "annotation cell count",
                                      "Invalid annotation cell in session file.",
                                      "Invalid local annotation index in session file."};
constexpr PayloadText kLineageText{"Unsupported lineage chunk size in session file.",
                                   "Corrupt .tavses file: too many lineage chunks.",
                                   "lineage chunk count",
                                   "Corrupt .tavses file: too many cells in a lineage chunk.",
                                   "lineage cell count",
                                   "Invalid lineage cell in session file.",
                                   "Invalid local lineage index in session file."};

// Walks a grid or overlay payload: checks the side and every count, then hands each chunk's
// cells (cellBytes each, count already bounded by the bytes present) to `store`.
template <std::size_t kCellBytes, class Store>
void ReadCellPayload(BinaryReader& reader, const PayloadText& text, Store&& store, auto&& reserve) {
    if (reader.U32() != static_cast<std::uint32_t>(core::kChunkSide)) Fail(text.side);
    const std::uint32_t chunkCount = reader.U32();
    if (chunkCount > kSessionMaxChunks) Fail(text.tooManyChunks);
    if (chunkCount > reader.Remaining() / 12) FailInvalid(text.chunkCount);
    reserve(chunkCount);
    for (std::uint32_t c = 0; c < chunkCount; ++c) {
        const std::int32_t cx = WrapChunk(reader.I32());
        const std::int32_t cy = WrapChunk(reader.I32());
        const std::uint32_t cellCount = reader.U32();
        if (cellCount > static_cast<std::uint32_t>(core::kChunkCells)) Fail(text.tooManyCells);
        if (cellCount > reader.Remaining() / kCellBytes) FailInvalid(text.cellCount);
        // Cells of an empty chunk would create nothing.
        if (cellCount == 0) continue;
        store(cx, cy, reader.Take(cellCount * kCellBytes), cellCount);
    }
}

core::ChunkGrid ReadGrid(BinaryReader& reader, int stateCount) {
    core::ChunkGrid grid;
    core::ChunkGrid::Map& map = grid.MutableChunks();
    ReadCellPayload<3>(
        reader, kGridText,
        [&](std::int32_t cx, std::int32_t cy, const std::uint8_t* cells, std::uint32_t count) {
            // A chunk listed twice adds to what it already holds.
            core::Chunk64& chunk = map[core::ChunkCoord{cx, cy}];
            for (std::uint32_t i = 0; i < count; ++i, cells += 3) {
                const std::uint8_t state = cells[2];
                if (state == 0 || state >= stateCount) Fail(kGridText.badValue);
                const std::uint16_t local = LoadU16(cells);
                if (local >= core::kChunkCells) Fail(kGridText.badIndex);
                std::uint8_t& cell = chunk.cells[local];
                chunk.liveCount += cell == 0;
                cell = state;
            }
        },
        [&](std::uint32_t chunkCount) { map.reserve(chunkCount); });
    return grid;
}

template <class Layer, std::size_t kCellBytes, class Decode>
Layer ReadOverlay(BinaryReader& reader, const PayloadText& text, Decode&& decode) {
    using T = typename decltype(Layer::Chunk::values)::value_type;
    Layer layer;
    std::array<T, core::kChunkCells> values;
    ReadCellPayload<kCellBytes>(
        reader, text,
        [&](std::int32_t cx, std::int32_t cy, const std::uint8_t* cells, std::uint32_t count) {
            if (const auto* existing = layer.FindChunk(cx, cy)) values = existing->values;
            else values.fill(0);
            for (std::uint32_t i = 0; i < count; ++i, cells += kCellBytes) {
                const T value = decode(cells + 2);
                const std::uint16_t local = LoadU16(cells);
                if (local >= core::kChunkCells) Fail(text.badIndex);
                values[local] = value;
            }
            layer.StoreChunk(cx, cy, values.data());
        },
        [](std::uint32_t) {});
    return layer;
}

core::AnnotationLayer ReadAnnotations(BinaryReader& reader, int stateCount) {
    return ReadOverlay<core::AnnotationLayer, 4>(reader, kAnnotationText, [&](const std::uint8_t* p) {
        const std::uint8_t marker = p[0];
        const std::uint8_t state = p[1];
        if (marker == 0 || state >= stateCount) Fail(kAnnotationText.badValue);
        return static_cast<std::uint16_t>((state << 8) | ((marker - 1) % 8 + 1));
    });
}

core::LineageLayer ReadLineage(BinaryReader& reader) {
    return ReadOverlay<core::LineageLayer, 3>(reader, kLineageText, [](const std::uint8_t* p) {
        if (p[0] == 0) Fail(kLineageText.badValue);
        return static_cast<std::uint8_t>((p[0] - 1) % 8 + 1);
    });
}

void ReadConstraintData(BinaryReader& reader, int stateCount, SessionPatternRecord& record) {
    record.selectedVariable = reader.I32();
    record.nextLinkGroup = reader.I32();
    const std::uint32_t variableCount = reader.U32();
    if (variableCount > kSessionMaxVariables) Fail("Corrupt .tavses file: too many constraint variables.");
    if (variableCount > reader.Remaining() / 12) FailInvalid("constraint variable count");
    std::vector<ConstraintVariable> variables(variableCount);
    for (ConstraintVariable& variable : variables) {
        variable.builtIn = reader.U8() != 0;
        reader.Skip(3);
        const std::uint32_t nameSize = reader.U32();
        if (nameSize > kSessionMaxTextBytes)
            Fail("Corrupt .tavses file: constraint variable name is too large.");
        if (nameSize > reader.Remaining()) FailInvalid("constraint variable name size");
        variable.name = ReadText(reader, nameSize);
        const std::uint32_t stateTotal = reader.U32();
        if (stateTotal > kSessionMaxAllowedStates)
            Fail("Corrupt .tavses file: too many allowed states in a constraint variable.");
        if (stateTotal > reader.Remaining()) FailInvalid("constraint variable state count");
        const std::uint8_t* states = reader.Take(stateTotal);
        for (std::uint32_t i = 0; i < stateTotal; ++i) {
            const auto state = static_cast<std::int8_t>(states[i]);
            if (state < 0 || state >= stateCount) Fail("Invalid constraint variable state in .tavses file.");
        }
        variable.allowedStates.assign(states, states + stateTotal);
    }
    const std::uint32_t entryCount = reader.U32();
    if (entryCount > kSessionMaxConstraintEntries) Fail("Corrupt .tavses file: too many constraint entries.");
    if (entryCount > reader.Remaining() / 120) FailInvalid("constraint entry count");
    std::vector<ConstraintEntry> entries(entryCount);
    for (ConstraintEntry& entry : entries) {
        for (ConstraintSlot& slot : entry.slots) {
            slot.isVariable = reader.U8() != 0;
            slot.state = reader.U8();
            reader.Skip(2);
            slot.variable = reader.I32();
            slot.linkGroup = reader.I32();
            if (!slot.isVariable) {
                const auto state = static_cast<std::int8_t>(slot.state);
                if (state < 0 || state >= stateCount) Fail("Invalid constraint entry state in .tavses file.");
                slot.variable = -1;
                slot.linkGroup = 0;
            }
        }
    }
    record.variables = std::move(variables);
    record.entries = std::move(entries);
}

SessionPatternRecord ReadPattern(BinaryReader reader, int stateCount) {
    SessionPatternRecord record;
    const std::uint32_t nameSize = reader.U32();
    if (nameSize > kSessionMaxTextBytes) Fail("Corrupt .tavses file: pattern name is too large.");
    if (nameSize > reader.Remaining()) FailInvalid("pattern name size");
    record.name = ReadText(reader, nameSize);
    record.camera.centreX = reader.F32();
    record.camera.centreY = reader.F32();
    record.camera.cellSize = reader.F32();
    record.currentGeneration = reader.U32();
    record.generationTarget = reader.U32();
    reader.Skip(4);

    while (reader.Remaining() > 0) {
        const Tag tag = ReadTag(reader);
        const std::uint64_t size = reader.U64();
        if (size > reader.Remaining()) FailInvalid("pattern payload size");
        BinaryReader payload = reader.Sub(static_cast<std::size_t>(size));
        if (Is(tag, "GRID")) {
            record.startGrid = ReadGrid(payload, stateCount);
        } else if (Is(tag, "ANNO")) {
            record.startAnnotations = ReadAnnotations(payload, stateCount);
        } else if (Is(tag, "LING")) {
            record.startLineage = ReadLineage(payload);
        } else if (Is(tag, "KIND")) {
            const std::uint8_t kind = payload.U8();
            payload.Skip(3);
            if (kind > kSessionConstraintTab) Fail("Invalid pattern kind in .tavses file.");
            record.kind = kind;
        } else if (Is(tag, "CTAB")) {
            ReadConstraintData(payload, stateCount, record);
        }
    }

    if (record.kind == kSessionConstraintTab) {
        record.nextLinkGroup = std::max(record.nextLinkGroup, 1);
        const auto variableCount = static_cast<std::int32_t>(record.variables.size());
        record.selectedVariable = std::clamp(record.selectedVariable, -1, variableCount - 1);
        for (const ConstraintEntry& entry : record.entries) {
            for (const ConstraintSlot& slot : entry.slots) {
                if (!slot.isVariable) continue;
                if (slot.variable < 0 || slot.variable >= variableCount)
                    Fail("Invalid constraint variable reference in .tavses file.");
                if (slot.linkGroup < 0) Fail("Invalid constraint link group in .tavses file.");
            }
        }
    }
    return record;
}

std::vector<SessionPatternRecord> ReadPatterns(BinaryReader& reader, int stateCount) {
    const std::uint32_t count = reader.U32();
    if (count > kSessionMaxPatterns) Fail("Corrupt .tavses file: too many patterns.");
    if (count > reader.Remaining() / 12) FailInvalid("pattern count");
    std::vector<SessionPatternRecord> patterns;
    patterns.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const Tag tag = ReadTag(reader);
        const std::uint64_t size = reader.U64();
        if (size > reader.Remaining()) FailInvalid("pattern chunk size");
        BinaryReader payload = reader.Sub(static_cast<std::size_t>(size));
        if (Is(tag, "PATN")) patterns.push_back(ReadPattern(payload, stateCount));
    }
    return patterns;
}

void ReadColors(BinaryReader& reader, int stateCount, SessionSnapshot& snapshot) {
    if (reader.U8() != 1) Fail("Unsupported color encoding in .tavses file.");
    reader.Skip(3);
    const std::uint32_t count = reader.U32();
    if (count > 16) Fail("Corrupt .tavses file: too many color entries.");
    if (count != static_cast<std::uint32_t>(stateCount))
        Fail("Corrupt .tavses file: color count does not match the saved state count.");
    if (count > reader.Remaining() / kColorEntryBytes) FailInvalid("color entry count");
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t state = reader.U8();
        reader.Skip(3);
        core::Color color;
        color.red = reader.F32();
        color.green = reader.F32();
        color.blue = reader.F32();
        color.alpha = reader.F32();
        for (const float channel : {color.red, color.green, color.blue, color.alpha})
            if (!std::isfinite(channel) || channel < 0.0f || channel > 1.0f)
                Fail("Invalid color channel in .tavses file.");
        if (state >= stateCount || state > 15) Fail("Invalid color state in .tavses file.");
        snapshot.colors[state] = color;
    }
    snapshot.colorsStored = true;
}

struct RuleChunk {
    bool keepCentre = false;
    std::uint64_t tableSize = 0;
    std::vector<core::RuleChange> entries;
};

RuleChunk ReadRule(BinaryReader& reader) {
    const std::uint8_t encoding = reader.U8();
    if (encoding != 1 && encoding != 2) Fail("Unsupported rule encoding in .tavses file.");
    reader.Skip(3);
    RuleChunk rule;
    rule.keepCentre = encoding == 2;
    rule.tableSize = reader.U64();
    const std::uint64_t count = reader.U64();
    // A table cannot hold more non-zero entries than it has; the state count may come later.
    if (count > kMaxRuleTableSize || count > rule.tableSize) Fail("Corrupt .tavses file: too many rule entries.");
    if (count > reader.Remaining() / kRuleEntryBytes) FailInvalid("rule entry count");
    rule.entries.resize(static_cast<std::size_t>(count));
    const std::uint8_t* p = reader.Take(static_cast<std::size_t>(count) * kRuleEntryBytes);
    for (core::RuleChange& entry : rule.entries) {
        entry.index = LoadU64(p);
        entry.state = p[8];
        p += kRuleEntryBytes;
    }
    return rule;
}

}  // namespace

SessionSnapshot ParseSession(std::span<const std::uint8_t> bytes) {
    BinaryReader reader(bytes.data(), bytes.size());
    if (std::memcmp(reader.Take(8), kMagic, 8) != 0) Fail("Not a Tavrix .tavses file.");
    if (reader.U16() != 1) Fail("Unsupported .tavses file version.");
    reader.U16();  // minor version: any
    const std::uint32_t headerSize = reader.U32();
    if (headerSize < kHeaderSize) Fail("Invalid .tavses file header.");
    reader.Skip(headerSize - kHeaderSize);

    SessionSnapshot snapshot;
    bool sawHead = false, sawRule = false, sawGrid = false, sawPatterns = false;
    // Set once something was checked against the state count; a later HEAD may not change it.
    bool statesChecked = false;
    RuleChunk rule;
    auto requireHead = [&](const char* message) {
        if (!sawHead) Fail(message);
        statesChecked = true;
    };
    while (reader.Remaining() > 0) {
        const Tag tag = ReadTag(reader);
        const std::uint64_t size = reader.U64();
        if (size > reader.Remaining()) FailInvalid("chunk size");
        BinaryReader payload = reader.Sub(static_cast<std::size_t>(size));
        const int stateCount = snapshot.stateCount;
        if (Is(tag, "HEAD")) {
            const std::uint8_t count = payload.U8();
            payload.Skip(3);
            const std::int32_t selectedTab = payload.I32();
            const float scroll = payload.F32();
            if (count < core::kMinStateCount || count > core::kMaxStateCount ||
                (statesChecked && count != snapshot.stateCount))
                Fail("Invalid state count in .tavses file.");
            snapshot.stateCount = count;
            snapshot.selectedTab = selectedTab;
            snapshot.tabScrollOffset = scroll;
            sawHead = true;
        } else if (Is(tag, "SYMM")) {
            const std::uint8_t symmetry = payload.U8();
            payload.Skip(3);
            if (symmetry >= 8) Fail("Invalid rule symmetry in .tavses file.");
            snapshot.symmetry = symmetry;
        } else if (Is(tag, "COLR")) {
            requireHead("HEAD chunk must appear before COLR.");
            ReadColors(payload, stateCount, snapshot);
        } else if (Is(tag, "RULE")) {
            rule = ReadRule(payload);
            sawRule = true;
        } else if (Is(tag, "SRCG")) {
            requireHead("HEAD chunk must appear before SRCG.");
            snapshot.sourceGrid = ReadGrid(payload, stateCount);
            sawGrid = true;
        } else if (Is(tag, "SRCA")) {
            requireHead("HEAD chunk must appear before SRCA.");
            snapshot.sourceAnnotations = ReadAnnotations(payload, stateCount);
        } else if (Is(tag, "SRCL")) {
            requireHead("HEAD chunk must appear before SRCL.");
            snapshot.sourceLineage = ReadLineage(payload);
        } else if (Is(tag, "PATS")) {
            requireHead("HEAD chunk must appear before PATS.");
            snapshot.patterns = ReadPatterns(payload, stateCount);
            sawPatterns = true;
        }
    }

    if (!sawHead || !sawRule || !sawGrid || !sawPatterns || snapshot.patterns.empty())
        Fail("The .tavses file is missing required data.");
    const std::uint64_t tableSize = core::RuleTableSize(snapshot.stateCount);
    if (rule.tableSize != tableSize) Fail("Rule table size does not match the saved state count.");
    for (const core::RuleChange& entry : rule.entries)
        if (entry.index >= tableSize || static_cast<std::int8_t>(entry.state) < 0 ||
            entry.state >= snapshot.stateCount)
            Fail("Invalid rule entry in .tavses file.");
    if (rule.keepCentre) {
        // The writer lists only entries that change their centre.
        const auto n = static_cast<std::uint64_t>(snapshot.stateCount);
        const std::uint64_t centrePlace = n * n * n * n;
        for (const core::RuleChange& entry : rule.entries)
            if (entry.state == entry.index / centrePlace % snapshot.stateCount)
                Fail("Invalid centre-relative rule entry in .tavses file.");
    }
    snapshot.ruleEntriesKeepCentre = rule.keepCentre;
    snapshot.ruleEntries = std::move(rule.entries);
    snapshot.selectedTab =
        std::clamp(snapshot.selectedTab, 0, static_cast<std::int32_t>(snapshot.patterns.size()));
    return snapshot;
}

SessionSnapshot ParseSession(std::string_view bytes) {
    return ParseSession(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace formats
