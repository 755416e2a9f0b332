// A small fixed pool of worker threads for loops whose iterations are independent.
//
// run(n, f) calls f(k) once for every k in 0..n-1, spread over the calling thread and the
// workers, and returns when all are done. The first exception thrown by any f(k) is rethrown
// in the caller after the loop (the remaining iterations are skipped). f must not draw from the
// program's random stream or touch other shared state without its own lock. One run at a time.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace parallel {

// Threads of the machine (at least 1).
int hardware_threads();

class Pool {
public:
    // threads - 1 workers beside the caller; 1 runs everything on the caller.
    explicit Pool(int threads);
    ~Pool();
    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;

    int threads() const { return static_cast<int>(workers_.size()) + 1; }
    void run(int n, const std::function<void(int)>& f);

private:
    void work();
    void drain();

    std::vector<std::thread> workers_;
    std::mutex m_;
    std::condition_variable wake_, done_;
    const std::function<void(int)>* job_ = nullptr;
    int n_ = 0, next_ = 0, busy_ = 0;
    unsigned long round_ = 0;
    bool stop_ = false;
    std::exception_ptr error_;
};

}  // namespace parallel
