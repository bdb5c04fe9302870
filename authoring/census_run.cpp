#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "authoring/census.h"
#include "authoring/census_tally.h"
#include "authoring/soup_runner.h"
#include "core/worker_pool.h"

namespace authoring {

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);

void CheckOptions(const core::Rule& rule, const CensusOptions& options) {
    if (rule.table.empty() || rule.stateCount < core::kMinStateCount || rule.stateCount > core::kMaxStateCount)
        throw std::runtime_error("The census needs a rule with 2 to 16 states.");
    if (rule.table[0] != 0)
        throw std::runtime_error("The census needs a rule that keeps empty neighbourhoods empty (no B0).");
    if (options.soups < 0) throw std::runtime_error("The number of soups cannot be negative.");
    if (options.size < 1 || options.size > 4096) throw std::runtime_error("The soup size must be 1 to 4096.");
    if (!(options.density >= 0.0 && options.density <= 1.0))
        throw std::runtime_error("The soup density must be between 0 and 1.");
    if (options.maxGenerations < 1) throw std::runtime_error("The generation limit must be at least 1.");
    if (options.threads < 0) throw std::runtime_error("The thread count cannot be negative.");
    if (options.soups > 0 && std::uint64_t{options.seed} + static_cast<std::uint64_t>(options.soups) - 1 > UINT32_MAX)
        throw std::runtime_error("The soups' seeds would pass 4294967295.");
}

// Soups handed out in order, so that the soups finished when a cancel stops the threads are
// exactly the first ones: each thread finishes the soup it took.
struct SoupQueue {
    std::atomic<std::uint64_t> next{0};
    std::atomic<std::uint64_t> finished{0};
    std::atomic<bool> stop{false};
    std::uint64_t total = 0;
    std::mutex mutex;
    std::condition_variable changed;
    std::exception_ptr failure;

    bool Take(std::uint64_t& index) {
        if (stop.load()) return false;
        index = next.fetch_add(1);
        return index < total;
    }
    std::uint64_t Taken() const { return std::min(next.load(), total); }
};

void Work(const core::Rule& rule, const CensusOptions& options, SoupQueue& queue, CensusTally& tally) {
    try {
        SoupRunner runner(rule, options);
        for (std::uint64_t index; queue.Take(index);) {
            runner.Run(index, tally);
            queue.finished.fetch_add(1);
            queue.changed.notify_one();
        }
    } catch (...) {
        std::lock_guard lock(queue.mutex);
        if (!queue.failure) queue.failure = std::current_exception();
        queue.stop = true;
    }
    queue.changed.notify_one();
}

}  // namespace

CensusResult RunCensus(const core::Rule& rule, const std::string& ruleName, const CensusOptions& options,
                       const std::function<bool(int)>& progress) {
    CheckOptions(rule, options);
    const int threads = std::max(1, std::min(options.threads > 0 ? options.threads : core::WorkerThreadCount(),
                                             std::max(options.soups, 1)));
    SoupQueue queue;
    queue.total = static_cast<std::uint64_t>(options.soups);
    std::vector<CensusTally> tallies(static_cast<std::size_t>(threads));
    if (threads == 1) {
        SoupRunner runner(rule, options);
        // The first soup is reported at once: a cancel need not wait a whole interval.
        auto reported = std::chrono::steady_clock::now() - kProgressInterval;
        for (std::uint64_t index; queue.Take(index);) {
            runner.Run(index, tallies[0]);
            queue.finished.fetch_add(1);
            if (progress && std::chrono::steady_clock::now() - reported >= kProgressInterval) {
                reported = std::chrono::steady_clock::now();
                if (!progress(static_cast<int>(queue.finished.load()))) queue.stop = true;
            }
        }
    } else {
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back(Work, std::cref(rule), std::cref(options), std::ref(queue), std::ref(tallies[t]));
        {
            std::unique_lock lock(queue.mutex);
            while (queue.finished.load() < queue.total && !queue.stop) {
                queue.changed.wait_for(lock, kProgressInterval);
                if (progress && !queue.stop) {
                    lock.unlock();
                    const bool goOn = progress(static_cast<int>(queue.finished.load()));
                    lock.lock();
                    if (!goOn) queue.stop = true;
                }
            }
        }
        for (std::thread& worker : workers) worker.join();
        if (queue.failure) std::rethrow_exception(queue.failure);
    }
    for (std::size_t t = 1; t < tallies.size(); ++t) tallies[0].Absorb(std::move(tallies[t]));
    CensusResult result;
    result.rule = ruleName;
    result.options = options;
    result.options.soups = static_cast<int>(queue.Taken());
    result.firstSeed = options.seed;
    result.lastSeed = result.options.soups > 0 ? options.seed + static_cast<std::uint32_t>(result.options.soups - 1)
                                               : options.seed;
    result.objects = tallies[0].Objects(rule.stateCount, ruleName);
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
