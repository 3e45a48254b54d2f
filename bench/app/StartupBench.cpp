// Start-up time, idle memory and idle CPU of the desktop program against a minimal Qt Widgets program
// (one bare window), and, for context, the same program with one line of CJK text (which brings in the
// font system, as any window with text does).
//
// Both programs are started the same way on a private Xvfb display (no window manager, so every map
// request reaches the server at once): the time runs from fork() to the X server's MapNotify of the
// program's window, found by its process id and title (the first paint follows the map). Start-up times
// vary by several milliseconds on a shared machine, so there are more start-up runs than memory runs,
// and the spread is printed with the median. In the memory runs the resident set is read from /proc
// after a settling pause, and in the first of them the CPU time used over 10 idle seconds.
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kRuns = 15;
constexpr int kMemoryRuns = 5;
constexpr int kSettleMs = 3000;
constexpr int kIdleSeconds = 10;

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const std::string& assignment : extraEnv)
            ::putenv(const_cast<char*>(assignment.c_str()));
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

void stop(pid_t pid)
{
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

class Display
{
public:
    Display()
    {
        for (int n = 90; n < 200 && m_number < 0; ++n) {
            if (!fs::exists("/tmp/.X11-unix/X" + std::to_string(n)) &&
                !fs::exists("/tmp/.X" + std::to_string(n) + "-lock"))
                m_number = n;
        }
        if (m_number < 0)
            throw std::runtime_error("no free display number");
        m_name = ":" + std::to_string(m_number);
        m_server = spawn({"Xvfb", m_name, "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"}, {});
        for (int i = 0; i < 100 && !m_connection; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            xcb_connection_t* c = xcb_connect(m_name.c_str(), nullptr);
            if (xcb_connection_has_error(c))
                xcb_disconnect(c);
            else
                m_connection = c;
        }
        if (!m_connection)
            throw std::runtime_error("Xvfb did not start");
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        m_pidAtom = atom("_NET_WM_PID");
        m_nameAtom = atom("_NET_WM_NAME");
        xcb_flush(m_connection);
    }
    ~Display()
    {
        if (m_connection)
            xcb_disconnect(m_connection);
        // A terminated server removes its lock and socket; a killed one would leave them behind.
        ::kill(m_server, SIGTERM);
        ::waitpid(m_server, nullptr, 0);
    }

    const std::string& name() const { return m_name; }

    // Waits for a window of `pid` whose title contains `title` to be mapped; the time it happened.
    std::optional<Clock::time_point> waitForWindow(pid_t pid, const std::string& title, int timeoutMs)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < deadline) {
            xcb_generic_event_t* event = xcb_poll_for_event(m_connection);
            if (!event) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                continue;
            }
            const auto when = Clock::now();
            std::optional<Clock::time_point> found;
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
                if (windowPid(window) == pid && windowTitle(window).find(title) != std::string::npos)
                    found = when;
            }
            std::free(event);
            if (found)
                return found;
        }
        return std::nullopt;
    }

    void drain()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
            std::free(event);
    }

private:
    xcb_atom_t atom(const char* name)
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return result;
    }

    std::string property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
    {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, name, type, 0, 1024), nullptr);
        std::string value;
        if (reply) {
            value.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                         std::size_t(xcb_get_property_value_length(reply)));
            std::free(reply);
        }
        return value;
    }

    pid_t windowPid(xcb_window_t window)
    {
        const std::string value = property(window, m_pidAtom, XCB_ATOM_CARDINAL);
        if (value.size() < 4)
            return -1;
        uint32_t pid = 0;
        std::memcpy(&pid, value.data(), 4);
        return pid_t(pid);
    }

    std::string windowTitle(xcb_window_t window)
    {
        return property(window, m_nameAtom, XCB_GET_PROPERTY_TYPE_ANY);
    }

    int m_number = -1;
    std::string m_name;
    pid_t m_server = -1;
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    xcb_atom_t m_pidAtom = XCB_ATOM_NONE;
    xcb_atom_t m_nameAtom = XCB_ATOM_NONE;
};

long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

// User plus system CPU time of the process, in clock ticks.
long long cpuTicks(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string content((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command name, which may hold blanks, start behind the last ')'.
    std::istringstream rest(content.substr(content.rfind(')') + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14)
            utime = std::atoll(field.c_str());
        if (i == 15)
            stime = std::atoll(field.c_str());
    }
    return utime + stime;
}

struct Program
{
    const char* label;
    std::string path;
    std::string title;
    std::vector<double> startupMs;
    std::vector<double> residentMiB;
    double idleCpuPercent = -1;
    std::vector<std::string> args = {};
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The middle half of the runs, as "first quartile-third quartile".
std::string spread(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    if (values.empty())
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.1f-%.1f", values[values.size() / 4], values[values.size() * 3 / 4]);
    return text;
}

bool measure(Display& display, Program& program, bool withMemory, bool withCpu)
{
    char configTemplate[] = "/tmp/quorvane-bench.XXXXXX";
    const std::string config = ::mkdtemp(configTemplate);
    display.drain();
    const auto started = Clock::now();
    std::vector<std::string> argv{program.path};
    argv.insert(argv.end(), program.args.begin(), program.args.end());
    // Fresh folders for everything the program keeps: a download history left by earlier runs would be
    // opened and its work taken up shortly after start, so the measure would depend on the user's files
    // (about 1.5 MiB more with any history at all), and those files would be changed.
    const pid_t pid =
        spawn(argv, {"DISPLAY=" + display.name(), "XDG_CONFIG_HOME=" + config, "XDG_DATA_HOME=" + config,
                     "XDG_STATE_HOME=" + config, "XDG_CACHE_HOME=" + config, "XDG_RUNTIME_DIR=" + config,
                     "QT_QPA_PLATFORM=xcb"});
    const auto shown = display.waitForWindow(pid, program.title, 20000);
    bool ok = shown.has_value();
    if (ok) {
        program.startupMs.push_back(std::chrono::duration<double, std::milli>(*shown - started).count());
        if (withMemory) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs));
            program.residentMiB.push_back(residentKiB(pid) / 1024.0);
        }
        if (withMemory && withCpu) {
            const long long before = cpuTicks(pid);
            std::this_thread::sleep_for(std::chrono::seconds(kIdleSeconds));
            const long long used = cpuTicks(pid) - before;
            program.idleCpuPercent = 100.0 * double(used) / double(::sysconf(_SC_CLK_TCK)) / kIdleSeconds;
        }
    } else {
        std::fprintf(stderr, "%s: no window within 20 s\n", program.label);
    }
    stop(pid);
    fs::remove_all(config);
    return ok;
}

} // namespace

int main()
{
    try {
        Display display;
        Program reference{"reference", QUORVANE_REFERENCE_PATH, "Reference window", {}, {}};
        Program textReference{
            "reference with text", QUORVANE_REFERENCE_PATH, "Reference text window", {}, {}};
        textReference.args = {"--text"};
        Program program{"quorvane", QUORVANE_APP_PATH, "Quorvane V", {}, {}};
        Program* all[] = {&reference, &textReference, &program};
        // Warm the file cache for all of them before timing anything.
        for (Program* p : all) {
            measure(display, *p, false, false);
            p->startupMs.clear();
            p->residentMiB.clear();
        }
        for (int run = 0; run < kRuns; ++run) {
            for (Program* p : all) {
                if (!measure(display, *p, run < kMemoryRuns, run == 0))
                    return 1;
            }
        }
        const double refStart = median(reference.startupMs), textStart = median(textReference.startupMs),
                     appStart = median(program.startupMs);
        const double refMem = median(reference.residentMiB), textMem = median(textReference.residentMiB),
                     appMem = median(program.residentMiB);
        std::printf(
            "start to window shown (median of %d, middle half in brackets): reference %.1f ms (%s), "
            "quorvane %.1f ms (%s), ratio %.2f; reference with text %.1f ms (%s), ratio %.2f (aim: at "
            "most 1.5)\n",
            kRuns, refStart, spread(reference.startupMs).c_str(), appStart, spread(program.startupMs).c_str(),
            appStart / refStart, textStart, spread(textReference.startupMs).c_str(), appStart / textStart);
        std::printf(
            "resident memory when idle (median of %d): reference %.1f MiB, quorvane %.1f MiB, ratio %.2f; "
            "reference with text %.1f MiB, ratio %.2f (aim: at most 1.5)\n",
            kMemoryRuns, refMem, appMem, appMem / refMem, textMem, appMem / textMem);
        std::printf(
            "CPU over %d idle seconds: reference %.2f %%, reference with text %.2f %%, quorvane %.2f %% of "
            "one core (aim: 0)\n",
            kIdleSeconds, reference.idleCpuPercent, textReference.idleCpuPercent, program.idleCpuPercent);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_app_startup: %s\n", error.what());
        return 1;
    }
    return 0;
}
