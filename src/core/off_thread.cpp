#include "core/off_thread.h"

#include <QCoreApplication>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {
constexpr int kSliceMs = 20;
}

void runOffThread(const std::function<void()>& work, const std::function<void()>& eachSlice) {
    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        {
            std::lock_guard lock(mutex);
            done = true;
        }
        finished.notify_all();
    });
    while (!done) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, kSliceMs);
        {
            std::unique_lock lock(mutex);
            finished.wait_for(lock, std::chrono::milliseconds(kSliceMs),
                              [&] { return done.load(); });
        }
        if (eachSlice) eachSlice();
    }
    worker.join();
}
