#include "tools/simulated_modem.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <deque>

#include "core/util/file_descriptor.h"

#include "core/util/text.h"

namespace linkvane {

namespace {

struct AnswerName {
    std::string_view name;
    NumberScript::Answer answer;
};

constexpr AnswerName kAnswers[] = {
    {"connect", NumberScript::Answer::Connect},
    {"busy", NumberScript::Answer::Busy},
    {"nodialtone", NumberScript::Answer::NoDialTone},
    {"nodial-tone", NumberScript::Answer::NoDialToneSpaced},
    {"nocarrier", NumberScript::Answer::NoCarrier},
    {"noanswer", NumberScript::Answer::NoAnswer},
    {"silent", NumberScript::Answer::Silent},
    {"error", NumberScript::Answer::Error},
};

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

bool ParseMs(std::string_view text, std::chrono::milliseconds& out) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return false;
    out = std::chrono::milliseconds(value);
    return true;
}

Status ParseSetting(std::string_view key, std::string_view value, ModemScript& script) {
    if (key == "echo" && (value == "on" || value == "off")) {
        script.echo = value == "on";
    } else if (key == "form" && (value == "verbal" || value == "numeric")) {
        script.numeric = value == "numeric";
    } else if (key == "model" && !value.empty()) {
        script.model = value;
    } else if (key == "init" && value == "ok") {
        script.init = ModemScript::Init::Ok;
    } else if (key == "init" && value == "error") {
        script.init = ModemScript::Init::Error;
    } else if (key == "init" && value == "silent") {
        script.init = ModemScript::Init::Silent;
    } else {
        return Fail("unknown modem setting \"" + std::string(key) + "=" + std::string(value) +
                    "\"");
    }
    return Success();
}

Result<NumberScript> ParseNumberRule(std::string_view rule) {
    const std::vector<std::string_view> parts = Split(rule, ':');
    NumberScript script;
    bool known = false;
    for (const AnswerName& name : kAnswers) {
        if (parts[0] == name.name) {
            script.answer = name.answer;
            known = true;
        }
    }
    const bool timesOk = parts.size() <= (script.answer == NumberScript::Answer::Connect ? 3u : 2u);
    if (!known || !timesOk || (parts.size() > 1 && !ParseMs(parts[1], script.delay)) ||
        (parts.size() > 2 && !ParseMs(parts[2], script.dropAfter))) {
        return Fail("bad number rule \"" + std::string(rule) + "\"");
    }
    return script;
}

}  // namespace

Result<ModemScript> ParseModemScript(std::string_view text) {
    ModemScript script;
    for (std::string_view item : Split(text, ';')) {
        if (item.empty())
            continue;
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos)
            return Fail("a script item needs \"=\": \"" + std::string(item) + "\"");
        const std::string_view key = item.substr(0, equals);
        const std::string_view value = item.substr(equals + 1);
        if (key == "echo" || key == "init" || key == "form" || key == "model") {
            if (Status set = ParseSetting(key, value, script); !set)
                return set.error();
            continue;
        }
        Result<NumberScript> rule = ParseNumberRule(value);
        if (!rule)
            return rule.error();
        script.numbers[std::string(key)] = *rule;
    }
    return script;
}

std::string SimulatedModem::Result(std::string_view verbal, std::string_view numeric) const {
    return m_script.numeric ? std::string(numeric) + "\r" : "\r\n" + std::string(verbal) + "\r\n";
}

std::vector<ModemAction> SimulatedModem::Receive(std::string_view bytes) {
    std::vector<ModemAction> actions;
    if (m_onLine)
        return actions;
    for (const char c : bytes) {
        if (m_script.echo)
            actions.push_back({{}, std::string(1, c), false});
        if (c == '\r') {
            std::string command = std::move(m_line);
            m_line.clear();
            for (ModemAction& action : Command(command))
                actions.push_back(std::move(action));
            if (m_onLine)
                break;
        } else if (c != '\n' && m_line.size() < 256) {
            m_line += c;
        }
    }
    return actions;
}

std::vector<ModemAction> SimulatedModem::Command(const std::string& command) {
    if (command.empty())
        return {};
    m_commands.push_back(command);
    if (!StartsWithIgnoreCase(command, "AT"))
        return {{{}, Result("ERROR", "4"), false}};
    if (!StartsWithIgnoreCase(command, "ATD")) {
        const bool isReset = EqualsIgnoreCase(command, "ATZ");
        if (!isReset && m_script.init == ModemScript::Init::Silent)
            return {};
        if (!isReset && m_script.init == ModemScript::Init::Error)
            return {{{}, Result("ERROR", "4"), false}};
        if (EqualsIgnoreCase(command, "ATI") || EqualsIgnoreCase(command, "AT+GMM"))
            return {{{}, "\r\n" + m_script.model + "\r\n" + Result("OK", "0"), false}};
        return {{{}, Result("OK", "0"), false}};
    }
    // ATD, ATDT or ATDP and the number.
    std::string number = command.substr(3);
    if (!number.empty() && (AsciiLower(number[0]) == 't' || AsciiLower(number[0]) == 'p'))
        number.erase(0, 1);
    NumberScript rule;
    if (const auto found = m_script.numbers.find(number); found != m_script.numbers.end())
        rule = found->second;
    using Answer = NumberScript::Answer;
    switch (rule.answer) {
        case Answer::Connect: {
            m_onLine = true;
            std::vector<ModemAction> actions{{rule.delay, Result("CONNECT 33600", "10"), false}};
            if (rule.dropAfter.count() > 0)
                actions.push_back({rule.dropAfter, {}, true});
            return actions;
        }
        case Answer::Busy:
            return {{rule.delay, Result("BUSY", "7"), false}};
        case Answer::NoDialTone:
            return {{rule.delay, Result("NO DIALTONE", "6"), false}};
        case Answer::NoDialToneSpaced:
            return {{rule.delay, Result("NO DIAL TONE", "6"), false}};
        case Answer::NoCarrier:
            return {{rule.delay, Result("NO CARRIER", "3"), false}};
        case Answer::NoAnswer:
            return {{rule.delay, Result("NO ANSWER", "8"), false}};
        case Answer::Error:
            return {{rule.delay, Result("ERROR", "4"), false}};
        case Answer::Silent:
            return {};
    }
    return {};
}

ServeEnd ServeSimulatedModem(int fd, SimulatedModem& modem, int stopFd, bool untilOnLine,
                             const std::function<void()>& heard) {
    using Clock = std::chrono::steady_clock;
    struct Due {
        Clock::time_point at;
        ModemAction action;
    };
    std::deque<Due> due;
    for (;;) {
        const Clock::time_point now = Clock::now();
        while (!due.empty() && due.front().at <= now) {
            const ModemAction action = std::move(due.front().action);
            due.pop_front();
            if (!action.bytes.empty() && !WriteLine(fd, action.bytes.data(), action.bytes.size()))
                return ServeEnd::Closed;
            if (action.drop) {
                ::shutdown(fd, SHUT_RDWR);
                return ServeEnd::Dropped;
            }
        }
        if (untilOnLine && modem.OnLine() && due.empty())
            return ServeEnd::OnLine;
        int timeoutMs = -1;
        if (!due.empty()) {
            timeoutMs = static_cast<int>(
                std::chrono::ceil<std::chrono::milliseconds>(due.front().at - now).count());
        }
        std::array<pollfd, 2> fds{{{fd, POLLIN, 0}, {stopFd, POLLIN, 0}}};
        const int ready = ::poll(fds.data(), stopFd >= 0 ? 2 : 1, std::max(timeoutMs, -1));
        if (ready < 0 && errno != EINTR)
            return ServeEnd::Closed;
        if (stopFd >= 0 && fds[1].revents != 0)
            return ServeEnd::Stopped;
        if (ready <= 0 || fds[0].revents == 0)
            continue;
        std::array<char, 256> buffer{};
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return ServeEnd::Closed;
        // Answers are due one after the other: each delay counts from the one before.
        Clock::time_point at = due.empty() ? Clock::now() : due.back().at;
        for (ModemAction& action : modem.Receive({buffer.data(), static_cast<std::size_t>(got)})) {
            at = std::max(at, Clock::now()) + action.delay;
            due.push_back({at, std::move(action)});
        }
        if (heard)
            heard();
    }
}

}  // namespace linkvane
