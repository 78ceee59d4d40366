#pragma once

// Shared by the connection tests: a task queue standing in for the GUI thread's event loop,
// and a sink that writes each dial event as a word ("state 3", "failed 25676", ...).

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/connection/ras_dialer.h"

namespace linkvane::testing {

class TaskQueue {
  public:
    TaskPoster Poster() {
        return [this](std::function<void()> task) {
            std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(task));
            m_posted.notify_all();
        };
    }
    // Runs tasks on this thread until `done` holds; false when `limit` passes first.
    bool RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            std::unique_lock lock(m_mutex);
            if (!m_posted.wait_until(lock, until, [this] { return !m_tasks.empty(); }))
                return false;
            auto task = std::move(m_tasks.front());
            m_tasks.pop_front();
            lock.unlock();
            task();
        }
        return true;
    }
    // Once a task is queued (its sender waits), destroys the queued tasks unrun: a window
    // that goes with a task still queued.
    void DropWhenQueued() {
        std::deque<std::function<void()>> dropped;
        std::unique_lock lock(m_mutex);
        m_posted.wait_for(lock, std::chrono::seconds(10), [this] { return !m_tasks.empty(); });
        dropped.swap(m_tasks);
        lock.unlock();
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_tasks;
};

class RecordingSink : public RasDialerEvents {
  public:
    void DialConnected(std::int16_t state) override {
        events.push_back("state " + std::to_string(state));
    }
    void DialDisconnected() override { events.push_back("disconnected"); }
    void DialFailed(std::int16_t& code, std::string& text, std::int16_t&) override {
        events.push_back("failed " + std::to_string(code));
        texts.push_back(text);
    }
    void DialTimedOut() override { events.push_back("timed out"); }

    bool Ended() const { return !events.empty() && events.back() == "disconnected"; }
    // The events without the states on the way (kept: the first state 8192).
    std::vector<std::string> Outcome() const {
        std::vector<std::string> out;
        for (const std::string& e : events) {
            if (e.rfind("state ", 0) != 0 || e == "state 8192")
                out.push_back(e);
        }
        return out;
    }

    std::vector<std::string> events;
    std::vector<std::string> texts;
};

}  // namespace linkvane::testing
