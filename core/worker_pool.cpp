#include "core/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace core {

namespace {

constexpr int kMaxThreads = 256;

std::atomic<int> gThreadCount{0};

// One job at a time. The caller fills in the job, opens it (state_ becomes odd), claims tasks
// alongside the workers, closes it (state_ even) when none are left, and then waits until no
// worker is inside it: a worker enters by counting itself in active_ before checking that the job
// is still open (sequentially consistent on both sides), so the job's fields are never rewritten
// while a worker may read them. Sleeping and waking go through atomic wait and notify: no locks.
class WorkerPool {
public:
    ~WorkerPool() {
        stop_.store(true);
        state_.fetch_add(2);
        state_.notify_all();
        for (std::thread& thread : threads_) thread.join();
    }

    // False, doing nothing, when another call holds the pool.
    bool Run(int count, int threads, TaskFn task, void* context) {
        if (busy_.exchange(true, std::memory_order_acquire)) return false;
        Grow(threads - 1);
        task_ = task;
        context_ = context;
        count_ = count;
        helpers_ = std::min(threads - 1, static_cast<int>(threads_.size()));
        next_.store(0, std::memory_order_relaxed);
        const std::uint32_t open = state_.load(std::memory_order_relaxed) + 1;
        state_.store(open);
        state_.notify_all();
        Drain();
        state_.store(open + 1);
        for (int active = active_.load(); active != 0; active = active_.load()) active_.wait(active);
        std::exception_ptr error = std::exchange(error_, nullptr);
        failed_.store(false, std::memory_order_relaxed);
        busy_.store(false, std::memory_order_release);
        if (error) std::rethrow_exception(error);
        return true;
    }

private:
    void Grow(int workers) {
        const std::uint32_t closed = state_.load(std::memory_order_relaxed);
        try {
            while (static_cast<int>(threads_.size()) < workers) {
                const int index = static_cast<int>(threads_.size());
                threads_.emplace_back([this, index, closed] { Work(index, closed); });
            }
        } catch (const std::system_error&) {
            // The system refused another thread: go on with those there are.
        }
    }

    void Work(int index, std::uint32_t seen) {
        for (;;) {
            state_.wait(seen, std::memory_order_acquire);
            seen = state_.load(std::memory_order_acquire);
            if (stop_.load(std::memory_order_acquire)) return;
            if ((seen & 1) == 0) continue;
            active_.fetch_add(1);
            if (state_.load() == seen && index < helpers_) Drain();
            if (active_.fetch_sub(1) == 1) active_.notify_one();
        }
    }

    void Drain() {
        for (int i = next_.fetch_add(1, std::memory_order_relaxed); i < count_;
             i = next_.fetch_add(1, std::memory_order_relaxed)) {
            if (failed_.load(std::memory_order_relaxed)) continue;
            try {
                task_(context_, i);
            } catch (...) {
                if (!failed_.exchange(true)) error_ = std::current_exception();
            }
        }
    }

    std::vector<std::thread> threads_;
    // The job: written by the caller only while no worker is inside one.
    TaskFn task_ = nullptr;
    void* context_ = nullptr;
    int count_ = 0;
    int helpers_ = 0;
    std::exception_ptr error_;

    std::atomic<int> next_{0};
    std::atomic<std::uint32_t> state_{0};
    std::atomic<int> active_{0};
    std::atomic<bool> busy_{false};
    std::atomic<bool> failed_{false};
    std::atomic<bool> stop_{false};
};

WorkerPool& Pool() {
    static WorkerPool pool;
    return pool;
}

}  // namespace

void SetWorkerThreadCount(int count) { gThreadCount.store(std::clamp(count, 0, kMaxThreads)); }

int WorkerThreadCount() {
    const int count = gThreadCount.load(std::memory_order_relaxed);
    if (count > 0) return count;
    static const int cores = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxThreads);
    return cores;
}

void RunTasks(int count, TaskFn task, void* context) {
    const int threads = std::min(WorkerThreadCount(), count);
    if (threads > 1 && Pool().Run(count, threads, task, context)) return;
    for (int i = 0; i < count; ++i) task(context, i);
}

}  // namespace core
