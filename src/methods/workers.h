// A fixed set of threads that run one indexed job at a time: run(count, f) calls f(k, t) for
// every k in [0, count), t the number of the thread (0 the caller), and returns when all are
// done. Which thread takes which k varies; callers write results by k, so what they compute
// does not depend on the number of threads.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace methods {

class Workers {
public:
    explicit Workers(int threads) {
        for (int t = 1; t < threads; ++t) pool_.emplace_back([this, t] { loop(t); });
    }
    ~Workers() {
        {
            std::lock_guard<std::mutex> lock(mu_);
            quit_ = true;
        }
        wake_.notify_all();
        for (std::thread& th : pool_) th.join();
    }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    int threads() const { return static_cast<int>(pool_.size()) + 1; }

    void run(std::size_t count, const std::function<void(std::size_t, int)>& f) {
        if (pool_.empty() || count <= 1) {
            for (std::size_t k = 0; k < count; ++k) f(k, 0);
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mu_);
            job_ = &f;
            count_ = count;
            next_.store(0);
            busy_ = static_cast<int>(pool_.size());
            ++generation_;
        }
        wake_.notify_all();
        work(0);
        std::unique_lock<std::mutex> lock(mu_);
        done_.wait(lock, [this] { return busy_ == 0; });
        job_ = nullptr;
    }

private:
    void work(int t) {
        for (std::size_t k = next_.fetch_add(1); k < count_; k = next_.fetch_add(1)) (*job_)(k, t);
    }
    void loop(int t) {
        unsigned long seen = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mu_);
                wake_.wait(lock, [&] { return quit_ || generation_ != seen; });
                if (quit_) return;
                seen = generation_;
            }
            work(t);
            {
                std::lock_guard<std::mutex> lock(mu_);
                if (--busy_ == 0) done_.notify_one();
            }
        }
    }

    std::vector<std::thread> pool_;
    std::mutex mu_;
    std::condition_variable wake_, done_;
    const std::function<void(std::size_t, int)>* job_ = nullptr;
    std::size_t count_ = 0;
    std::atomic<std::size_t> next_{0};
    int busy_ = 0;
    unsigned long generation_ = 0;
    bool quit_ = false;
};

}  // namespace methods
