#include "core/row_bands.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#ifdef __linux__
#include <sched.h>
#endif

namespace lx {
namespace {

constexpr qint64 kDefaultMinimumWork = qint64(1) << 21;
constexpr int kMostThreads = 8;

std::atomic<int> requestedThreads{0};
std::atomic<qint64> minimumWork{kDefaultMinimumWork};

// Set while a thread runs a band, so that work a band starts stays on it.
thread_local bool runningBand = false;

int coresAvailable() {
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(CPU_COUNT(&set), 1);
#endif
    return std::max(int(std::thread::hardware_concurrency()), 1);
}

int wantedThreads() {
    const int asked = requestedThreads.load();
    return std::clamp(asked > 0 ? asked : coresAvailable(), 1, kMostThreads);
}

// Band k of n: rows Rows * k / n up to Rows * (k + 1) / n.
qsizetype bandStart(qsizetype rows, int band, int bands) {
    return qsizetype(qint64(rows) * band / bands);
}

class BandPool {
public:
    explicit BandPool(int threads) {
        for (int k = 1; k < threads; ++k) {
            try {
                workers_.emplace_back([this, k] { serve(k); });
            } catch (const std::system_error&) {
                break; // fewer threads than asked for still do the work
            }
        }
    }

    ~BandPool() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : workers_)
            t.join();
    }

    int threads() const { return int(workers_.size()) + 1; }

    void run(qsizetype rows, int bands, const RowWork& work) {
        {
            std::lock_guard lock(mutex_);
            work_ = &work;
            rows_ = rows;
            bands_ = bands;
            pending_ = bands - 1;
            error_ = nullptr;
            ++generation_;
        }
        wake_.notify_all();
        std::exception_ptr mine;
        runBand(work, 0, bandStart(rows, 1, bands), mine);
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return pending_ == 0; });
        work_ = nullptr;
        if (mine) std::rethrow_exception(mine);
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
    }

private:
    static void runBand(const RowWork& work, qsizetype first, qsizetype end,
                        std::exception_ptr& error) {
        runningBand = true;
        try {
            work(first, end);
        } catch (...) {
            error = std::current_exception();
        }
        runningBand = false;
    }

    void serve(int index) {
        std::unique_lock lock(mutex_);
        uint64_t seen = 0;
        for (;;) {
            wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
            if (stop_) return;
            seen = generation_;
            if (index >= bands_) continue;
            const RowWork& work = *work_;
            const qsizetype first = bandStart(rows_, index, bands_);
            const qsizetype end = bandStart(rows_, index + 1, bands_);
            lock.unlock();
            std::exception_ptr error;
            runBand(work, first, end, error);
            lock.lock();
            if (error && !error_) error_ = error;
            if (--pending_ == 0) done_.notify_one();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::vector<std::thread> workers_;
    uint64_t generation_ = 0;
    bool stop_ = false;
    const RowWork* work_ = nullptr;
    qsizetype rows_ = 0;
    int bands_ = 0;
    int pending_ = 0;
    std::exception_ptr error_;
};

// Held by the one caller that uses the pool at a time.
std::mutex poolInUse;
std::unique_ptr<BandPool> thePool;
int poolMadeFor = 0; // the thread count thePool was made for

} // namespace

void forRowBands(qsizetype Rows, qsizetype WorkPerRow, RowWork Work) {
    if (Rows <= 0) return;
    const qint64 work = qint64(Rows) * std::max<qint64>(WorkPerRow, 1);
    const int wanted = wantedThreads();
    if (wanted < 2 || Rows < 2 || work < minimumWork.load() || runningBand) {
        Work(0, Rows);
        return;
    }
    std::unique_lock busy(poolInUse, std::try_to_lock);
    if (!busy.owns_lock()) {
        Work(0, Rows);
        return;
    }
    if (!thePool || poolMadeFor != wanted) {
        thePool.reset();
        try {
            thePool = std::make_unique<BandPool>(wanted);
            poolMadeFor = wanted;
        } catch (const std::bad_alloc&) {
            busy.unlock();
            Work(0, Rows);
            return;
        }
    }
    const int bands = int(std::min<qint64>(thePool->threads(), Rows));
    if (bands < 2) {
        Work(0, Rows);
        return;
    }
    thePool->run(Rows, bands, Work);
}

int rowBandCount() {
    return wantedThreads();
}

void setRowBandThreads(int Threads) {
    requestedThreads.store(std::max(Threads, 0));
}

void setRowBandMinimumWork(qint64 Work) {
    minimumWork.store(Work > 0 ? Work : kDefaultMinimumWork);
}

} // namespace lx
