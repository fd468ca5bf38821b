#pragma once

// The wake helper's whole logic, without Qt and without its input loop: the
// line protocol and one timer per wake time. The helper program holds the
// capability to wake the machine (cap_wake_alarm) so that the clock never
// has to; it therefore trusts nothing it reads and does nothing but arm and
// disarm its own timers.
//
// Requests, one a line (a trailing CR is ignored):
//   probe            can a wake timer be made here?
//   set <seconds>    wake the machine at that time, seconds since 1970 UTC
//   unset <seconds>  forget that wake time
//   clear            forget every wake time
//   quit             end
// Each request is answered by one line, in order: "ok", or
// "error <code> <detail>" where the code is one of
//   eperm    no capability to wake the machine
//   nodev    the kernel has no clock that can wake it
//   past     the time is not in the future
//   limit    too many wake times
//   range    the number is too large
//   syntax   not a request
//   system   any other failure (the detail says which)
// At any time a line "fired <seconds>" says that a wake time has come; the
// time is then forgotten.

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include <sys/timerfd.h>
#include <unistd.h>

namespace zentari::wake {

// The last second of the year 9999: no date the clock keeps lies beyond it.
inline constexpr std::int64_t maxSeconds = 253402300799;
// One descriptor per wake time: bounded, as the helper's input is not trusted.
inline constexpr std::size_t maxTimers = 64;
inline constexpr std::size_t maxLineLength = 128;

enum class Verb
{
    Probe,
    Set,
    Unset,
    Clear,
    Quit
};

struct Request
{
    Verb verb = Verb::Probe;
    std::int64_t seconds = 0;
};

struct Parsed
{
    bool ok = false;
    Request request;
    std::string error; // the answer line when not ok
};

inline std::string errorLine(std::string_view code, std::string_view detail)
{
    std::string line = "error ";
    line += code;
    line += ' ';
    line += detail;
    return line;
}

// The answer for a failed timerfd call: the two failures the clock explains
// to the user have codes of their own.
inline std::string errnoLine(int error)
{
    switch (error) {
    case EPERM:
        return errorLine("eperm", "no permission to wake the machine (cap_wake_alarm)");
    case EINVAL:
    case ENODEV:
    case EOPNOTSUPP:
        return errorLine("nodev", "the kernel has no wake-capable clock");
    default:
        return errorLine("system", std::strerror(error));
    }
}

// Decimal digits only: no sign, no spaces, no base prefixes.
inline bool parseSeconds(std::string_view text, std::int64_t& seconds, std::string& error)
{
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        error = errorLine("syntax", "a time is seconds since 1970, in decimal digits");
        return false;
    }
    std::int64_t value = 0;
    for (char c : text) {
        value = value * 10 + (c - '0');
        if (value > maxSeconds) {
            error = errorLine("range", "the time lies beyond the year 9999");
            return false;
        }
    }
    seconds = value;
    return true;
}

inline Parsed parseRequest(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    Parsed parsed;
    const std::size_t space = line.find(' ');
    const std::string_view verb = line.substr(0, space);
    const bool hasArgument = space != std::string_view::npos;
    const std::string_view argument = hasArgument ? line.substr(space + 1) : std::string_view();

    struct Known
    {
        std::string_view name;
        Verb verb;
        bool takesTime;
    };
    static constexpr Known known[] = {{"probe", Verb::Probe, false},
                                      {"set", Verb::Set, true},
                                      {"unset", Verb::Unset, true},
                                      {"clear", Verb::Clear, false},
                                      {"quit", Verb::Quit, false}};
    for (const Known& k : known) {
        if (k.name != verb)
            continue;
        if (hasArgument != k.takesTime) {
            parsed.error = errorLine("syntax", k.takesTime ? "a time is missing"
                                                           : "this request takes no argument");
            return parsed;
        }
        parsed.request.verb = k.verb;
        if (k.takesTime && !parseSeconds(argument, parsed.request.seconds, parsed.error))
            return parsed;
        parsed.ok = true;
        return parsed;
    }
    parsed.error = errorLine("syntax", "unknown request");
    return parsed;
}

// The timer setting that fires once at the given second of the clock.
inline itimerspec wakeSetting(std::int64_t seconds)
{
    itimerspec setting{};
    setting.it_value.tv_sec = static_cast<time_t>(seconds);
    return setting;
}

// The armed wake times, one timerfd each, on one clock: CLOCK_REALTIME_ALARM
// in use, CLOCK_REALTIME where a test stands in for it.
class WakeEngine
{
public:
    explicit WakeEngine(clockid_t clock) : m_clock(clock) {}
    ~WakeEngine() { clear(); }
    WakeEngine(const WakeEngine&) = delete;
    WakeEngine& operator=(const WakeEngine&) = delete;

    // The answer to one request line, without its line end.
    std::string handle(std::string_view line)
    {
        const Parsed parsed = parseRequest(line);
        if (!parsed.ok)
            return parsed.error;
        switch (parsed.request.verb) {
        case Verb::Probe:
            return probe();
        case Verb::Set:
            return set(parsed.request.seconds);
        case Verb::Unset:
            unset(parsed.request.seconds);
            return "ok";
        case Verb::Clear:
            clear();
            return "ok";
        case Verb::Quit:
            m_quit = true;
            return "ok";
        }
        return errorLine("syntax", "unknown request");
    }

    bool quitRequested() const { return m_quit; }

    std::vector<int> timerFds() const
    {
        std::vector<int> fds;
        for (const Timer& t : m_timers)
            fds.push_back(t.fd);
        return fds;
    }

    std::size_t armed() const { return m_timers.size(); }

    // Called when a timer's descriptor is readable: the notice "fired
    // <seconds>" once its time has come, and the time is forgotten. Empty when
    // nothing expired (a wake-up of poll without a tick).
    std::string expire(int fd)
    {
        auto it = std::find_if(m_timers.begin(), m_timers.end(),
                               [fd](const Timer& t) { return t.fd == fd; });
        if (it == m_timers.end())
            return {};
        std::uint64_t ticks = 0;
        if (::read(fd, &ticks, sizeof ticks) < 0 && (errno == EAGAIN || errno == EINTR))
            return {};
        const std::int64_t seconds = it->seconds;
        ::close(it->fd);
        m_timers.erase(it);
        return "fired " + std::to_string(seconds);
    }

private:
    struct Timer
    {
        std::int64_t seconds;
        int fd;
    };

    std::string probe()
    {
        const int fd = ::timerfd_create(m_clock, TFD_CLOEXEC | TFD_NONBLOCK);
        if (fd < 0)
            return errnoLine(errno);
        ::close(fd);
        return "ok";
    }

    std::string set(std::int64_t seconds)
    {
        if (std::any_of(m_timers.begin(), m_timers.end(),
                        [seconds](const Timer& t) { return t.seconds == seconds; }))
            return "ok";
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        if (seconds <= now.tv_sec)
            return errorLine("past", "the time is not in the future");
        if (m_timers.size() >= maxTimers)
            return errorLine("limit", "too many wake times");
        const int fd = ::timerfd_create(m_clock, TFD_CLOEXEC | TFD_NONBLOCK);
        if (fd < 0)
            return errnoLine(errno);
        const itimerspec setting = wakeSetting(seconds);
        if (::timerfd_settime(fd, TFD_TIMER_ABSTIME, &setting, nullptr) != 0) {
            const int error = errno;
            ::close(fd);
            return errnoLine(error);
        }
        m_timers.push_back({seconds, fd});
        return "ok";
    }

    void unset(std::int64_t seconds)
    {
        auto it = std::find_if(m_timers.begin(), m_timers.end(),
                               [seconds](const Timer& t) { return t.seconds == seconds; });
        if (it == m_timers.end())
            return;
        ::close(it->fd);
        m_timers.erase(it);
    }

    void clear()
    {
        for (const Timer& t : m_timers)
            ::close(t.fd);
        m_timers.clear();
    }

    clockid_t m_clock;
    std::vector<Timer> m_timers;
    bool m_quit = false;
};

} // namespace zentari::wake
