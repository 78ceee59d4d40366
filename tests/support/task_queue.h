#pragma once

// A thread's task queue for tests of BlockingPoster and the call monitor: the "window" side.
// Poster() queues tasks; RunFor/RunUntil run them on the calling thread, as an event loop
// would; Drop() destroys queued tasks unrun, as a window that is destroyed does.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "core/util/task_poster.h"

namespace linkvane::testing {

class TaskQueue {
  public:
    TaskPoster Poster() {
        return [this](std::function<void()> task) {
            {
                std::lock_guard lock(m_mutex);
                m_tasks.push_back(std::move(task));
            }
            m_changed.notify_all();
        };
    }

    // Runs tasks until done() holds (checked after each task) or the time is up; true if done.
    bool RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            std::function<void()> task;
            {
                std::unique_lock lock(m_mutex);
                if (!m_changed.wait_until(lock, deadline, [&] { return !m_tasks.empty(); }))
                    return done();
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            task();
        }
        return true;
    }

    void Drop() {
        std::deque<std::function<void()>> dropped;
        {
            std::lock_guard lock(m_mutex);
            dropped.swap(m_tasks);
        }
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_tasks;
};

}  // namespace linkvane::testing
