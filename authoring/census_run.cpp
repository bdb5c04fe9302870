#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "authoring/census.h"
#include "authoring/census_tally.h"
#include "authoring/soup_runner.h"
#include "core/worker_pool.h"

namespace authoring {

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);
// Beyond it one soup of a rule that never settles would take hours.
constexpr int kMaxGenerationLimit = 1000000;
// Soups per task in one batch.
constexpr std::uint64_t kBatchSoups = 64;

void CheckOptions(const core::Rule& rule, const CensusOptions& options) {
    if (rule.table.empty() || rule.stateCount < core::kMinStateCount || rule.stateCount > core::kMaxStateCount)
        throw std::runtime_error("The census needs a rule with 2 to 16 states.");
    if (rule.table[0] != 0)
        throw std::runtime_error("The census needs a rule that keeps empty neighbourhoods empty (no B0).");
    if (options.soups < 0) throw std::runtime_error("The number of soups cannot be negative.");
    if (options.size < 1 || options.size > 4096) throw std::runtime_error("The soup size must be 1 to 4096.");
    if (!(options.density >= 0.0 && options.density <= 1.0))
        throw std::runtime_error("The soup density must be between 0 and 1.");
    if (options.maxGenerations < 1 || options.maxGenerations > kMaxGenerationLimit)
        throw std::runtime_error("The generation limit must be 1 to 1000000.");
    if (options.threads < 0) throw std::runtime_error("The thread count cannot be negative.");
    if (options.soups > 0 && std::uint64_t{options.seed} + static_cast<std::uint64_t>(options.soups) - 1 > UINT32_MAX)
        throw std::runtime_error("The soups' seeds would pass 4294967295.");
}

// Soups are handed out in order and every soup taken is finished, so that the soups done when a
// cancel stops the tasks are exactly the first ones. They run as tasks of the worker pool, so that
// the steps inside them stay on their own thread, in batches, so that a census started while the
// pool is busy elsewhere gets its threads back at the next batch.
class CensusJob {
public:
    CensusJob(const core::Rule& rule, const CensusOptions& options, int tasks,
              const std::function<bool(int)>& progress)
        : rule_(rule), options_(options), progress_(progress), runners_(static_cast<std::size_t>(tasks)),
          tallies_(static_cast<std::size_t>(tasks)) {}

    void operator()(int task) {
        std::unique_ptr<SoupRunner>& runner = runners_[static_cast<std::size_t>(task)];
        if (!runner) runner = std::make_unique<SoupRunner>(rule_, options_);
        while (!stop_.load()) {
            const std::uint64_t index = next_.fetch_add(1);
            if (index >= batchEnd_) return;
            runner->Run(index, tallies_[static_cast<std::size_t>(task)]);
            finished_.fetch_add(1);
            if (std::this_thread::get_id() == caller_) Report(false);
        }
    }

    // Soups [done, end); returns the soups done after it.
    std::uint64_t RunBatch(std::uint64_t done, std::uint64_t end) {
        next_.store(done);
        batchEnd_ = end;
        // One task stays on the calling thread, so that its progress is reported as it goes.
        if (runners_.size() == 1) (*this)(0);
        else core::ParallelFor(static_cast<int>(runners_.size()), *this);
        Report(true);
        return std::min(next_.load(), end);
    }

    bool Stopped() const { return stop_.load(); }

    CensusTally TakeTally() {
        for (std::size_t t = 1; t < tallies_.size(); ++t) tallies_[0].Absorb(std::move(tallies_[t]));
        return std::move(tallies_[0]);
    }

private:
    // From the calling thread only: at once when `now`, else after kProgressInterval.
    void Report(bool now) {
        if (!progress_ || stop_.load()) return;
        const auto time = std::chrono::steady_clock::now();
        if (!now && time - reported_ < kProgressInterval) return;
        reported_ = time;
        if (!progress_(static_cast<int>(finished_.load()))) stop_.store(true);
    }

    const core::Rule& rule_;
    const CensusOptions& options_;
    const std::function<bool(int)>& progress_;
    std::vector<std::unique_ptr<SoupRunner>> runners_;
    std::vector<CensusTally> tallies_;
    std::atomic<std::uint64_t> next_{0}, finished_{0};
    std::uint64_t batchEnd_ = 0;
    std::atomic<bool> stop_{false};
    const std::thread::id caller_ = std::this_thread::get_id();
    // The first soup is reported at once: a cancel need not wait a whole interval.
    std::chrono::steady_clock::time_point reported_ = std::chrono::steady_clock::now() - kProgressInterval;
};

}  // namespace

CensusResult RunCensus(const core::Rule& rule, const std::string& ruleName, const CensusOptions& options,
                       const std::function<bool(int)>& progress) {
    CheckOptions(rule, options);
    const int tasks = std::max(1, std::min(options.threads > 0 ? options.threads : core::WorkerThreadCount(),
                                           std::max(options.soups, 1)));
    CensusJob job(rule, options, tasks, progress);
    const auto total = static_cast<std::uint64_t>(options.soups);
    std::uint64_t done = 0;
    while (done < total && !job.Stopped()) done = job.RunBatch(done, std::min(total, done + kBatchSoups * tasks));
    CensusResult result;
    result.rule = ruleName;
    result.options = options;
    result.options.soups = static_cast<int>(done);
    result.firstSeed = options.seed;
    result.lastSeed = done > 0 ? options.seed + static_cast<std::uint32_t>(done - 1) : options.seed;
    result.objects = job.TakeTally().Objects(rule.stateCount, ruleName);
    return result;
}

std::string_view ObjectClassName(ObjectClass kind) {
    switch (kind) {
        case ObjectClass::Still: return "still";
        case ObjectClass::Oscillator: return "oscillator";
        case ObjectClass::Spaceship: return "spaceship";
        case ObjectClass::Growing: return "growing";
        case ObjectClass::Unresolved: break;
    }
    return "unresolved";
}

}  // namespace authoring
