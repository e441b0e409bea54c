#include "engine/C_ParallelTasks.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

void C_ParallelTasks::Run(size_t nTasks, const std::function<void(size_t)>& fnTask, unsigned nThreads)
{
    if (nThreads == 0)
        nThreads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    const size_t nWorkers = std::min<size_t>(nThreads, nTasks);
    if (nWorkers <= 1) {
        for (size_t i = 0; i < nTasks; ++i)
            fnTask(i);
        return;
    }
    std::atomic<size_t> nNext{0};
    std::atomic<bool> bFailed{false};
    std::exception_ptr pError;
    std::mutex errorLock;
    const auto Work = [&] {
        for (size_t i = nNext++; i < nTasks && !bFailed; i = nNext++) {
            try {
                fnTask(i);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(errorLock);
                if (!pError)
                    pError = std::current_exception();
                bFailed = true;
            }
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(nWorkers - 1);
    try {
        for (size_t t = 1; t < nWorkers; ++t)
            threads.emplace_back(Work);
    } catch (const std::system_error&) {
        // No more threads to be had: the ones there are (and this one) do the work.
    }
    Work();
    for (std::thread& thread : threads)
        thread.join();
    if (pError)
        std::rethrow_exception(pError);
}
