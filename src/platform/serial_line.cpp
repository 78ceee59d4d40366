#include "platform/serial_line.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/port_holders.h"

namespace linkvane {

namespace {

struct Speed {
    std::uint32_t bits;
    speed_t constant;
};

constexpr std::array kSpeeds{
    Speed{1200, B1200},     Speed{2400, B2400},     Speed{4800, B4800},     Speed{9600, B9600},
    Speed{19200, B19200},   Speed{38400, B38400},   Speed{57600, B57600},   Speed{115200, B115200},
    Speed{230400, B230400}, Speed{460800, B460800}, Speed{921600, B921600},
};

std::string Errno() {
    return std::strerror(errno);
}

constexpr std::size_t kLockFileLimit = 64;

// The pid a lock file names, in the ASCII form (blanks, digits, a line end); nullopt when the
// lock cannot be read as one. The file is opened without following a link and without
// blocking (a FIFO must not stop the dial), only a regular file counts, and at most
// kLockFileLimit bytes are read.
std::optional<pid_t> LockOwner(const std::filesystem::path& path) {
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (!fd.valid() || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    std::array<char, kLockFileLimit + 1> buffer{};
    const ssize_t got = ::read(fd.get(), buffer.data(), buffer.size());
    if (got <= 0 || static_cast<std::size_t>(got) > kLockFileLimit)
        return std::nullopt;
    const std::string_view text(buffer.data(), static_cast<std::size_t>(got));
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t end = text.find_first_not_of("0123456789", first);
    if (first == std::string_view::npos || end == first ||
        text.find_first_not_of(" \n", end) != std::string_view::npos)
        return std::nullopt;
    long pid = 0;
    const auto [stop, error] =
        std::from_chars(text.data() + first, text.data() + std::min(end, text.size()), pid);
    if (error != std::errc() || pid <= 0 || pid >= (1L << 22))
        return std::nullopt;
    return static_cast<pid_t>(pid);
}

bool Alive(pid_t pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

std::optional<speed_t> SpeedConstant(std::uint32_t bits) {
    const auto known = std::find_if(kSpeeds.begin(), kSpeeds.end(),
                                    [bits](const Speed& s) { return s.bits == bits; });
    return known == kSpeeds.end() ? std::nullopt : std::optional(known->constant);
}

DialEnd BadSpeed(std::uint32_t bits) {
    return DialEnd::Failure(kDialErrorPortNotFound,
                            "The line speed " + std::to_string(bits) +
                                " is not one a serial line can run at; choose 115200.");
}

// Why open(2) failed, for people: the process that holds a busy port, the group that may
// open it, or what to check.
DialEnd OpenFailure(const std::filesystem::path& device, int error) {
    if (error == EBUSY) {
        const std::optional<PortHolder> holder = FindOpenHolder(device);
        return DialEnd::Failure(
            kDialErrorPortInUse,
            holder ? InUseText(device.string(), *holder, "it has the device open")
                   : "The modem " + device.string() + " is in use by another program (busy).");
    }
    if (error == EACCES || error == EPERM)
        return DialEnd::Failure(kDialErrorPortNotFound,
                                PermissionText(device.string(), DeviceGroup(device)));
    std::string why =
        "The modem " + device.string() + " cannot be opened: " + std::strerror(error) + ".";
    if (error == ENOENT || error == ENXIO || error == ENODEV)
        why += " Check that the modem is plugged in and that the entry names its device.";
    return DialEnd::Failure(kDialErrorPortNotFound, why);
}

}  // namespace

std::string UucpLockName(const std::filesystem::path& device) {
    std::error_code error;
    std::filesystem::path real = std::filesystem::canonical(device, error);
    if (error)
        real = device;
    std::string name = real.string();
    if (name.rfind("/dev/", 0) == 0) {
        name.erase(0, 5);
    } else {
        name = real.filename().string();
    }
    for (char& c : name) {
        if (c == '/')
            c = '_';
    }
    return "LCK.." + name;
}

UucpLock::~UucpLock() {
    if (!m_path.empty())
        ::unlink(m_path.c_str());
}

std::optional<DialEnd> UucpLock::Take(const std::filesystem::path& lockDir,
                                      const std::filesystem::path& device) {
    const std::filesystem::path path = lockDir / UucpLockName(device);
    m_holder.reset();
    char content[16];
    std::snprintf(content, sizeof content, "%10d\n", static_cast<int>(::getpid()));
    for (int attempt = 0; attempt < 2; ++attempt) {
        FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (fd.valid()) {
            if (!WriteAll(fd.get(), content, 11) || !fd.Close()) {
                ::unlink(path.c_str());
                break;
            }
            m_path = path;
            return std::nullopt;
        }
        if (errno != EEXIST)
            break;
        const std::optional<pid_t> owner = LockOwner(path);
        if (!owner) {
            // Another program's form, or not a lock at all: never taken for stale.
            return DialEnd::Failure(kDialErrorPortInUse,
                                    "The modem " + device.string() + " is locked by " +
                                        path.string() +
                                        ", which does not name a process; remove it if no "
                                        "program is using the modem.");
        }
        if (Alive(*owner)) {
            m_holder = PortHolder{*owner, ProcessCommand(*owner)};
            return DialEnd::Failure(kDialErrorPortInUse, InUseText(device.string(), *m_holder,
                                                                   "lock file " + path.string()));
        }
        ::unlink(path.c_str());  // stale: its process has gone
    }
    return DialEnd::Failure(kDialErrorPortInUse, "The lock file " + path.string() +
                                                     " cannot be written: " + Errno() + ".");
}

std::optional<DialEnd> SerialLine::Open(const std::filesystem::path& device, std::uint32_t speed) {
    m_openError = 0;
    const std::optional<speed_t> known = SpeedConstant(speed);
    if (!known)
        return BadSpeed(speed);
    FileDescriptor fd(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        m_openError = errno;
        return OpenFailure(device, m_openError);
    }
    termios tio{};
    if (::tcgetattr(fd.get(), &tio) != 0) {
        return DialEnd::Failure(kDialErrorPortNotFound,
                                device.string() + " is not a serial line: " + Errno() + ".");
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    tio.c_cflag |= CS8 | CREAD | CLOCAL | HUPCL | CRTSCTS;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, *known);
    ::cfsetospeed(&tio, *known);
    if (::tcsetattr(fd.get(), TCSANOW, &tio) != 0) {
        return DialEnd::Failure(kDialErrorPortNotFound, "The modem line " + device.string() +
                                                            " cannot be set up: " + Errno() + ".");
    }
    ::tcflush(fd.get(), TCIOFLUSH);
    const int status = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd.get(), TIOCMBIS, &status);  // a pseudo-terminal has no modem lines: no matter
    m_fd = std::move(fd);
    return std::nullopt;
}

bool SerialLine::SetSpeed(std::uint32_t speed) {
    const std::optional<speed_t> known = SpeedConstant(speed);
    termios tio{};
    if (!known || ::tcgetattr(m_fd.get(), &tio) != 0)
        return false;
    ::cfsetispeed(&tio, *known);
    ::cfsetospeed(&tio, *known);
    const bool set = ::tcsetattr(m_fd.get(), TCSANOW, &tio) == 0;
    ::tcflush(m_fd.get(), TCIOFLUSH);
    return set;
}

void SerialLine::HandOver() {
    termios tio{};
    if (::tcgetattr(m_fd.get(), &tio) == 0) {
        tio.c_cflag &= ~static_cast<tcflag_t>(CLOCAL);
        ::tcsetattr(m_fd.get(), TCSANOW, &tio);
    }
    const int flags = ::fcntl(m_fd.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(m_fd.get(), F_SETFL, flags & ~O_NONBLOCK);
}

void SerialLine::Release(std::chrono::milliseconds dtrDrop) {
    if (!m_fd.valid())
        return;
    const int status = TIOCM_DTR;
    ::ioctl(m_fd.get(), TIOCMBIC, &status);
    if (dtrDrop.count() > 0)
        std::this_thread::sleep_for(dtrDrop);
    ::tcflush(m_fd.get(), TCIOFLUSH);
    m_fd.Close();
}

}  // namespace linkvane
