#pragma once
// A thread that runs the jobs handed to it one after another, in the order
// given, for as long as the object lives: work that goes to another thread
// many times over (each mail of a run) pays for a thread once, and keeps its
// memory and its libraries' per-thread state warm.

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

class SerialWorker {
public:
    SerialWorker();
    // The jobs handed over still run; then the thread ends.
    ~SerialWorker();
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    void post(std::function<void()> job);

    // The job's result, when it has run.
    template <typename F>
    std::future<std::invoke_result_t<F>> run(F job) {
        auto task = std::make_shared<std::packaged_task<std::invoke_result_t<F>()>>(std::move(job));
        auto result = task->get_future();
        post([task] { (*task)(); });
        return result;
    }

private:
    void loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool ending_ = false;
    std::thread thread_;
};
