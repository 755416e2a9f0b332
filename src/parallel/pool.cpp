#include "parallel/pool.h"

namespace parallel {

int hardware_threads() {
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? static_cast<int>(n) : 1;
}

Pool::Pool(int threads) {
    for (int k = 1; k < threads; ++k) workers_.emplace_back([this] { work(); });
}

Pool::~Pool() {
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
}

// Takes iterations until none is left; the lock is held only to take one.
void Pool::drain() {
    std::unique_lock<std::mutex> lock(m_);
    while (next_ < n_) {
        const int k = next_++;
        const std::function<void(int)>* f = job_;
        lock.unlock();
        try {
            (*f)(k);
        } catch (...) {
            lock.lock();
            if (!error_) error_ = std::current_exception();
            next_ = n_;  // skip the rest
            continue;
        }
        lock.lock();
    }
}

void Pool::work() {
    unsigned long seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_);
            wake_.wait(lock, [&] { return stop_ || round_ != seen; });
            if (stop_) return;
            seen = round_;
            ++busy_;
        }
        drain();
        {
            std::lock_guard<std::mutex> lock(m_);
            --busy_;
        }
        done_.notify_all();
    }
}

void Pool::run(int n, const std::function<void(int)>& f) {
    if (workers_.empty()) {
        for (int k = 0; k < n; ++k) f(k);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_);
        job_ = &f;
        n_ = n;
        next_ = 0;
        error_ = nullptr;
        ++round_;
    }
    wake_.notify_all();
    drain();
    std::exception_ptr error;
    {
        std::unique_lock<std::mutex> lock(m_);
        done_.wait(lock, [&] { return busy_ == 0 && next_ >= n_; });
        error = error_;
        job_ = nullptr;
        n_ = 0;
    }
    if (error) std::rethrow_exception(error);
}

}  // namespace parallel
