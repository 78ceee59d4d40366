#include "platform/modem_talk.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "core/util/file_descriptor.h"
#include "core/util/text.h"

namespace linkvane {

namespace {

using Clock = std::chrono::steady_clock;

std::optional<Clock::time_point> DeadlineAfter(std::optional<std::chrono::milliseconds> limit) {
    if (!limit)
        return std::nullopt;
    return Clock::now() + *limit;
}

std::chrono::milliseconds Left(Clock::time_point deadline) {
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()));
}

std::string WriteError() {
    return std::string("The modem line cannot be written: ") + std::strerror(errno);
}

}  // namespace

std::optional<DialEnd> TalkToModem(int fd, ModemDialogue& dialogue, DialSession& session) {
    std::optional<Clock::time_point> answerBy;
    for (;;) {
        if (const std::string command = dialogue.TakeCommand(); !command.empty()) {
            if (!WriteLine(fd, command.data(), command.size()))
                return DialEnd::Failure(kDialErrorModemInit, WriteError() + ".");
            answerBy = DeadlineAfter(dialogue.AnswerLimit());
            session.SetState(dialogue.State());
        }
        if (dialogue.Connected()) {
            session.SetState(dialogue.State());
            return std::nullopt;
        }
        if (dialogue.Failure())
            return dialogue.Failure();
        pollfd line{fd, POLLIN, 0};
        const std::optional<std::chrono::milliseconds> limit =
            answerBy ? std::optional(Left(*answerBy)) : std::nullopt;
        const DialWake wake = session.Wait({&line, 1}, limit);
        if (wake == DialWake::Elapsed) {
            dialogue.AnswerTimedOut();
            continue;
        }
        if (wake != DialWake::Ready)
            return EndForWake(wake);
        std::array<char, 256> buffer{};
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0) {
            return DialEnd::Failure(kDialErrorModemInit,
                                    "The modem line closed during the dial (the modem went away).");
        }
        dialogue.Receive({buffer.data(), static_cast<std::size_t>(got)});
    }
}

Result<std::vector<std::string>> AskModem(int fd, std::string_view command,
                                          std::chrono::milliseconds limit) {
    const std::string sent = std::string(command) + "\r";
    if (!WriteLine(fd, sent.data(), sent.size()))
        return Fail(WriteError());
    const Clock::time_point until = Clock::now() + limit;
    std::vector<std::string> lines;
    ModemLineReader reader;
    while (Clock::now() < until) {
        pollfd line{fd, POLLIN, 0};
        if (::poll(&line, 1, static_cast<int>(Left(until).count())) <= 0)
            continue;
        std::array<char, 256> buffer{};
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            break;
        for (const char c : std::string_view(buffer.data(), static_cast<std::size_t>(got))) {
            std::optional<std::string> text = reader.Push(c);
            if (!text || EqualsIgnoreCase(*text, command))
                continue;
            if (EndsCommand(*text)) {
                lines.push_back(std::move(*text));
                return lines;
            }
            if (lines.size() < kModemAnswerLines - 1)
                lines.push_back(std::move(*text));
        }
    }
    return Fail("The modem did not answer \"" + std::string(command) + "\"");
}

}  // namespace linkvane
