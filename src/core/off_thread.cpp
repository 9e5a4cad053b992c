#include "core/off_thread.h"

#include "core/serial_worker.h"

#include <QCoreApplication>

#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr int kSliceMs = 20;

// Idle worker threads, kept for the next call: a run makes hundreds of
// calls, and a thread made for each costs more than some calls themselves.
// A call made while another waits (from the events it lets run) takes a
// worker of its own.
class WorkerPool {
public:
    std::unique_ptr<SerialWorker> take() {
        std::lock_guard lock(mutex_);
        if (idle_.empty()) return std::make_unique<SerialWorker>();
        std::unique_ptr<SerialWorker> worker = std::move(idle_.back());
        idle_.pop_back();
        return worker;
    }
    void giveBack(std::unique_ptr<SerialWorker> worker) {
        std::lock_guard lock(mutex_);
        if (idle_.size() < kKept) idle_.push_back(std::move(worker));
    }
    // The kept threads end (and free what libraries keep per thread).
    void clear() {
        std::vector<std::unique_ptr<SerialWorker>> ending;
        {
            std::lock_guard lock(mutex_);
            ending.swap(idle_);
        }
    }

private:
    static constexpr size_t kKept = 4;
    std::mutex mutex_;
    std::vector<std::unique_ptr<SerialWorker>> idle_;
};

WorkerPool& workers() {
    static WorkerPool pool;
    // The threads end with the application, before the libraries they used
    // are torn down at exit (OpenSSL frees its per-thread state only for a
    // thread that ends before its own clean-up).
    static const bool ending = [] {
        if (QCoreApplication::instance()) qAddPostRoutine([] { workers().clear(); });
        return true;
    }();
    (void)ending;
    return pool;
}

}  // namespace

void runOffThread(const std::function<void()>& work, const std::function<void()>& eachSlice) {
    std::unique_ptr<SerialWorker> worker = workers().take();
    std::future<void> finished = worker->run([&work] { work(); });
    for (bool done = false; !done;) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, kSliceMs);
        done = finished.wait_for(std::chrono::milliseconds(kSliceMs)) == std::future_status::ready;
        if (eachSlice) eachSlice();
    }
    workers().giveBack(std::move(worker));
    finished.get();  // what the work threw, thrown here
}
