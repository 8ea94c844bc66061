// Times a program's start-up as its user sees it: from the moment it is
// started until its first top-level window is mapped, and its resident
// memory once it has settled. scripts/bench runs it, one start-up per call,
// under a private Xvfb with no window manager, where a mapped child of the
// root window is a visible window.
//
//   numino_startup_probe [-t TIMEOUT_MS] [-s SETTLE_MS] -- PROGRAM [ARGS...]
//
// On success prints one line, tab-separated:
//   map_ms   wall time from just before the fork until the server reports the
//            map; the probe asks for the report before it forks and sleeps in
//            poll(), so the figure has no polling step and costs the program
//            no CPU
//   cpu_ms   CPU time the program had used by then, all its threads
//   rss_kb   VmRSS summed over the program's process group SETTLE_MS after the
//            map (default 1500): what it keeps once the first paint is done
// The program runs in a process group of its own, its output goes to the
// probe's standard error, and at the end the group gets SIGTERM, then
// SIGKILL after 3 s. Exit status: 0 measured, 1 usage or setup error,
// 2 no window within TIMEOUT_MS (default 20000) or the program exited first.

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Set once the program runs, for the signal handler below.
volatile sig_atomic_t programGroup = 0;

void KillGroupAndExit(int) {
  if (programGroup > 0) kill(-programGroup, SIGKILL);
  _exit(130);
}

// The members of process group `group`, read from /proc/PID/stat, whose
// fields after the parenthesised name are: state ppid pgrp ...
template <typename Visit>
void ForEachInGroup(pid_t group, Visit visit) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream file(entry.path() / "stat");
    std::string stat;
    if (!std::getline(file, stat)) continue;
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(stat.substr(close + 1));
    char state = 0;
    long parent = 0, pgrp = 0;
    if (rest >> state >> parent >> pgrp && pgrp == group)
      visit(static_cast<pid_t>(std::stol(name)));
  }
}

// CPU time of a whole process, threads that have already ended included.
double CpuMs(pid_t pid) {
  clockid_t clock;
  timespec used{};
  if (clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &used) != 0) return 0;
  return used.tv_sec * 1e3 + used.tv_nsec / 1e6;
}

long RssKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

// SIGTERM to the group, SIGKILL to what is left after 3 s, then reaps the
// program itself; the rest of the group was not ours to reap.
void Stop(pid_t pid, bool reaped) {
  kill(-pid, SIGTERM);
  const auto start = Clock::now();
  while (!reaped && MsSince(start) < 3000) {
    reaped = waitpid(pid, nullptr, WNOHANG) == pid;
    if (!reaped) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(-pid, SIGKILL);
  if (!reaped) waitpid(pid, nullptr, 0);
}

int Usage() {
  std::fprintf(stderr,
               "usage: numino_startup_probe [-t TIMEOUT_MS] [-s SETTLE_MS] -- PROGRAM [ARGS...]\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  long timeoutMs = 20000, settleMs = 1500;
  for (int opt; (opt = getopt(argc, argv, "+t:s:")) != -1;) {
    if (opt != 't' && opt != 's') return Usage();
    (opt == 't' ? timeoutMs : settleMs) = std::atol(optarg);
  }
  if (optind >= argc || timeoutMs <= 0 || settleMs < 0) return Usage();

  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "numino_startup_probe: cannot open the X display\n");
    return 1;
  }
  const int xfd = ConnectionNumber(display);
  fcntl(xfd, F_SETFD, FD_CLOEXEC);
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);

  // The child reports a failed exec through this pipe; a successful exec
  // closes it.
  int execPipe[2];
  if (pipe2(execPipe, O_CLOEXEC) != 0) return 1;
  signal(SIGINT, KillGroupAndExit);
  signal(SIGTERM, KillGroupAndExit);
  signal(SIGHUP, KillGroupAndExit);

  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid < 0) return 1;
  if (pid == 0) {
    setpgid(0, 0);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    const int null = open("/dev/null", O_RDONLY);
    if (null >= 0) dup2(null, STDIN_FILENO);
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    execvp(argv[optind], argv + optind);
    const int error = errno;
    [[maybe_unused]] const ssize_t written = write(execPipe[1], &error, sizeof error);
    _exit(127);
  }
  setpgid(pid, pid);  // also here, so that it holds before the first kill
  programGroup = pid;
  close(execPipe[1]);
  int execError = 0;
  if (read(execPipe[0], &execError, sizeof execError) == static_cast<ssize_t>(sizeof execError)) {
    waitpid(pid, nullptr, 0);
    std::fprintf(stderr, "numino_startup_probe: cannot start %s: %s\n", argv[optind],
                 std::strerror(execError));
    return 1;
  }
  close(execPipe[0]);

  // Wait for the map, waking every 10 ms only to notice a program that exited.
  double mapMs = -1, cpuMs = 0;
  bool exited = false;
  while (mapMs < 0 && !exited && MsSince(start) < timeoutMs) {
    while (mapMs < 0 && XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MapNotify && event.xmap.event == root && !event.xmap.override_redirect) {
        mapMs = MsSince(start);
        cpuMs = CpuMs(pid);
      }
    }
    if (mapMs >= 0) break;
    pollfd x{xfd, POLLIN, 0};
    poll(&x, 1, 10);
    exited = waitpid(pid, nullptr, WNOHANG) == pid;
  }
  if (mapMs < 0) {
    Stop(pid, exited);
    std::fprintf(stderr, "numino_startup_probe: %s %s\n", argv[optind],
                 exited ? "exited before it showed a window" : "showed no window in time");
    return 2;
  }

  std::this_thread::sleep_for(
      std::chrono::duration<double, std::milli>(mapMs + settleMs - MsSince(start)));
  exited = waitpid(pid, nullptr, WNOHANG) == pid;
  long rssKb = 0;
  if (!exited) ForEachInGroup(pid, [&](pid_t member) { rssKb += RssKb(member); });
  Stop(pid, exited);
  XCloseDisplay(display);
  if (exited) {
    std::fprintf(stderr, "numino_startup_probe: %s exited before its memory was read\n",
                 argv[optind]);
    return 2;
  }
  std::printf("%.1f\t%.1f\t%ld\n", mapMs, cpuMs, rssKb);
  return 0;
}
