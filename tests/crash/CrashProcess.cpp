#include "tests/crash/CrashProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace movra::crash {

TChildProcess::TChildProcess(const std::string& program,
                             const std::vector<std::string>& arguments) {
    // Everything the new process needs is made before fork: between fork and exec only
    // async-signal-safe calls are allowed.
    std::vector<std::string> words;
    words.push_back(program);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    m_started = TClock::now();
    m_pid = ::fork();
    if (m_pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (m_pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO); // the copy does not keep close-on-exec
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    m_fd = fds[0];
}

TChildProcess::~TChildProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        Reap();
    }
    if (m_fd >= 0)
        ::close(m_fd);
}

bool TChildProcess::Read(TClock::time_point until, std::vector<TLine>& lines) {
    if (m_fd < 0)
        return false;
    const auto left = until - TClock::now();
    const auto ns =
        std::max<long long>(0, std::chrono::duration_cast<std::chrono::nanoseconds>(left).count());
    timespec timeout{static_cast<time_t>(ns / 1'000'000'000),
                     static_cast<long>(ns % 1'000'000'000)};
    pollfd p{m_fd, POLLIN, 0};
    const int ready = ::ppoll(&p, 1, &timeout, nullptr);
    if (ready <= 0)
        return true;
    char buffer[65536];
    const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
    if (n < 0)
        return errno == EINTR || errno == EAGAIN;
    if (n == 0) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    const TClock::time_point at = TClock::now();
    m_partial.append(buffer, static_cast<std::size_t>(n));
    std::size_t start = 0;
    for (std::size_t end; (end = m_partial.find('\n', start)) != std::string::npos;
         start = end + 1) {
        lines.push_back({m_partial.substr(start, end - start), at});
    }
    m_partial.erase(0, start);
    return true;
}

int TChildProcess::KillAt(TClock::time_point moment, std::vector<TLine>& lines) {
    // Sleep most of the way, then spin, so that offsets of microseconds are kept.
    const auto coarse = moment - std::chrono::microseconds(150);
    if (TClock::now() < coarse) {
        const auto ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(coarse - TClock::now()).count();
        if (ns > 0) {
            timespec pause{static_cast<time_t>(ns / 1'000'000'000),
                           static_cast<long>(ns % 1'000'000'000)};
            ::nanosleep(&pause, nullptr);
        }
    }
    while (TClock::now() < moment) {
    }
    ::kill(m_pid, SIGKILL);
    const int status = Reap();
    Drain(lines);
    return status;
}

int TChildProcess::Finish(TClock::time_point until, std::vector<TLine>& lines) {
    while (Read(until, lines)) {
        if (TClock::now() >= until) {
            ::kill(m_pid, SIGKILL);
            Reap();
            Drain(lines);
            return -1;
        }
    }
    return Reap();
}

void TChildProcess::Drain(std::vector<TLine>& lines) {
    // The child is gone, so the pipe ends after what it wrote.
    while (Read(TClock::now() + std::chrono::seconds(5), lines)) {
    }
}

int TChildProcess::Reap() {
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    return status;
}

} // namespace movra::crash
