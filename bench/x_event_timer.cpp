// Times what a user of a desktop program sees, from outside the program, in the X server's own
// clock (milliseconds): how long from launch until its tray item is embedded or its first window
// is mapped, from a key press until a window is mapped, and from a key press until the clipboard
// has a new owner. It presses keys itself through XTest and watches the root window's
// SubstructureNotify events and the XFixes selection-owner events for CLIPBOARD.
//
// MapNotify carries no time stamp, so the server's time is taken the moment one arrives: the
// timer appends nothing to a property of its own window and reads the time of the PropertyNotify
// that follows. A key press is stamped the same way, with the property request sent just before
// the XTest request, so that the server handles the two back to back (a server that was waiting
// reads its clock as it wakes, so the stamp is current). Each figure is also measured by this
// process's monotonic clock (microseconds), from sending the key to receiving the event.
//
//   x_event_timer launch --tray CLASS [--log FILE] -- PROGRAM [ARGUMENTS...]
//   x_event_timer launch --window [--log FILE] -- PROGRAM [ARGUMENTS...]
//       Starts the program and waits for its tray item (a window of that WM_CLASS) to be viewable
//       inside a tray, or for its first managed top-level window to be mapped.
//       Prints "launch pid=P server_ms=S client_us=C" and leaves the program running.
//   x_event_timer open --keys KEYS --name TITLE --count N [--pause MS]
//       N times: presses KEYS, waits until a window whose name starts with TITLE is mapped,
//       closes it through WM_DELETE_WINDOW and waits until it is gone.
//       Prints "open I server_ms=S client_us=C".
//   x_event_timer cycle --keys KEYS [--keys KEYS...] --count N [--pause MS]
//       N times: presses the next of the KEYS and waits for a new CLIPBOARD owner.
//       Prints "cycle I server_ms=S client_us=C".
//   x_event_timer pick --keys KEYS --cycle-keys KEYS --name TITLE --count N
//       N rounds of a pick and a cycle: presses KEYS, waits for the window, presses Return in it,
//       waits for the clipboard, then presses the cycle keys and waits for the clipboard again.
//   x_event_timer keys --keys KEYS [--count N] [--pause MS]
//       Presses KEYS N times through XTest, with nothing timed (drives other programs).
//   x_event_timer open-by --name TITLE --count N [--pause MS] -- PROGRAM [ARGUMENTS...]
//       As open, but each time PROGRAM triggers the window instead of a key press: it prints, as
//       the last number of its output, the CLOCK_MONOTONIC microsecond at which it triggered
//       (a desktop portal's backend emitting Activated). Prints "open I client_us=C", from that
//       moment to the map.
//   x_event_timer command --name TITLE --count N [--pause MS] [--log FILE] -- PROGRAM...
//       N times: starts the program (a command that asks another one to open a window), waits
//       until a window whose name starts with TITLE is mapped, closes it as `open` does.
//       Prints "command I server_ms=S client_us=C", timed from the start of the program.
//
// KEYS is xdotool's form: names joined by '+', such as ctrl+alt+super+p; the last one is the key.
// Every wait gives up after 20 s; the exit status is then 1.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr long kWaitLimitUs = 20'000'000;

long MonotonicUs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1'000'000L + now.tv_nsec / 1000;
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "x_event_timer: %s\n", what);
  std::exit(1);
}

class Timer {
 public:
  Timer() {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) Fail("cannot open the display");
    int major = 0, minor = 0, eventBase = 0, errorBase = 0;
    if (!XTestQueryExtension(display_, &eventBase, &errorBase, &major, &minor)) {
      Fail("the X server has no XTest extension");
    }
    if (!XFixesQueryExtension(display_, &fixesEventBase_, &errorBase)) {
      Fail("the X server has no XFixes extension");
    }
    root_ = DefaultRootWindow(display_);
    // An unmapped window of our own, whose property changes give us the server's time.
    probe_ = XCreateSimpleWindow(display_, root_, -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(display_, probe_, PropertyChangeMask);
    probeAtom_ = XInternAtom(display_, "X_EVENT_TIMER_PROBE", False);
    clipboard_ = XInternAtom(display_, "CLIPBOARD", False);
    XFixesSelectSelectionInput(display_, probe_, clipboard_, XFixesSetSelectionOwnerNotifyMask);
    XSelectInput(display_, root_, SubstructureNotifyMask);
    XSync(display_, False);
    // Windows that vanish while we look at them are no fault of ours.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  }

  ~Timer() { XCloseDisplay(display_); }

  // Sends the request whose PropertyNotify carries the server's time; AwaitStamp reads it.
  void RequestStamp() {
    XChangeProperty(display_, probe_, probeAtom_, XA_INTEGER, 32, PropModeAppend, nullptr, 0);
  }

  Time AwaitStamp() {
    XFlush(display_);
    const long deadline = MonotonicUs() + kWaitLimitUs;
    for (;;) {
      XEvent event;
      if (!ReadEvent(event, deadline)) Fail("the server's time stamp did not come");
      if (event.type == PropertyNotify && event.xproperty.window == probe_ &&
          event.xproperty.atom == probeAtom_) {
        return event.xproperty.time;
      }
      held_.push_back(event);
    }
  }

  Time Stamp() {
    RequestStamp();
    return AwaitStamp();
  }

  // The next event, the held ones first; false once the deadline (monotonic µs) has passed.
  bool NextEvent(XEvent& event, long deadline) {
    if (!held_.empty()) {
      event = held_.front();
      held_.pop_front();
      return true;
    }
    return ReadEvent(event, deadline);
  }

  struct Keys {
    std::vector<KeyCode> modifiers;
    KeyCode key = 0;
  };

  Keys ParseKeys(const std::string& text) {
    Keys keys;
    size_t start = 0;
    for (;;) {
      const size_t plus = text.find('+', start);
      const std::string name = text.substr(start, plus == std::string::npos ? plus : plus - start);
      const KeyCode code = KeyCodeOf(name);
      if (plus == std::string::npos) {
        keys.key = code;
        return keys;
      }
      keys.modifiers.push_back(code);
      start = plus + 1;
    }
  }

  // Presses and releases the combination; returns the server time and our clock at the press.
  std::pair<Time, long> Press(const Keys& keys) {
    for (KeyCode modifier : keys.modifiers) XTestFakeKeyEvent(display_, modifier, True, 0);
    RequestStamp();
    XTestFakeKeyEvent(display_, keys.key, True, 0);
    XTestFakeKeyEvent(display_, keys.key, False, 0);
    for (auto it = keys.modifiers.rbegin(); it != keys.modifiers.rend(); ++it) {
      XTestFakeKeyEvent(display_, *it, False, 0);
    }
    const long sent = MonotonicUs();
    return {AwaitStamp(), sent};
  }

  // The managed client window inside a top-level window (the window itself when it has a name).
  Window ClientOf(Window window) {
    std::vector<Window> level{window};
    for (int depth = 0; depth < 4 && !level.empty(); ++depth) {
      std::vector<Window> next;
      for (Window candidate : level) {
        if (HasProperty(candidate, XA_WM_NAME) ||
            HasProperty(candidate, AtomNamed("_NET_WM_NAME"))) {
          return candidate;
        }
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display_, candidate, &rootReturn, &parent, &children, &count) != 0) {
          next.insert(next.end(), children, children + count);
          if (children != nullptr) XFree(children);
        }
      }
      level = std::move(next);
    }
    return None;
  }

  std::string NameOf(Window window) {
    std::string name = TextProperty(window, AtomNamed("_NET_WM_NAME"), AtomNamed("UTF8_STRING"));
    if (name.empty()) name = TextProperty(window, XA_WM_NAME, XA_STRING);
    return name;
  }

  std::optional<long> PidOf(Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<long> pid;
    if (XGetWindowProperty(display_, window, AtomNamed("_NET_WM_PID"), 0, 1, False, XA_CARDINAL,
                           &type, &format, &count, &after, &data) == Success &&
        data != nullptr) {
      if (format == 32 && count == 1) pid = *reinterpret_cast<long*>(data);
      XFree(data);
    }
    return pid;
  }

  std::string ClassOf(Window window) {
    XClassHint hint{};
    std::string text;
    if (XGetClassHint(display_, window, &hint) != 0) {
      text = std::string(hint.res_name ? hint.res_name : "") + "\n" +
             std::string(hint.res_class ? hint.res_class : "");
      if (hint.res_name) XFree(hint.res_name);
      if (hint.res_class) XFree(hint.res_class);
    }
    return text;
  }

  bool IsShown(Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display_, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
  }

  void Watch(Window window, long mask) {
    XSelectInput(display_, window, mask);
    XSync(display_, False);
  }

  void CloseWindow(Window client) {
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = client;
    message.xclient.message_type = AtomNamed("WM_PROTOCOLS");
    message.xclient.format = 32;
    message.xclient.data.l[0] = static_cast<long>(AtomNamed("WM_DELETE_WINDOW"));
    message.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, client, False, NoEventMask, &message);
    XFlush(display_);
  }

  bool HasFocus(Window client) {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    while (focus != None && focus != PointerRoot && focus != root_) {
      if (focus == client) return true;
      Window rootReturn = 0, parent = 0;
      Window* children = nullptr;
      unsigned int count = 0;
      if (XQueryTree(display_, focus, &rootReturn, &parent, &children, &count) == 0) break;
      if (children != nullptr) XFree(children);
      focus = parent;
    }
    return false;
  }

  bool IsClipboardOwnerEvent(const XEvent& event) const {
    return event.type == fixesEventBase_ + XFixesSelectionNotify &&
           reinterpret_cast<const XFixesSelectionNotifyEvent&>(event).selection == clipboard_ &&
           reinterpret_cast<const XFixesSelectionNotifyEvent&>(event).owner != None;
  }

  Window Root() const { return root_; }
  Display* Connection() const { return display_; }

 private:
  bool ReadEvent(XEvent& event, long deadline) {
    while (XPending(display_) == 0) {
      const long left = deadline - MonotonicUs();
      if (left <= 0) return false;
      pollfd connection{ConnectionNumber(display_), POLLIN, 0};
      poll(&connection, 1, static_cast<int>(left / 1000) + 1);
    }
    XNextEvent(display_, &event);
    return true;
  }

  Atom AtomNamed(const char* name) { return XInternAtom(display_, name, False); }

  bool HasProperty(Window window, Atom property) {
    int count = 0;
    Atom* properties = XListProperties(display_, window, &count);
    bool found = false;
    for (int i = 0; i < count; ++i) found = found || properties[i] == property;
    if (properties != nullptr) XFree(properties);
    return found;
  }

  std::string TextProperty(Window window, Atom property, Atom type) {
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(display_, window, property, 0, 1024, False, type, &actual, &format,
                           &count, &after, &data) == Success &&
        data != nullptr) {
      if (format == 8) text.assign(reinterpret_cast<char*>(data), count);
      XFree(data);
    }
    return text;
  }

  KeyCode KeyCodeOf(const std::string& name) {
    static const std::pair<const char*, const char*> kAliases[] = {
        {"ctrl", "Control_L"}, {"control", "Control_L"}, {"alt", "Alt_L"},
        {"super", "Super_L"},  {"shift", "Shift_L"},     {"meta", "Meta_L"}};
    std::string keysymName = name;
    for (const auto& [alias, real] : kAliases) {
      if (name == alias) keysymName = real;
    }
    const KeySym keysym = XStringToKeysym(keysymName.c_str());
    const KeyCode code = keysym == NoSymbol ? 0 : XKeysymToKeycode(display_, keysym);
    if (code == 0) {
      std::fprintf(stderr, "x_event_timer: no key for \"%s\"\n", name.c_str());
      std::exit(2);
    }
    return code;
  }

  Display* display_ = nullptr;
  Window root_ = 0;
  Window probe_ = 0;
  Atom probeAtom_ = 0;
  Atom clipboard_ = 0;
  int fixesEventBase_ = 0;
  std::deque<XEvent> held_;
};

struct Options {
  std::string mode;
  std::vector<std::string> keys;
  std::string cycleKeys;
  std::string name;
  std::string trayClass;
  std::string log = "/dev/null";
  bool window = false;
  int count = 1;
  int pauseMs = 150;
  std::vector<char*> program;
};

[[noreturn]] void Usage() {
  std::fprintf(stderr,
               "usage: x_event_timer launch (--tray CLASS | --window) [--log FILE] -- PROGRAM...\n"
               "       x_event_timer open --keys KEYS --name TITLE --count N [--pause MS]\n"
               "       x_event_timer cycle --keys KEYS [--keys KEYS...] --count N [--pause MS]\n"
               "       x_event_timer pick --keys KEYS --cycle-keys KEYS --name TITLE --count N\n"
               "       x_event_timer open-by --name TITLE --count N [--pause MS] -- PROGRAM...\n"
               "       x_event_timer keys --keys KEYS [--count N] [--pause MS]\n"
               "       x_event_timer command --name TITLE --count N [--pause MS] [--log FILE] "
               "-- PROGRAM...\n");
  std::exit(2);
}

Options ParseOptions(int argc, char** argv) {
  if (argc < 2) Usage();
  Options options;
  options.mode = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string argument = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Usage();
      return argv[++i];
    };
    if (argument == "--") {
      options.program.assign(argv + i + 1, argv + argc);
      break;
    } else if (argument == "--keys") {
      options.keys.push_back(value());
    } else if (argument == "--cycle-keys") {
      options.cycleKeys = value();
    } else if (argument == "--name") {
      options.name = value();
    } else if (argument == "--tray") {
      options.trayClass = value();
    } else if (argument == "--window") {
      options.window = true;
    } else if (argument == "--log") {
      options.log = value();
    } else if (argument == "--count") {
      options.count = std::atoi(value().c_str());
    } else if (argument == "--pause") {
      options.pauseMs = std::atoi(value().c_str());
    } else {
      Usage();
    }
  }
  options.program.push_back(nullptr);
  return options;
}

void Pause(int ms) {
  usleep(static_cast<useconds_t>(ms) * 1000);
}

void Print(const char* what, int index, Time from, Time to, long fromUs, long toUs) {
  std::printf("%s %d server_ms=%ld client_us=%ld\n", what, index, static_cast<long>(to - from),
              toUs - fromUs);
  std::fflush(stdout);
}

// A top-level window (a window manager's frame, or an unmanaged window) was mapped: the client
// window inside it, if its name starts with `name` (toolkits may append the program's name).
Window MappedWindowNamed(Timer& timer, const XEvent& event, const std::string& name) {
  if (event.type != MapNotify || event.xmap.event != timer.Root() || event.xmap.override_redirect) {
    return None;
  }
  const Window client = timer.ClientOf(event.xmap.window);
  return client != None && timer.NameOf(client).starts_with(name) ? client : None;
}

// Starts the program of the options with its output in the log; returns its pid.
pid_t Start(Timer& timer, const Options& options) {
  const pid_t pid = fork();
  if (pid < 0) Fail("fork failed");
  if (pid == 0) {
    const int log = open(options.log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (log >= 0) {
      dup2(log, STDOUT_FILENO);
      dup2(log, STDERR_FILENO);
      close(log);
    }
    close(ConnectionNumber(timer.Connection()));
    execvp(options.program[0], options.program.data());
    std::perror("x_event_timer: exec");
    _exit(127);
  }
  return pid;
}

int Launch(Timer& timer, const Options& options) {
  if (options.program.size() < 2 || (options.trayClass.empty() && !options.window)) Usage();
  const Time launchTime = timer.Stamp();
  const long launchUs = MonotonicUs();
  const pid_t pid = Start(timer, options);
  const long deadline = MonotonicUs() + kWaitLimitUs;
  XEvent event;
  Window trayItem = None;
  while (true) {
    if (trayItem != None && timer.IsShown(trayItem)) break;
    // While the item sits in the tray but is not viewable yet, its map may come through a
    // parent we do not watch: look again every millisecond.
    const long limit = trayItem != None ? MonotonicUs() + 1000 : deadline;
    if (!timer.NextEvent(event, std::min(limit, deadline))) {
      if (MonotonicUs() >= deadline) Fail("the program showed nothing in time");
      continue;
    }
    if (!options.trayClass.empty()) {
      // A tray takes the item's window out of the root window into one of its own.
      if (event.type == ReparentNotify && event.xreparent.event == timer.Root() &&
          event.xreparent.parent != timer.Root()) {
        const Window window = event.xreparent.window;
        const std::string classes = timer.ClassOf(window);
        const auto owner = timer.PidOf(window);
        if ((owner && *owner == pid) ||
            ("\n" + classes + "\n").find("\n" + options.trayClass + "\n") != std::string::npos) {
          trayItem = window;
          timer.Watch(trayItem, StructureNotifyMask);
        }
      }
    } else if (event.type == MapNotify && event.xmap.event == timer.Root() &&
               !event.xmap.override_redirect) {
      const long receivedUs = MonotonicUs();
      const Time mapped = timer.Stamp();
      const Window client = timer.ClientOf(event.xmap.window);
      const auto owner = client != None ? timer.PidOf(client) : std::nullopt;
      if (!owner || *owner == pid) {
        std::printf("launch pid=%d server_ms=%ld client_us=%ld\n", static_cast<int>(pid),
                    static_cast<long>(mapped - launchTime), receivedUs - launchUs);
        return 0;
      }
    }
  }
  const long embeddedUs = MonotonicUs();
  const Time embedded = timer.Stamp();
  std::printf("launch pid=%d server_ms=%ld client_us=%ld\n", static_cast<int>(pid),
              static_cast<long>(embedded - launchTime), embeddedUs - launchUs);
  return 0;
}

// Waits for a window named `name` to be mapped; returns its client window and, through the
// arguments, the top-level window, the server time and our clock at its map.
Window AwaitWindow(Timer& timer, const std::string& name, Window& topLevel, Time& time, long& us) {
  const long deadline = MonotonicUs() + kWaitLimitUs;
  XEvent event;
  while (timer.NextEvent(event, deadline)) {
    if (event.type != MapNotify || event.xmap.event != timer.Root()) continue;
    us = MonotonicUs();
    time = timer.Stamp();
    const Window client = MappedWindowNamed(timer, event, name);
    if (client != None) {
      topLevel = event.xmap.window;
      return client;
    }
  }
  Fail("the window did not appear");
}

bool IsGone(const XEvent& event, Window topLevel) {
  return (event.type == UnmapNotify && event.xunmap.window == topLevel) ||
         (event.type == DestroyNotify && event.xdestroywindow.window == topLevel);
}

// Waits until the top-level window is unmapped and, with `clipboard`, the clipboard has a new
// owner too (in whichever order the two come).
void AwaitGone(Timer& timer, Window topLevel, bool clipboard = false) {
  const long deadline = MonotonicUs() + kWaitLimitUs;
  bool gone = false;
  XEvent event;
  while (!(gone && !clipboard) && timer.NextEvent(event, deadline)) {
    gone = gone || IsGone(event, topLevel);
    clipboard = clipboard && !timer.IsClipboardOwnerEvent(event);
  }
  if (!gone) Fail("the window did not close");
  if (clipboard) Fail("the clipboard got no new owner");
}

// Waits for a new CLIPBOARD owner; returns the server time of the change.
Time AwaitClipboard(Timer& timer) {
  const long deadline = MonotonicUs() + kWaitLimitUs;
  XEvent event;
  while (timer.NextEvent(event, deadline)) {
    if (timer.IsClipboardOwnerEvent(event)) {
      return reinterpret_cast<const XFixesSelectionNotifyEvent&>(event).timestamp;
    }
  }
  Fail("the clipboard got no new owner");
}

void Drain(Timer& timer) {
  XEvent event;
  while (timer.NextEvent(event, MonotonicUs())) {
  }
}

int Open(Timer& timer, const Options& options) {
  if (options.keys.size() != 1 || options.name.empty()) Usage();
  const Timer::Keys keys = timer.ParseKeys(options.keys[0]);
  for (int i = 1; i <= options.count; ++i) {
    Drain(timer);
    const auto [pressed, pressedUs] = timer.Press(keys);
    Window topLevel = None;
    Time mapped = 0;
    long mappedUs = 0;
    const Window client = AwaitWindow(timer, options.name, topLevel, mapped, mappedUs);
    Print("open", i, pressed, mapped, pressedUs, mappedUs);
    timer.CloseWindow(client);
    AwaitGone(timer, topLevel);
    Pause(options.pauseMs);
  }
  return 0;
}

// Starts the program with its output in a pipe that is read only after the window came, so that
// the map is seen the moment it happens, however long the program takes to end.
pid_t StartTrigger(Timer& timer, const Options& options, int& output) {
  int fds[2];
  if (pipe(fds) != 0) Fail("no pipe");
  const pid_t pid = fork();
  if (pid < 0) Fail("fork failed");
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    close(ConnectionNumber(timer.Connection()));
    execvp(options.program[0], options.program.data());
    std::perror("x_event_timer: exec");
    _exit(127);
  }
  close(fds[1]);
  output = fds[0];
  return pid;
}

// The last number of the trigger's output: its clock at the trigger.
long TriggerStamp(pid_t pid, int output) {
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = read(output, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(output);
  int status = 0;
  waitpid(pid, &status, 0);
  const size_t end = text.find_last_of("0123456789");
  if (end == std::string::npos || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    Fail("the trigger failed");
  }
  const size_t start = text.find_last_not_of("0123456789", end);
  return std::atol(text.c_str() + (start == std::string::npos ? 0 : start + 1));
}

int OpenBy(Timer& timer, const Options& options) {
  if (options.name.empty() || options.program.size() < 2) Usage();
  for (int i = 1; i <= options.count; ++i) {
    Drain(timer);
    int output = -1;
    const pid_t trigger = StartTrigger(timer, options, output);
    Window topLevel = None;
    Time mapped = 0;
    long mappedUs = 0;
    const Window client = AwaitWindow(timer, options.name, topLevel, mapped, mappedUs);
    const long triggeredUs = TriggerStamp(trigger, output);
    std::printf("open %d client_us=%ld\n", i, mappedUs - triggeredUs);
    std::fflush(stdout);
    timer.CloseWindow(client);
    AwaitGone(timer, topLevel);
    Pause(options.pauseMs);
  }
  return 0;
}

int Command(Timer& timer, const Options& options) {
  if (options.program.size() < 2 || options.name.empty()) Usage();
  for (int i = 1; i <= options.count; ++i) {
    Drain(timer);
    const Time started = timer.Stamp();
    const long startedUs = MonotonicUs();
    const pid_t pid = Start(timer, options);
    Window topLevel = None;
    Time mapped = 0;
    long mappedUs = 0;
    const Window client = AwaitWindow(timer, options.name, topLevel, mapped, mappedUs);
    Print("command", i, started, mapped, startedUs, mappedUs);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Fail("the command did not end with 0");
    timer.CloseWindow(client);
    AwaitGone(timer, topLevel);
    Pause(options.pauseMs);
  }
  return 0;
}

int Cycle(Timer& timer, const Options& options) {
  if (options.keys.empty()) Usage();
  std::vector<Timer::Keys> keys;
  for (const auto& text : options.keys) keys.push_back(timer.ParseKeys(text));
  for (int i = 1; i <= options.count; ++i) {
    Drain(timer);
    const auto [pressed, pressedUs] = timer.Press(keys[(i - 1) % keys.size()]);
    const Time owned = AwaitClipboard(timer);
    Print("cycle", i, pressed, owned, pressedUs, MonotonicUs());
    Pause(options.pauseMs);
  }
  return 0;
}

int Pick(Timer& timer, const Options& options) {
  if (options.keys.size() != 1 || options.cycleKeys.empty() || options.name.empty()) Usage();
  const Timer::Keys keys = timer.ParseKeys(options.keys[0]);
  const Timer::Keys cycleKeys = timer.ParseKeys(options.cycleKeys);
  const Timer::Keys confirm = timer.ParseKeys("Return");
  for (int i = 1; i <= options.count; ++i) {
    Drain(timer);
    timer.Press(keys);
    Window topLevel = None;
    Time mapped = 0;
    long mappedUs = 0;
    const Window client = AwaitWindow(timer, options.name, topLevel, mapped, mappedUs);
    // Return goes where the keyboard focus is: wait for the window manager to give it the dialog.
    for (int tries = 0; tries < 300 && !timer.HasFocus(client); ++tries) Pause(10);
    if (!timer.HasFocus(client)) Fail("the dialog did not get the keyboard focus");
    Pause(50);
    timer.Press(confirm);
    AwaitGone(timer, topLevel, true);
    Pause(options.pauseMs);
    timer.Press(cycleKeys);
    AwaitClipboard(timer);
    Pause(options.pauseMs);
  }
  std::printf("pick %d rounds\n", options.count);
  return 0;
}

int PressKeys(Timer& timer, const Options& options) {
  if (options.keys.empty()) Usage();
  for (int i = 0; i < options.count; ++i) {
    for (const auto& text : options.keys) {
      timer.Press(timer.ParseKeys(text));
      Pause(options.pauseMs);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  Timer timer;
  if (options.mode == "launch") return Launch(timer, options);
  if (options.mode == "open") return Open(timer, options);
  if (options.mode == "open-by") return OpenBy(timer, options);
  if (options.mode == "cycle") return Cycle(timer, options);
  if (options.mode == "pick") return Pick(timer, options);
  if (options.mode == "keys") return PressKeys(timer, options);
  if (options.mode == "command") return Command(timer, options);
  Usage();
}
