// The event wait, the wake-up, the terminate signals and the key-down filter on a real X server.
#include "platform/qt/qt_system_events.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <chrono>
#include <csignal>
#include <optional>
#include <thread>
#include <vector>

#include "platform_test_support.h"

namespace pigmora::qt {
namespace {

using test::ProcessUntil;
using test::RunCommand;

// Handles whatever the X server and Qt still have pending, so that a following wait starts idle.
void Drain() {
  for (int i = 0; i < 50; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(QtSystemEvents, LastWindowClosingDoesNotQuit) {
  QApplication::setQuitOnLastWindowClosed(true);
  QtSystemEvents events;
  EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
}

TEST(QtSystemEvents, WakeFromAnotherThreadEndsABlockedWait) {
  QtSystemEvents events;
  Drain();
  std::atomic<bool> woken{false};
  // Stops the test rather than hanging it if the wake-up does not work.
  std::atomic<bool> done{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 200 && !done; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!done) {
      ADD_FAILURE() << "the wait did not return after Wake";
      std::_Exit(1);
    }
  });
  std::thread waker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    woken = true;
    events.Wake();
  });
  // Other system events may end a wait before the wake-up; none comes after it, so only the
  // wake-up can end the last wait (else the watchdog fails the test).
  while (!woken) events.WaitAndHandleSystemEvents();
  done = true;
  waker.join();
  watchdog.join();
}

TEST(QtSystemEvents, WakeOnTheMainThreadMakesTheNextWaitReturn) {
  QtSystemEvents events;
  Drain();
  events.Wake();
  events.WaitAndHandleSystemEvents();  // would block for ever without the wake-up
  SUCCEED();
}

TEST(QtSystemEvents, TerminateSignalsCallTheHandlerOnTheMainThreadAsRequestsThatMustEnd) {
  for (int signalNumber : {SIGTERM, SIGINT}) {
    QtSystemEvents events;
    int calls = 0;
    std::thread::id callingThread;
    std::optional<platform::TerminateRequest> request;
    events.SetTerminateHandler([&](platform::TerminateRequest given) {
      ++calls;
      callingThread = std::this_thread::get_id();
      request = given;
    });
    Drain();
    kill(getpid(), signalNumber);
    EXPECT_TRUE(ProcessUntil([&] { return calls > 0; }, 5000)) << signalNumber;
    EXPECT_EQ(calls, 1) << signalNumber;
    EXPECT_EQ(callingThread, std::this_thread::get_id());
    EXPECT_EQ(request, platform::TerminateRequest::MustEnd) << signalNumber;
  }
}

TEST(QtSystemEvents, ATerminateSignalDismissesAModalDialogAfterTellingTheHandler) {
  for (int signalNumber : {SIGTERM, SIGINT}) {
    QtSystemEvents events;
    QDialog dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    bool dialogOpenWhenTold = false;
    events.SetTerminateHandler(
        [&](platform::TerminateRequest) { dialogOpenWhenTold = dialog.isVisible(); });
    Drain();
    QTimer::singleShot(100, &dialog, [signalNumber] { kill(getpid(), signalNumber); });
    // Should the signal not dismiss it, the dialog still ends, accepted, and the test fails.
    QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(QDialog::Accepted); });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected) << signalNumber;
    EXPECT_TRUE(dialogOpenWhenTold) << signalNumber;
  }
}

TEST(QtSystemEvents, SignalsBeforeAHandlerIsSetAreNotLost) {
  QtSystemEvents events;
  int calls = 0;
  kill(getpid(), SIGTERM);
  events.SetTerminateHandler([&](platform::TerminateRequest) { ++calls; });
  EXPECT_TRUE(ProcessUntil([&] { return calls > 0; }, 5000));
}

// A window with a field that carries a control id, one inside a container that carries it, and
// one with no id anywhere.
class KeyFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.setWindowTitle("key filter test");
    auto* layout = new QVBoxLayout(&window_);
    withId_ = new QLineEdit(&window_);
    withId_->setProperty(kControlIdProperty, qlonglong{2});
    auto* container = new QWidget(&window_);
    container->setProperty(kControlIdProperty, qlonglong{3});
    auto* containerLayout = new QVBoxLayout(container);
    nested_ = new QLineEdit(container);
    containerLayout->addWidget(nested_);
    withoutId_ = new QLineEdit(&window_);
    layout->addWidget(withId_);
    layout->addWidget(container);
    layout->addWidget(withoutId_);
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(ProcessUntil([&] { return window_.isActiveWindow(); }));
  }

  // Presses keys with xdotool (XTEST, as a keyboard would) and waits until the focused field has
  // handled them or the filter has seen `expectedPresses`.
  void Press(const QStringList& keys, std::size_t expectedPresses) {
    QStringList arguments{"key", "--delay", "30"};
    arguments += keys;
    ASSERT_EQ(RunCommand("xdotool", arguments).exitCode, 0);
    ProcessUntil([&] { return seen_.size() >= expectedPresses; }, 3000);
    Drain();
  }

  void Focus(QLineEdit* field) {
    field->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(ProcessUntil([&] { return field->hasFocus(); }));
  }

  QWidget window_;
  QLineEdit* withId_ = nullptr;
  QLineEdit* nested_ = nullptr;
  QLineEdit* withoutId_ = nullptr;
  std::vector<platform::KeyDown> seen_;
};

TEST_F(KeyFilterTest, TakenKeyDownsNeverReachTheWidget) {
  QtSystemEvents events;
  events.SetKeyDownFilter([&](const platform::KeyDown& key) {
    seen_.push_back(key);
    return true;
  });
  Focus(withId_);
  Press({"a", "ctrl+shift+b"}, 2);
  ASSERT_EQ(seen_.size(), 2u) << "each press is offered exactly once";
  EXPECT_EQ(seen_[0].focusedControlId, 2);
  EXPECT_EQ(seen_[0].character, u'a');
  EXPECT_EQ(seen_[1].focusedControlId, 2);
  EXPECT_NE(seen_[1].modifierFlags & platform::kControlFlag, 0u);
  EXPECT_NE(seen_[1].modifierFlags & platform::kShiftFlag, 0u);
  EXPECT_EQ(withId_->text(), "");
}

TEST_F(KeyFilterTest, KeyDownsNotTakenReachTheWidget) {
  QtSystemEvents events;
  events.SetKeyDownFilter([&](const platform::KeyDown& key) {
    seen_.push_back(key);
    return false;
  });
  Focus(withoutId_);
  Press({"x", "y"}, 2);
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[0].focusedControlId, -1);
  EXPECT_EQ(withoutId_->text(), "xy");
}

TEST_F(KeyFilterTest, FocusedControlIdComesFromTheNearestAncestorThatHasOne) {
  QtSystemEvents events;
  events.SetKeyDownFilter([&](const platform::KeyDown& key) {
    seen_.push_back(key);
    return true;
  });
  Focus(nested_);
  Press({"q"}, 1);
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].focusedControlId, 3);
}

TEST_F(KeyFilterTest, ModifierKeysAloneAreNoKeyDowns) {
  QtSystemEvents events;
  events.SetKeyDownFilter([&](const platform::KeyDown& key) {
    seen_.push_back(key);
    return true;
  });
  Focus(withId_);
  Press({"shift", "ctrl", "alt", "super", "z"}, 1);
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].character, u'z');
}

}  // namespace
}  // namespace pigmora::qt
