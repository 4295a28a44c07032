#pragma once
// Helpers for tests that drive the Qt backend on the session's X server: waiting while Qt keeps
// handling events, acting on a modal dialog once it has the keyboard, and running desktop tools
// (xdotool, xclip) without blocking the event loop that has to answer them, and setting an
// environment variable for one test.
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QEventLoop>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pigmora::test {

// Handles events until `done` holds or `limitMs` has passed (a guard against a hang, not a
// measurement); the result is `done`'s last answer.
inline bool ProcessUntil(const std::function<bool()>& done, int limitMs = 10000) {
  QDeadlineTimer deadline(limitMs);
  while (!done()) {
    if (deadline.hasExpired()) return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

struct CommandResult {
  bool finished = false;
  int exitCode = -1;
  QByteArray output;
};

// Runs a program to its end while this process keeps handling its own events (an X selection
// that the program asks this process for is served meanwhile).
inline CommandResult RunCommand(const QString& program, const QStringList& arguments,
                                int limitMs = 10000) {
  QProcess process;
  process.setProcessChannelMode(QProcess::SeparateChannels);
  process.start(program, arguments);
  CommandResult result;
  if (!process.waitForStarted(limitMs)) return result;
  ProcessUntil([&] { return process.state() == QProcess::NotRunning; }, limitMs);
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished(1000);
    return result;
  }
  result.finished = process.exitStatus() == QProcess::NormalExit;
  result.exitCode = process.exitCode();
  result.output = process.readAllStandardOutput();
  return result;
}

// Starts a shell command line in the background (typing with xdotool while a dialog runs). The
// process is waited for when the returned object goes.
inline std::unique_ptr<QProcess> StartShell(const QString& commandLine) {
  auto process = std::make_unique<QProcess>();
  process->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), commandLine});
  process->waitForStarted(5000);
  return process;
}

// Calls `action` once with the application's modal widget of type T as soon as it is shown and
// has the keyboard focus. When none comes within `limitMs`, every visible dialog is rejected so
// that the test ends, and `Acted()` stays false.
template <typename T>
class WhenModal {
 public:
  WhenModal(std::function<void(T*)> action, int limitMs = 10000)
      : action_(std::move(action)), deadline_(limitMs) {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
  }
  bool Acted() const { return acted_; }

 private:
  void Poll() {
    auto* widget = qobject_cast<T*>(QApplication::activeModalWidget());
    if (widget && widget->isVisible() && widget->isActiveWindow()) {
      timer_.stop();
      acted_ = true;
      action_(widget);
      return;
    }
    if (deadline_.hasExpired()) {
      timer_.stop();
      // Whatever dialog is up, modal or not, goes, so that the test ends.
      for (QWidget* topLevel : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(topLevel);
        if (dialog && dialog->isVisible()) dialog->done(QDialog::Rejected);
      }
    }
  }

  std::function<void(T*)> action_;
  QDeadlineTimer deadline_;
  QTimer timer_;
  bool acted_ = false;
};

// Sets or unsets an environment variable for one test and puts it back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace pigmora::test
