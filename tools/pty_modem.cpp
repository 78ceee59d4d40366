#include "pty_modem.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <utility>

namespace linkvane::testing {

PtyModem::PtyModem(Answer answer, std::chrono::milliseconds drip)
    : m_master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (::grantpt(m_master.get()) == 0 && ::unlockpt(m_master.get()) == 0)
        m_device = ::ptsname(m_master.get());
    m_thread = std::thread([this, answer = std::move(answer), drip] { Serve(answer, drip); });
}

PtyModem::~PtyModem() {
    m_stop = true;
    m_thread.join();
}

void PtyModem::Serve(const Answer& answer, std::chrono::milliseconds drip) {
    std::string command;
    for (char c = 0; !m_stop;) {
        pollfd line{m_master.get(), POLLIN, 0};
        if (::poll(&line, 1, 10) <= 0 || ::read(m_master.get(), &c, 1) != 1) {
            // Nobody has the line open (yet, or any more).
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (c != '\r') {
            command += c;
            continue;
        }
        for (const char out : answer(std::exchange(command, {}))) {
            (void)!::write(m_master.get(), &out, 1);
            std::this_thread::sleep_for(drip);
            if (m_stop)
                break;
        }
    }
}

}  // namespace linkvane::testing
