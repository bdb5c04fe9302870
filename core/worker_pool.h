#pragma once

namespace core {

// Threads that stepping may use, the calling thread included; 0 (the default) means one per core.
void SetWorkerThreadCount(int count);
// The count in effect: the setting, or the number of cores.
int WorkerThreadCount();

using TaskFn = void (*)(void* context, int task);

// Runs task(context, i) for every i in [0, count) and returns once all have finished. The calling
// thread takes part, helped by up to WorkerThreadCount() - 1 threads of a pool that is started on
// first use and kept for the life of the process. A call made while another is running (from a
// task, or from a second thread) runs its tasks on the calling thread alone. The first exception
// a task throws is rethrown here once every task has ended.
void RunTasks(int count, TaskFn task, void* context);

template <class Task>
void ParallelFor(int count, Task& task) {
    RunTasks(count, [](void* context, int i) { (*static_cast<Task*>(context))(i); }, &task);
}

}  // namespace core
