#include <algorithm>
#include <utility>

#include "formats/session_file.h"

namespace formats {

namespace {

constexpr std::uint16_t kMajorVersion = 1;
constexpr std::uint16_t kMinorVersion = 3;
constexpr std::uint32_t kHeaderSize = 16;

template <class Chunk>
std::vector<std::pair<core::ChunkCoord, const Chunk*>> SortedChunks(const auto& map, auto isLive) {
    std::vector<std::pair<core::ChunkCoord, const Chunk*>> chunks;
    chunks.reserve(map.size());
    for (const auto& [coord, chunk] : map)
        if (isLive(chunk)) chunks.emplace_back(coord, &chunk);
    std::sort(chunks.begin(), chunks.end(), [](const auto& a, const auto& b) {
        return a.first.y != b.first.y ? a.first.y < b.first.y : a.first.x < b.first.x;
    });
    return chunks;
}

void Store32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i, v >>= 8) p[i] = static_cast<std::uint8_t>(v);
}

// Chunk header and non-zero cells of one chunk, written straight into the output. The count
// is taken from the cells themselves, so a stale counter cannot make the file unreadable.
template <class T>
void WriteChunkCells(BinaryWriter& writer, core::ChunkCoord coord, const T* values) {
    constexpr std::size_t kCellBytes = 2 + sizeof(T);
    const std::size_t start = writer.Size();
    std::uint8_t* const head = writer.Grow(12 + kCellBytes * core::kChunkCells);
    std::uint8_t* out = head + 12;
    // Every cell is written and only non-zero ones are kept: no branch to mispredict in a soup.
    for (int i = 0; i < core::kChunkCells; ++i) {
        const T v = values[i];
        out[0] = static_cast<std::uint8_t>(i);
        out[1] = static_cast<std::uint8_t>(i >> 8);
        out[2] = static_cast<std::uint8_t>(v);
        if constexpr (sizeof(T) == 2) out[3] = static_cast<std::uint8_t>(v >> 8);
        out += v != 0 ? kCellBytes : 0;
    }
    const auto count = static_cast<std::uint32_t>(static_cast<std::size_t>(out - head - 12) / kCellBytes);
    Store32(head, static_cast<std::uint32_t>(coord.x));
    Store32(head + 4, static_cast<std::uint32_t>(coord.y));
    Store32(head + 8, count);
    writer.Truncate(start + 12 + kCellBytes * count);
}

void WriteReserved(BinaryWriter& writer) {
    writer.U8(0);
    writer.U16(0);
}

void WriteConstraintData(BinaryWriter& writer, const SessionPatternRecord& record) {
    writer.I32(record.selectedVariable);
    writer.I32(record.nextLinkGroup);
    writer.U32(static_cast<std::uint32_t>(record.variables.size()));
    for (const ConstraintVariable& variable : record.variables) {
        writer.U8(variable.builtIn ? 1 : 0);
        WriteReserved(writer);
        writer.Text(variable.name);
        writer.U32(static_cast<std::uint32_t>(variable.allowedStates.size()));
        writer.Bytes(variable.allowedStates.data(), variable.allowedStates.size());
    }
    writer.U32(static_cast<std::uint32_t>(record.entries.size()));
    for (const ConstraintEntry& entry : record.entries) {
        for (const ConstraintSlot& slot : entry.slots) {
            writer.U8(slot.isVariable ? 1 : 0);
            writer.U8(slot.state);
            writer.U16(0);
            writer.I32(slot.variable);
            writer.I32(slot.linkGroup);
        }
    }
}

void WritePattern(BinaryWriter& writer, const SessionPatternRecord& record) {
    const std::size_t patn = writer.BeginChunk("PATN");
    writer.Text(record.name);
    writer.F32(record.camera.centreX);
    writer.F32(record.camera.centreY);
    writer.F32(record.camera.cellSize);
    writer.U32(record.currentGeneration);
    writer.U32(record.generationTarget);
    writer.U32(0);

    std::size_t at = writer.BeginChunk("GRID");
    WriteGridPayload(writer, record.startGrid);
    writer.EndChunk(at);
    at = writer.BeginChunk("ANNO");
    WriteOverlayPayload(writer, record.startAnnotations);
    writer.EndChunk(at);
    at = writer.BeginChunk("LING");
    WriteOverlayPayload(writer, record.startLineage);
    writer.EndChunk(at);
    at = writer.BeginChunk("KIND");
    writer.U8(record.kind);
    WriteReserved(writer);
    writer.EndChunk(at);
    if (record.kind == kSessionConstraintTab) {
        at = writer.BeginChunk("CTAB");
        WriteConstraintData(writer, record);
        writer.EndChunk(at);
    }
    writer.EndChunk(patn);
}

}  // namespace

std::vector<core::RuleChange> CollectRuleEntries(const core::RuleTable& table) {
    std::vector<core::RuleChange> entries;
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i] != 0) entries.push_back({i, table[i]});
    return entries;
}

void WriteGridPayload(BinaryWriter& writer, const core::ChunkGrid& grid) {
    // Kept empty chunks carry nothing to restore.
    const auto chunks =
        SortedChunks<core::Chunk64>(grid.Chunks(), [](const core::Chunk64& c) { return c.liveCount != 0; });
    writer.U32(core::kChunkSide);
    writer.U32(static_cast<std::uint32_t>(chunks.size()));
    for (const auto& [coord, chunk] : chunks) WriteChunkCells(writer, coord, chunk->cells.data());
}

template <class Layer>
void WriteOverlayPayload(BinaryWriter& writer, const Layer& layer) {
    using Chunk = typename Layer::Chunk;
    const auto chunks = SortedChunks<Chunk>(layer.Chunks(), [](const Chunk& c) { return c.nonZeroCount != 0; });
    writer.U32(core::kChunkSide);
    writer.U32(static_cast<std::uint32_t>(chunks.size()));
    for (const auto& [coord, chunk] : chunks) WriteChunkCells(writer, coord, chunk->values.data());
}

template void WriteOverlayPayload<core::AnnotationLayer>(BinaryWriter&, const core::AnnotationLayer&);
template void WriteOverlayPayload<core::LineageLayer>(BinaryWriter&, const core::LineageLayer&);

std::vector<std::uint8_t> SerializeSession(const SessionSnapshot& snapshot) {
    BinaryWriter writer;
    writer.Reserve(64 * 1024);
    writer.Tag("TAVS");
    writer.Tag("ESS1");
    writer.U16(kMajorVersion);
    writer.U16(kMinorVersion);
    writer.U32(kHeaderSize);

    std::size_t at = writer.BeginChunk("HEAD");
    writer.U8(snapshot.stateCount);
    WriteReserved(writer);
    writer.I32(snapshot.selectedTab);
    writer.F32(snapshot.tabScrollOffset);
    writer.EndChunk(at);

    at = writer.BeginChunk("SYMM");
    writer.U8(snapshot.symmetry);
    WriteReserved(writer);
    writer.EndChunk(at);

    at = writer.BeginChunk("COLR");
    writer.U8(1);
    WriteReserved(writer);
    const std::size_t colorCount = std::min<std::size_t>(snapshot.stateCount, snapshot.colors.size());
    writer.U32(static_cast<std::uint32_t>(colorCount));
    for (std::size_t state = 0; state < colorCount; ++state) {
        writer.U8(static_cast<std::uint8_t>(state));
        WriteReserved(writer);
        const core::Color& c = snapshot.colors[state];
        writer.F32(c.red);
        writer.F32(c.green);
        writer.F32(c.blue);
        writer.F32(c.alpha);
    }
    writer.EndChunk(at);

    at = writer.BeginChunk("RULE");
    writer.U8(snapshot.ruleEntriesKeepCentre ? 2 : 1);
    WriteReserved(writer);
    writer.U64(core::RuleTableSize(snapshot.stateCount));
    writer.U64(snapshot.ruleEntries.size());
    std::uint8_t* out = writer.Grow(snapshot.ruleEntries.size() * 9);
    for (const core::RuleChange& entry : snapshot.ruleEntries) {
        std::uint64_t index = entry.index;
        for (int i = 0; i < 8; ++i, index >>= 8) out[i] = static_cast<std::uint8_t>(index);
        out[8] = entry.state;
        out += 9;
    }
    writer.EndChunk(at);

    at = writer.BeginChunk("SRCG");
    WriteGridPayload(writer, snapshot.sourceGrid);
    writer.EndChunk(at);
    at = writer.BeginChunk("SRCA");
    WriteOverlayPayload(writer, snapshot.sourceAnnotations);
    writer.EndChunk(at);
    at = writer.BeginChunk("SRCL");
    WriteOverlayPayload(writer, snapshot.sourceLineage);
    writer.EndChunk(at);

    at = writer.BeginChunk("PATS");
    writer.U32(static_cast<std::uint32_t>(snapshot.patterns.size()));
    for (const SessionPatternRecord& record : snapshot.patterns) WritePattern(writer, record);
    writer.EndChunk(at);
    return writer.Take();
}

}  // namespace formats
