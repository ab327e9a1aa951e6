#pragma once

// Running the crash child: started with its standard output on a pipe, its lines read as they
// come with the moment each arrived, killed with SIGKILL at a chosen moment.

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace movra::crash {

using TClock = std::chrono::steady_clock;

struct TLine {
    std::string Text;
    TClock::time_point At;
};

class TChildProcess {
public:
    // Starts program with arguments; throws std::runtime_error when it cannot.
    TChildProcess(const std::string& program, const std::vector<std::string>& arguments);
    // Kills and reaps a child still running (only when a run is abandoned half way).
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    [[nodiscard]] TClock::time_point Started() const { return m_started; }

    // Waits up to until for output; appends the complete lines that arrived. Returns false once
    // the pipe is closed (the child has ended).
    bool Read(TClock::time_point until, std::vector<TLine>& lines);

    // SIGKILL at the given moment (waiting for it precisely), then reaps the child and reads
    // what it had written. Returns the wait status.
    int KillAt(TClock::time_point moment, std::vector<TLine>& lines);
    // Waits for the child to end by itself (reading its lines), up to until; kills it when it
    // has not. Returns the wait status, or -1 after such a kill.
    int Finish(TClock::time_point until, std::vector<TLine>& lines);

private:
    void Drain(std::vector<TLine>& lines);
    int Reap();

    pid_t m_pid = -1;
    int m_fd = -1;
    std::string m_partial;
    TClock::time_point m_started;
};

} // namespace movra::crash
