#pragma once

// Header only, because only the tests that start stand-ins for pppd use it.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace linkvane::testing {

inline std::filesystem::path SleepProgram() {
    return "/bin/sleep";
}

inline std::string Comm(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// Real processes standing in for pppd: `sleep` started under another name (a symlink named
// "pppd" makes its comm "pppd"). Children still running at the end are killed and reaped.
class StandIns {
  public:
    explicit StandIns(const std::filesystem::path& dir) : m_dir(dir) {}
    ~StandIns() {
        for (pid_t pid : m_children) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

    // Starts `sleep 60` as `name` (a symlink in the private bin directory). With ignoreTerm
    // the process ignores SIGTERM; stdinFd becomes its standard input.
    pid_t Start(const std::string& name, bool ignoreTerm = false, int stdinFd = -1) {
        return Launch(name, SleepProgram(), {"60"}, ignoreTerm, stdinFd);
    }

    // Starts `target` as `name` with these arguments (the pppd stand-in tool, for instance).
    pid_t StartAs(const std::string& name, const std::filesystem::path& target,
                  const std::vector<std::string>& args) {
        return Launch(name, target, args, false, -1);
    }

    pid_t Launch(const std::string& name, const std::filesystem::path& target,
                 const std::vector<std::string>& args, bool ignoreTerm, int stdinFd) {
        const std::filesystem::path bin = m_dir / "bin";
        std::filesystem::create_directories(bin);
        const std::filesystem::path link = bin / name;
        if (!std::filesystem::exists(link))
            std::filesystem::create_symlink(target, link);
        std::vector<std::string> texts{name};
        texts.insert(texts.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& text : texts)
            argv.push_back(text.data());
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::signal(SIGTERM, ignoreTerm ? SIG_IGN : SIG_DFL);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            ::dup2(stdinFd >= 0 ? stdinFd : ::open("/dev/null", O_RDONLY), 0);
            ::execv(link.c_str(), argv.data());
            ::_exit(127);
        }
        m_children.push_back(pid);
        // The process carries its new name only once exec has happened.
        for (int i = 0; i < 200 && Comm(pid) != name.substr(0, 15); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return pid;
    }

    // How the child ended: the signal that killed it, 0 if it is still running.
    int EndSignal(pid_t pid) {
        int status = 0;
        for (int i = 0; i < 300; ++i) {
            const pid_t got = ::waitpid(pid, &status, WNOHANG);
            if (got == pid) {
                std::erase(m_children, pid);
                return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return 0;
    }

    bool Running(pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) == 0; }

  private:
    std::filesystem::path m_dir;
    std::vector<pid_t> m_children;
};

// Writes `pid` (and the interface name, when given) as pppd writes its pid files.
inline void WritePidFile(const std::filesystem::path& path, pid_t pid,
                         const std::string& interfaceName = {}) {
    std::ofstream(path, std::ios::binary) << pid << "\n"
                                          << (interfaceName.empty() ? "" : interfaceName + "\n");
}

}  // namespace linkvane::testing
