#include "core/serial_worker.h"

SerialWorker::SerialWorker() : thread_([this] { loop(); }) {}

SerialWorker::~SerialWorker() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void SerialWorker::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void SerialWorker::loop() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return ending_ || !jobs_.empty(); });
            if (jobs_.empty()) return;  // ending, nothing left
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}
