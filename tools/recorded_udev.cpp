#include "recorded_udev.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <fstream>

namespace linkvane::testing {

Result<std::vector<TtyEvent>> LoadUdevRecording(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in)
        return Fail("The recording " + path.string() + " cannot be read.");
    std::vector<TtyEvent> events;
    UdevProperties block;
    const auto endBlock = [&] {
        if (const auto action = block.find("ACTION"); action != block.end())
            events.push_back({TtyActionFromUdev(action->second), TtyDeviceFromUdev(block)});
        block.clear();
    };
    for (std::string line; std::getline(in, line);) {
        const std::size_t equals = line.find('=');
        if (line.empty()) {
            endBlock();
        } else if (equals != std::string::npos && line.find(' ') > equals) {
            block[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    endBlock();
    return events;
}

// One watch: the events played since it was made, and a pipe that is readable while any wait.
class RecordedUdev::Queue final : public TtyWatch {
  public:
    explicit Queue(RecordedUdev& source) : m_source(source) {
        std::array<int, 2> ends{};
        if (::pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK) == 0) {
            m_read = FileDescriptor(ends[0]);
            m_write = FileDescriptor(ends[1]);
        }
    }
    ~Queue() override {
        const std::lock_guard lock(m_source.m_mutex);
        std::erase(m_source.m_watches, this);
    }
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;

    // With the source's mutex held.
    void Push(const TtyEvent& event) {
        m_waiting.push_back(event);
        (void)!::write(m_write.get(), "e", 1);
    }

    int Fd() const override { return m_read.get(); }
    std::vector<TtyEvent> TakeEvents() override {
        const std::lock_guard lock(m_source.m_mutex);
        std::array<char, 64> drained{};
        while (::read(m_read.get(), drained.data(), drained.size()) > 0) {
        }
        return std::exchange(m_waiting, {});
    }

  private:
    RecordedUdev& m_source;
    std::vector<TtyEvent> m_waiting;
    FileDescriptor m_read;
    FileDescriptor m_write;
};

RecordedUdev::RecordedUdev(std::vector<TtyDevice> present) : m_present(std::move(present)) {}

void RecordedUdev::Play(const TtyEvent& event) {
    const std::lock_guard lock(m_mutex);
    std::erase_if(m_present, [&](const TtyDevice& d) { return d.name == event.device.name; });
    if (event.action == TtyAction::Add)
        m_present.push_back(event.device);
    for (Queue* watch : m_watches)
        watch->Push(event);
}

Result<std::vector<TtyDevice>> RecordedUdev::Enumerate() {
    const std::lock_guard lock(m_mutex);
    return m_present;
}

std::unique_ptr<TtyWatch> RecordedUdev::Watch() {
    auto watch = std::make_unique<Queue>(*this);
    const std::lock_guard lock(m_mutex);
    m_watches.push_back(watch.get());
    return watch;
}

}  // namespace linkvane::testing
