// linkvane-pop3-server: dovecot's POP3 server with one mailbox, for a provider that a test
// builds itself (the real link's provider, for one).
//
//   linkvane-pop3-server ADDRESS PORT USER MESSAGES SIZE < PASSWORD
//
// The mailbox of USER holds MESSAGES messages of about SIZE bytes each. The password is read
// from standard input (one line), so that it is never on a command line. Prints "ready" once
// the server accepts connections and serves until it is ended by SIGTERM or SIGINT.

#include <signal.h>

#include <charconv>
#include <iostream>
#include <string>
#include <string_view>

#include "tools/dovecot_server.h"

namespace {

template <typename T>
bool ParseNumber(std::string_view text, T& out) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

int main(int argc, char* argv[]) {
    std::uint16_t port = 0;
    std::size_t count = 0;
    std::size_t size = 0;
    if (argc != 6 || !ParseNumber(argv[2], port) || !ParseNumber(argv[4], count) ||
        !ParseNumber(argv[5], size)) {
        std::cerr << "usage: linkvane-pop3-server ADDRESS PORT USER MESSAGES SIZE < PASSWORD\n";
        return 2;
    }
    linkvane::testing::Mailbox box{argv[3], {}, {}};
    std::getline(std::cin, box.password);
    box.messages.assign(count, linkvane::testing::MessageOfSize(size));

    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    ::sigprocmask(SIG_BLOCK, &stop, nullptr);
    try {
        const linkvane::testing::DovecotServer server({box}, nullptr, argv[1], port);
        std::cout << "ready" << std::endl;
        int signal = 0;
        ::sigwait(&stop, &signal);
    } catch (const std::exception& error) {
        std::cerr << "linkvane-pop3-server: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
