// zentari-wake: wakes the machine from suspend at the times the clock tells it
// over its standard input (the protocol is described in wakeengine.h), and
// ends when that input closes, so that its wake times never outlive the
// clock. It is the only part of Zentari given the file capability
// cap_wake_alarm: a capability on the clock itself would cost it its session
// bus (the bus refuses a process that gained privileges).

#include "wakeengine.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include <poll.h>
#include <unistd.h>

namespace {

using namespace zentari::wake;

bool writeLine(const std::string& line)
{
    const std::string out = line + '\n';
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, out.data() + done, out.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void usage(std::FILE* to)
{
    std::fputs("Usage: zentari-wake [--clock=alarm|--clock=realtime]\n"
               "Wakes the machine at the times given on standard input (requests\n"
               "\"probe\", \"set <seconds>\", \"unset <seconds>\", \"clear\", \"quit\").\n"
               "--clock=realtime arms the same timers on a clock that wakes nothing.\n",
               to);
}

} // namespace

int main(int argc, char** argv)
{
    clockid_t clock = CLOCK_REALTIME_ALARM;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--clock=alarm") {
            clock = CLOCK_REALTIME_ALARM;
        } else if (argument == "--clock=realtime") {
            clock = CLOCK_REALTIME;
        } else if (argument == "--help") {
            usage(stdout);
            return 0;
        } else {
            usage(stderr);
            return 2;
        }
    }
    // A clock that went away is noticed as a failed write, not a signal.
    std::signal(SIGPIPE, SIG_IGN);

    WakeEngine engine(clock);
    std::string line;
    bool discarding = false; // the rest of an overlong line, already answered
    for (;;) {
        std::vector<pollfd> fds{{STDIN_FILENO, POLLIN, 0}};
        for (int fd : engine.timerFds())
            fds.push_back({fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return 1;
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents == 0)
                continue;
            const std::string notice = engine.expire(fds[i].fd);
            if (!notice.empty() && !writeLine(notice))
                return 1;
        }
        if (fds[0].revents == 0)
            continue;

        char buffer[512];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return 1;
        }
        if (n == 0)
            return 0;
        for (char c : std::string_view(buffer, static_cast<std::size_t>(n))) {
            if (c == '\n') {
                if (!discarding) {
                    if (!writeLine(engine.handle(line)))
                        return 1;
                    if (engine.quitRequested())
                        return 0;
                }
                discarding = false;
                line.clear();
            } else if (!discarding) {
                if (line.size() == maxLineLength) {
                    if (!writeLine(errorLine("syntax", "the line is too long")))
                        return 1;
                    discarding = true;
                    line.clear();
                } else {
                    line += c;
                }
            }
        }
    }
}
