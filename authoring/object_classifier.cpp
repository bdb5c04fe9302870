#include "authoring/object_classifier.h"

#include <cstring>

#include "authoring/apgcode.h"
#include "core/step_grid.h"

namespace authoring {

namespace {

// Phases kept while looking for the period: a cycle must start among them, and one that ends
// beyond them is run again to collect its phases.
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

// The rule stays the same for the classifier's life: one key, so that its table is looked at once.
ObjectClassifier::ObjectClassifier(const core::Rule& rule, int limit)
    : rule_(rule), limit_(limit), runner_(rule, core::NewRuleKey()) {}

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
    phases_.resize(1);
    phases_[0] = cells;
    boxes_.assign(1, BoxOf(cells));
    // The first phase seen again, moved or not: an object caught in a transient phase (a spaceship
    // still forming) is named after the cycle it falls into.
    int first = -1, period = 0;
    for (int t = 1; t <= limit_ && period == 0; ++t) {
        if (!runner_.Step()) {
            info.name = NameOf(info.kind = ObjectClass::Growing, 0, 0, {});
            return info;
        }
        if (runner_.Population() == 0) return info;
        const CellBox box = runner_.Cells(scratch_);
        for (std::size_t j = 0; j < phases_.size() && period == 0; ++j)
            if (phases_[j].size() == scratch_.size() && phases_[j] == scratch_) {
                first = static_cast<int>(j);
                period = t - first;
                moved_ = {box.minX - boxes_[j].minX, box.minY - boxes_[j].minY};
            }
        if (period == 0 && t < kKeptPhases) {
            phases_.push_back(scratch_);
            boxes_.push_back(box);
        }
    }
    if (period == 0) {
        info.name = NameOf(ObjectClass::Unresolved, 0, 0, {});
        return info;
    }
    if (static_cast<std::size_t>(first + period) > phases_.size()) {
        // A period longer than the phases kept: run again to collect it.
        runner_.Start(cells);
        phases_.clear();
        for (int t = 0; t < first + period; ++t) {
            if (t >= first) runner_.Cells(phases_.emplace_back());
            runner_.Step();
        }
    } else {
        phases_.erase(phases_.begin(), phases_.begin() + first);
        phases_.resize(static_cast<std::size_t>(period));
    }
    const bool moves = moved_[0] != 0 || moved_[1] != 0;
    info.kind = moves ? ObjectClass::Spaceship : period == 1 ? ObjectClass::Still : ObjectClass::Oscillator;
    info.period = period;
    CanonicalForm form = CanonicalCode(phases_, rule_.stateCount, rule_.symmetry, moved_[0], moved_[1]);
    info.name = NameOf(info.kind, period, phases_[0].size(), form.code);
    info.sample = std::move(form.cells);
    info.dx = form.dx;
    info.dy = form.dy;
    return info;
}

}  // namespace authoring
