#pragma once
// Runs independent tasks on the machine's cores: the picture-wide passes of adaptive hiding
// (costs per colour plane, the keyed order, the coder's parts) each split into tasks that share
// nothing but what they read.

#include <cstddef>
#include <functional>

class C_ParallelTasks {
public:
    // Calls fnTask(0) .. fnTask(nTasks - 1), each once, on up to nThreads threads (0: one per
    // core, at most 8); returns when all are done. The first exception a task throws is thrown
    // here once the others have finished; tasks not yet begun are then skipped.
    static void Run(size_t nTasks, const std::function<void(size_t)>& fnTask, unsigned nThreads = 0);
};
