#include "core/window_kernel.h"

#include <array>
#include <memory>
#include <mutex>

#include "core/step_kernels.h"

namespace core {

namespace {

constexpr std::uint64_t kLargeTableEntries = std::uint64_t{1} << 31;
// Reading a table to recognise a family, once per rule key: up to six states (ten million
// entries, some 30 ms).
constexpr int kMaxRecognisedStates = 6;

// What a rule's table was recognised as: a faster form than the full table, or none.
struct RuleForms {
    std::optional<GenerationsRule> generations;
    std::shared_ptr<const NeighbourCountRule> counts;
};

RuleForms Recognise(const Rule& rule) {
    RuleForms forms;
    forms.generations = AsGenerations(rule);
    if (!forms.generations)
        if (std::optional<NeighbourCountRule> counts = AsNeighbourCount(rule))
            forms.counts = std::make_shared<const NeighbourCountRule>(std::move(*counts));
    return forms;
}

RuleForms FormsFor(const Rule& rule, std::uint64_t ruleKey) {
    if (ruleKey == 0 || rule.stateCount < 3 || rule.stateCount > kMaxRecognisedStates) return {};
    // The last few keys' answers: a run asks on every step, census threads each with their own key.
    struct Answer {
        std::uint64_t key = 0;
        RuleForms forms;
    };
    static std::mutex mutex;
    static std::array<Answer, 8> answers;
    static std::size_t nextSlot = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        for (const Answer& a : answers)
            if (a.key == ruleKey) return a.forms;
    }
    RuleForms found = Recognise(rule);
    const std::lock_guard<std::mutex> lock(mutex);
    answers[nextSlot] = {ruleKey, found};
    nextSlot = (nextSlot + 1) % answers.size();
    return found;
}

}  // namespace

WindowKernel::WindowKernel(const Rule& rule, std::uint64_t ruleKey)
    : rule_(rule), lifeLike_(AsLifeLike(rule)), largeIndices_(RuleTableSize(rule.stateCount) >= kLargeTableEntries) {
    if (lifeLike_) return;
    RuleForms forms = FormsFor(rule, ruleKey);
    generations_ = forms.generations;
    counts_ = std::move(forms.counts);
}

void WindowKernel::Step(int width, int height, int stride, const std::uint8_t* window, std::uint8_t* result) const {
    if (lifeLike_) StepLifeLikeWindow(*lifeLike_, width, height, stride, window, result);
    else if (generations_) StepGenerationsWindow(*generations_, width, height, stride, window, result);
    else if (counts_) StepNeighbourCountWindow(*counts_, width, height, stride, window, result);
    else if (largeIndices_) StepLargeStateWindow(rule_, width, height, stride, window, result);
    else StepDenseKernel(width, height, stride, rule_.stateCount, window, rule_.table.data(), result);
}

void StepLargeStateWindow(const Rule& rule, int width, int height, int stride, const std::uint8_t* window,
                          std::uint8_t* result) {
    if (width < 3 || height < 3) return;
    const auto n = static_cast<std::uint64_t>(rule.stateCount);
    const std::uint64_t n3 = n * n * n;
    for (int y = 1; y + 1 < height; ++y) {
        const std::uint8_t* above = window + static_cast<std::ptrdiff_t>(y - 1) * stride;
        const std::uint8_t* row = above + stride;
        const std::uint8_t* below = row + stride;
        std::uint8_t* out = result + static_cast<std::ptrdiff_t>(y - 1) * (width - 2);
        for (int x = 1; x + 1 < width; ++x) {
            const std::uint64_t top = (above[x - 1] * n + above[x]) * n + above[x + 1];
            const std::uint64_t mid = (row[x - 1] * n + row[x]) * n + row[x + 1];
            const std::uint64_t bottom = (below[x - 1] * n + below[x]) * n + below[x + 1];
            out[x - 1] = rule.table[(top * n3 + mid) * n3 + bottom];
        }
    }
}

}  // namespace core
