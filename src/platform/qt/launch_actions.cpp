#include "platform/qt/launch_actions.h"

#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <string>

#include "platform/qt/instance_client.h"
#include "platform/qt/single_instance_lock.h"
#include "platform/qt/stderr_line.h"

namespace pigmora::qt {

namespace {

void WriteTo(int fd, const std::string& text) {
  [[maybe_unused]] const ssize_t written = write(fd, text.data(), text.size());
}

// Ends a launch that has used the session bus, without the usual teardown: QtDBus's own thread may
// still be handling the bus's last message while the process takes down Qt's type registry, and
// then warns on stderr. Nothing of such a launch needs tearing down (its output is written).
[[noreturn]] void EndAskingLaunch(int status) {
  _exit(status);
}

struct ActionCall {
  const char* method;
  const char* whatFor;  // finishes "no running Pigmora to ..."
};

ActionCall CallFor(LaunchAction action) {
  switch (action) {
    case LaunchAction::ShowPicker:
      return {"ShowPicker", "show the colour picker"};
    case LaunchAction::CycleForward:
      return {"CycleForward", "cycle the output format forward"};
    case LaunchAction::CycleBack:
      return {"CycleBack", "cycle the output format back"};
    default:
      return {"ShowPreferences", "open the preferences window"};
  }
}

}  // namespace

int RunActionLaunch(int& argc, char** argv, const CommandLine& commandLine) {
  if (!commandLine.error.empty()) {
    PrintStderrLine(commandLine.error);
    WriteTo(STDERR_FILENO, UsageText());
    return 2;
  }
  if (commandLine.action == LaunchAction::Help) {
    WriteTo(STDOUT_FILENO, UsageText());
    return 0;
  }
  const ActionCall call = CallFor(commandLine.action);
  QCoreApplication application(argc, argv);
  const DeliveryResult result = AskRunningInstance(call.method);
  switch (result.delivery) {
    case Delivery::Delivered:
      EndAskingLaunch(0);
    case Delivery::NoInstance:
      PrintStderrLine(std::string("no running Pigmora to ") + call.whatFor +
                      "; start it first with: pigmora");
      EndAskingLaunch(1);
    case Delivery::Unreachable:
      break;
  }
  PrintStderrLine("cannot reach the running Pigmora: " + result.detail);
  EndAskingLaunch(1);
}

int RunSecondLaunch(int& argc, char** argv) {
  const std::string running =
      "already running (" + InstanceLockPath() + " is locked by another Pigmora); ";
  QCoreApplication application(argc, argv);
  const DeliveryResult result = AskRunningInstance("Activate");
  if (result.delivery == Delivery::Delivered) {
    PrintStderrLine(running + "asked it to show itself.");
  } else {
    PrintStderrLine(running + "could not ask it to show itself: " +
                    (result.detail.empty() ? "it has just ended" : result.detail) + ".");
  }
  EndAskingLaunch(0);
}

}  // namespace pigmora::qt
