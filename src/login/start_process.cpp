#include "login/start_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <thread>

namespace pigmora {

namespace {

using Clock = std::chrono::steady_clock;

// How long a detached start may take to reach the program (fork, chdir, exec) before we stop
// listening for its report. Reaching exec takes microseconds; this only bounds a stuck chdir.
constexpr int kLaunchReportMs = 5000;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

// An existing, non-empty regular file we may execute (symbolic links are followed).
bool IsRunnableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
         ::access(path.c_str(), X_OK) == 0;
}

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

// The pipe through which the children tell us why the program did not start. Both ends close
// on exec, so a successful exec shows as end-of-file, and programs started later do not keep the
// pipe open. They are marked right after the pipe is made (pipe2 would do both at once, but not
// every system has it): a program that another thread started in that moment would inherit the
// write end and hold the report open until it ended, taken here for a start that timed out. In
// this program only the main thread starts programs, one at a time through here; the toolkit's
// threads (the display's event reader, the session bus, its thread pool) start none.
bool OpenReportPipe(int ends[2]) {
  if (::pipe(ends) != 0) return false;
  if (::fcntl(ends[0], F_SETFD, FD_CLOEXEC) == 0 && ::fcntl(ends[1], F_SETFD, FD_CLOEXEC) == 0) {
    return true;
  }
  ::close(ends[0]);
  ::close(ends[1]);
  return false;
}

// Runs in the children between fork and exec: only async-signal-safe calls.
void WriteError(int fd, int error) {
  const char* bytes = reinterpret_cast<const char*>(&error);
  std::size_t sent = 0;
  while (sent < sizeof error) {
    const ssize_t n = ::write(fd, bytes + sent, sizeof error - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

// The grandchild: becomes the program. Everything it needs was prepared before the first fork,
// because the caller has other threads whose locks (the allocator's among them) may have been
// copied in a held state. Only async-signal-safe calls from here on.
[[noreturn]] void BecomeProgram(const char* program, char* const* argv, const char* directory,
                                const sigset_t& noSignals, const struct sigaction& byDefault,
                                int report) {
  // The toolkit may block signals it waits for in a thread, or ignore SIGPIPE; the program
  // deserves the ordinary defaults, and both would survive exec.
  ::sigprocmask(SIG_SETMASK, &noSignals, nullptr);
  ::sigaction(SIGPIPE, &byDefault, nullptr);
  if (directory == nullptr || ::chdir(directory) == 0) ::execv(program, argv);
  WriteError(report, errno);
  ::_exit(127);
}

// Reads the children's report: 0 when the program was reached (end-of-file), else the errno
// they sent, or ETIMEDOUT when nothing came before the deadline.
int ReadLaunchReport(int fd, Clock::time_point deadline) {
  int error = 0;
  char* bytes = reinterpret_cast<char*>(&error);
  std::size_t got = 0;
  for (;;) {
    pollfd ready{fd, POLLIN, 0};
    const int count = ::poll(&ready, 1, MillisecondsLeft(deadline));
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return errno;
    if (count == 0) return ETIMEDOUT;
    const ssize_t n = ::read(fd, bytes + got, sizeof error - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return got == 0 ? 0 : EIO;
    got += static_cast<std::size_t>(n);
    if (got == sizeof error) return error != 0 ? error : EIO;
  }
}

// Collects the first child so that no zombie is left. With a deadline, a child still running
// then is killed (the program it started goes on, orphaned) and false is returned.
bool ReapChild(pid_t child, const Clock::time_point* deadline) {
  for (;;) {
    int status = 0;
    const pid_t result = ::waitpid(child, &status, deadline != nullptr ? WNOHANG : 0);
    if (result == child) return true;
    if (result < 0 && errno == EINTR) continue;
    if (result < 0) return false;
    if (Clock::now() >= *deadline) {
      ::kill(child, SIGKILL);
      ReapChild(child, nullptr);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

// Finds the program, then starts it as a grandchild so that it is never our child. With
// `waitMs` >= 0 the first child stays until the program ends and we wait for it that long.
bool Launch(const std::string& name, const std::string& parameters,
            const std::string& workingDirectory, int waitMs) {
  std::optional<std::string> found = FindProgram(name, std::getenv("PATH"));
  if (!found) return false;
  // Run the very file we checked: searching PATH again by name could find another one, and a
  // relative path would resolve against the program's working directory instead of ours.
  std::string program = std::move(*found);
  if (program.front() != '/') {
    char here[PATH_MAX];
    if (::getcwd(here, sizeof here) == nullptr) return false;
    program = std::string(here) + "/" + program;
  }

  std::vector<std::string> arguments = SplitParameters(parameters);
  arguments.insert(arguments.begin(), name);
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const char* directory = workingDirectory.empty() ? nullptr : workingDirectory.c_str();
  sigset_t noSignals;
  sigemptyset(&noSignals);
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  sigemptyset(&byDefault.sa_mask);
  const bool waits = waitMs >= 0;

  int report[2];
  if (!OpenReportPipe(report)) return false;
  const pid_t first = ::fork();
  if (first < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (first == 0) {
    ::close(report[0]);
    const pid_t second = ::fork();
    if (second == 0)
      BecomeProgram(program.c_str(), argv.data(), directory, noSignals, byDefault, report[1]);
    if (second < 0) {
      WriteError(report[1], errno);
      ::_exit(1);
    }
    ::close(report[1]);
    if (waits) {
      int status = 0;
      while (::waitpid(second, &status, 0) < 0 && errno == EINTR) {
      }
    }
    ::_exit(0);
  }

  ::close(report[1]);
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(waits ? waitMs : kLaunchReportMs);
  const int launchError = ReadLaunchReport(report[0], deadline);
  ::close(report[0]);
  const bool reaped = ReapChild(first, waits ? &deadline : nullptr);
  return launchError == 0 && reaped;
}

}  // namespace

std::vector<std::string> SplitParameters(const std::string& parameters) {
  std::vector<std::string> arguments;
  std::size_t i = 0;
  const std::size_t size = parameters.size();
  while (i < size) {
    if (IsBlank(parameters[i])) {
      ++i;
    } else if (parameters[i] == '"') {
      // Runs to the next double quote (or the end); whatever follows starts a new argument.
      const std::size_t close = parameters.find('"', i + 1);
      const std::size_t end = close == std::string::npos ? size : close;
      arguments.push_back(parameters.substr(i + 1, end - i - 1));
      i = close == std::string::npos ? size : close + 1;
    } else {
      std::size_t end = i;
      while (end < size && !IsBlank(parameters[end])) ++end;
      arguments.push_back(parameters.substr(i, end - i));
      i = end;
    }
  }
  return arguments;
}

std::optional<std::string> FindProgram(const std::string& name, const char* path) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) {
    if (IsRunnableFile(name)) return name;
    if (name.starts_with('/') || name.starts_with("./")) return std::nullopt;
  }
  if (path == nullptr) return std::nullopt;
  std::string_view rest(path);
  for (;;) {
    const std::size_t colon = rest.find(':');
    const std::string_view entry = rest.substr(0, colon);
    if (!entry.empty()) {
      std::string candidate(entry);
      if (!entry.ends_with('/')) candidate += '/';
      candidate += name;
      if (IsRunnableFile(candidate)) return candidate;
    }
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return std::nullopt;
}

bool StartProcess(const std::string& name, const std::string& parameters,
                  const std::string& workingDirectory) {
  return Launch(name, parameters, workingDirectory, -1);
}

bool RunProcessAndWait(const std::string& name, const std::string& parameters, int timeoutMs) {
  return Launch(name, parameters, std::string(), timeoutMs < 0 ? 0 : timeoutMs);
}

}  // namespace pigmora
