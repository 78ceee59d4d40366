#include "core/util/task_poster.h"

#include <utility>

namespace linkvane {

// One send's task on its way to the target. It runs the task only if the poster has not been
// closed since the send, and tells the sender when it has run or when the target drops it
// unrun, so the sender never waits for a task that will not come.
class BlockingPoster::Delivery {
  public:
    Delivery(std::shared_ptr<State> state, std::uint64_t generation,
             const std::function<void()>& task)
        : m_state(std::move(state)), m_generation(generation), m_task(task) {}

    void Run() {
        {
            std::lock_guard lock(m_state->mutex);
            if (m_finished || !m_state->open || m_state->generation != m_generation)
                return;
            m_state->running = true;
            m_state->runner = std::this_thread::get_id();
        }
        m_task();
        {
            std::lock_guard lock(m_state->mutex);
            m_state->running = false;
            m_state->runner = {};
            m_ran = true;
        }
        Finish();
    }

    // Whether the sender may stop waiting, and what it is told. Called under the state's lock.
    bool Finished(bool& ran) const {
        ran = m_ran;
        return m_finished;
    }

    void Finish() {
        {
            std::lock_guard lock(m_state->mutex);
            m_finished = true;
        }
        m_state->changed.notify_all();
    }

  private:
    std::shared_ptr<State> m_state;
    std::uint64_t m_generation;
    const std::function<void()>& m_task;  // lives on the sender's stack while it waits
    bool m_finished = false;
    bool m_ran = false;
};

namespace {

// What the target's queue holds: when its last copy goes, run or dropped, the sender is told.
template <class DeliveryT>
class QueuedDelivery {
  public:
    explicit QueuedDelivery(std::shared_ptr<DeliveryT> delivery)
        : m_delivery(std::move(delivery)) {}
    ~QueuedDelivery() { m_delivery->Finish(); }
    QueuedDelivery(const QueuedDelivery&) = delete;
    QueuedDelivery& operator=(const QueuedDelivery&) = delete;
    void Run() { m_delivery->Run(); }

  private:
    std::shared_ptr<DeliveryT> m_delivery;
};

}  // namespace

BlockingPoster::BlockingPoster(TaskPoster post) : m_post(std::move(post)) {}

BlockingPoster::~BlockingPoster() {
    Close();
}

bool BlockingPoster::Send(const std::function<void()>& task) {
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(m_state->mutex);
        if (!m_state->open)
            return false;
        generation = m_state->generation;
    }
    auto delivery = std::make_shared<Delivery>(m_state, generation, task);
    auto queued = std::make_shared<QueuedDelivery<Delivery>>(delivery);
    m_post([queued] { queued->Run(); });
    queued.reset();

    // Closed while waiting: return, but not while the task runs, for it uses this frame. A
    // delivery that comes later sees the new generation and leaves the task alone.
    std::unique_lock lock(m_state->mutex);
    bool ran = false;
    m_state->changed.wait(lock, [&] {
        return delivery->Finished(ran) || (m_state->generation != generation && !m_state->running);
    });
    return ran;
}

void BlockingPoster::Open() {
    std::lock_guard lock(m_state->mutex);
    m_state->open = true;
}

void BlockingPoster::Close() {
    std::unique_lock lock(m_state->mutex);
    m_state->open = false;
    ++m_state->generation;
    m_state->changed.notify_all();
    // A task that runs now uses the sender's frame: wait for it, unless it is closing us.
    m_state->changed.wait(
        lock, [&] { return !m_state->running || m_state->runner == std::this_thread::get_id(); });
}

}  // namespace linkvane
