#pragma once

// Moving work onto the thread that owns a window (the GUI thread in the program).
//
// TaskPoster queues a task to run later on the target thread and returns at once; a task the
// target drops (its window has been destroyed) never runs.
//
// BlockingPoster is the synchronous form, for a worker that must wait until the target has
// handled what it sent (the call monitor hands over a record that lives on its own stack).
// Send() runs the task on the target thread and returns true once it has run. It returns
// false, without running the task, when the poster is closed, when it is closed while the
// send waits, or when the target drops the task. Close() is what makes shutdown safe: a
// worker blocked in Send() is released, so the closing thread can then wait for the worker
// without a deadlock. Close() waits for a task that is running at that moment to finish,
// unless it is called from inside that task. Open() lets sends through again; tasks queued
// before a Close() never run, even after a later Open().
//
// Threads: Send() from any thread but the target's; Open() and Close() from any thread. The
// task poster must outlive the object.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace linkvane {

// Runs a task on the thread that is to see it.
using TaskPoster = std::function<void(std::function<void()>)>;

class BlockingPoster {
  public:
    explicit BlockingPoster(TaskPoster post);
    ~BlockingPoster();  // closes
    BlockingPoster(const BlockingPoster&) = delete;
    BlockingPoster& operator=(const BlockingPoster&) = delete;

    bool Send(const std::function<void()>& task);
    void Open();
    void Close();

  private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        bool open = true;
        std::uint64_t generation = 0;  // advanced by every Close()
        bool running = false;          // a task runs on the target thread now
        std::thread::id runner;
    };
    class Delivery;

    TaskPoster m_post;
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

}  // namespace linkvane
