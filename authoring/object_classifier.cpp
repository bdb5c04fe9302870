#include "authoring/object_classifier.h"

#include <cstring>

#include "authoring/apgcode.h"

namespace authoring {

namespace {

// Phases kept while looking for the period; a longer one is run again to collect them.
constexpr int kKeptPhases = 256;
// Forgetting everything now and then bounds the memory of a long census of a wild rule.
constexpr std::size_t kMaxKnownShapes = 1 << 16;

std::string NameOf(ObjectClass kind, int period, std::size_t population, const std::string& code) {
    switch (kind) {
        case ObjectClass::Still: return "xs" + std::to_string(population) + "_" + code;
        case ObjectClass::Oscillator: return "xp" + std::to_string(period) + "_" + code;
        case ObjectClass::Spaceship: return "xq" + std::to_string(period) + "_" + code;
        case ObjectClass::Growing: return std::string(kGrowingName);
        case ObjectClass::Unresolved: break;
    }
    return std::string(kUnresolvedName);
}

void AppendKey(const CellList& cells, std::string& key) {
    key.clear();
    key.resize(cells.size() * sizeof(CensusCell));
    for (std::size_t i = 0; i < cells.size(); ++i) {
        // Field by field: the struct's padding bytes hold nothing defined.
        char* at = key.data() + i * sizeof(CensusCell);
        std::memcpy(at, &cells[i].x, sizeof(std::int32_t));
        std::memcpy(at + 4, &cells[i].y, sizeof(std::int32_t));
        std::memset(at + 8, cells[i].state, sizeof(CensusCell) - 8);
    }
}

}  // namespace

ObjectClassifier::ObjectClassifier(const core::Rule& rule, int limit) : rule_(rule), limit_(limit), runner_(rule) {}

const ObjectInfo& ObjectClassifier::Classify(const CellList& cells) {
    AppendKey(cells, key_);
    if (auto it = known_.find(key_); it != known_.end()) return it->second;
    if (known_.size() >= kMaxKnownShapes) known_.clear();
    return known_.emplace(key_, Run(cells)).first->second;
}

ObjectInfo ObjectClassifier::Run(const CellList& cells) {
    ObjectInfo info;
    info.sample = cells;
    runner_.Start(cells);
    if (phases_.empty()) phases_.resize(1);
    phases_[0] = cells;
    int period = 0;
    for (int t = 1; t <= limit_ && period == 0; ++t) {
        if (!runner_.Step()) {
            info.name = NameOf(info.kind = ObjectClass::Growing, 0, 0, {});
            return info;
        }
        if (runner_.Population() == 0) return info;
        if (runner_.Population() != cells.size()) {
            if (t < kKeptPhases) runner_.Cells(phases_.emplace_back());
            continue;
        }
        CellList& phase = t < kKeptPhases ? phases_.emplace_back() : scratch_;
        runner_.Cells(phase);
        if (phase == cells) period = t;
    }
    if (period == 0) {
        info.name = NameOf(ObjectClass::Unresolved, 0, 0, {});
        phases_.resize(1);
        return info;
    }
    const CellBox moved = runner_.LiveBox();
    if (period >= kKeptPhases) {
        runner_.Start(cells);
        phases_.resize(1);
        for (int t = 1; t < period; ++t) {
            runner_.Step();
            runner_.Cells(phases_.emplace_back());
        }
    }
    phases_.resize(static_cast<std::size_t>(period));
    const bool moves = moved.minX != 0 || moved.minY != 0;
    info.kind = moves ? ObjectClass::Spaceship : period == 1 ? ObjectClass::Still : ObjectClass::Oscillator;
    info.period = period;
    CanonicalForm form = CanonicalCode(phases_, rule_.stateCount, rule_.symmetry, moved.minX, moved.minY);
    info.name = NameOf(info.kind, period, cells.size(), form.code);
    info.sample = std::move(form.cells);
    info.dx = form.dx;
    info.dy = form.dy;
    phases_.resize(1);
    return info;
}

}  // namespace authoring
