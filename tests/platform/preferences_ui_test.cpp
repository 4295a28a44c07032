// The preferences window on a real X server with a window manager: its window properties, the
// controls and what they report, and its closing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QWheelEvent>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/qt/qt_preferences_ui.h"
#include "platform/qt/qt_system_events.h"

namespace pigmora::qt {
namespace {

constexpr int64_t kField = 1;
constexpr int64_t kOtherField = 2;
constexpr int64_t kFormats = 4;
constexpr int64_t kIcons = 5;
constexpr int64_t kBox = 6;
constexpr int64_t kChangeType = 768;

bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 3000) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > milliseconds) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

class PreferencesUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ui.OpenWindow(
        u"Preferences", 290, 290, [this] { ++closeRequests; },
        [this](int64_t id, int64_t change) { reports.emplace_back(id, change); }));
    ui.AddLabel(u"Set Picker Key", {20, 24, 280, 25});
    ui.AddShortcutField(kField, {170, 20, 100, 25}, u"add shortcut");
    ui.AddShortcutField(kOtherField, {170, 50, 100, 25}, u"add shortcut");
    ui.AddPopUp(kFormats, {140, 120, 130, 25}, {u"RGB Values", u"Web Safe", u"Xamarin (C#)"},
                false);
    ui.AddPopUp(kIcons, {140, 150, 60, 25}, {}, true);
    ui.AddCheckBox(kBox, {20, 184, 230, 25}, u"Show Output Format in Menu Bar");
    ASSERT_TRUE(WaitUntil([this] { return ui.Window()->isVisible(); }));
  }
  void TearDown() override { ui.CloseWindow(); }

  template <typename Widget>
  Widget* Get(int64_t id) {
    return qobject_cast<Widget*>(ui.Control(id));
  }

  QtPreferencesUi ui;
  int closeRequests = 0;
  std::vector<std::pair<int64_t, int64_t>> reports;
};

TEST_F(PreferencesUiTest, WindowIsFixedSizeOnTopAndClosableOnly) {
  QWidget* window = ui.Window();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isWindow());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), QString("Preferences"));
  EXPECT_EQ(window->size(), QSize(290, 290));
  EXPECT_EQ(window->minimumSize(), QSize(290, 290));
  EXPECT_EQ(window->maximumSize(), QSize(290, 290));
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_EQ(window->font().pixelSize(), 12);
}

TEST_F(PreferencesUiTest, CloseButtonOnlyAsksAndTheProgramCloses) {
  QPointer<QWidget> window = ui.Window();
  EXPECT_FALSE(window->close());  // what the title bar's button does
  EXPECT_EQ(closeRequests, 1);
  EXPECT_TRUE(window->isVisible());

  ui.CloseWindow();
  EXPECT_TRUE(window.isNull());
  EXPECT_EQ(ui.Window(), nullptr);
  EXPECT_EQ(ui.Control(kField), nullptr);
  EXPECT_EQ(ui.FieldText(kField), u"");
  EXPECT_EQ(ui.SelectedIndex(kFormats), -1);
  ui.SetFieldText(kField, u"⌘A");  // no window: nothing happens
  ui.CloseWindow();
  EXPECT_EQ(closeRequests, 1);
}

TEST_F(PreferencesUiTest, ControlsSitAtTheirFramesAboveTheirLabels) {
  QWidget* window = ui.Window();
  const auto labels = window->findChildren<QLabel*>();
  ASSERT_EQ(labels.size(), 1);
  EXPECT_EQ(labels[0]->text(), QString("Set Picker Key"));
  EXPECT_EQ(labels[0]->geometry(), QRect(20, 24, 280, 25));
  EXPECT_EQ(Get<QLineEdit>(kField)->geometry(), QRect(170, 20, 100, 25));
  EXPECT_EQ(Get<QComboBox>(kFormats)->geometry(), QRect(140, 120, 130, 25));
  EXPECT_EQ(Get<QComboBox>(kIcons)->geometry(), QRect(140, 150, 60, 25));
  EXPECT_EQ(Get<QCheckBox>(kBox)->geometry(), QRect(20, 184, 230, 25));
  EXPECT_EQ(Get<QCheckBox>(kBox)->text(), QString("Show Output Format in Menu Bar"));
  // Where the label runs under the field, the field is the one hit.
  EXPECT_EQ(window->childAt(200, 30), Get<QLineEdit>(kField));
}

TEST_F(PreferencesUiTest, ShortcutFieldShowsTextButNeverEditsIt) {
  auto* field = Get<QLineEdit>(kField);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->placeholderText(), QString("add shortcut"));
  EXPECT_EQ(field->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  EXPECT_TRUE(field->isReadOnly());
  EXPECT_EQ(field->property(kControlIdProperty).toLongLong(), kField);
  EXPECT_EQ(ui.FieldText(kField), u"");

  ui.SetFieldText(kField, u"⌃⌥⌘P");
  EXPECT_EQ(ui.FieldText(kField), u"⌃⌥⌘P");
  // The user reads the tray menu's words; the program keeps the symbols.
  EXPECT_EQ(field->text().toStdString(), "Ctrl+Alt+Super+P");
  EXPECT_EQ(field->cursorPosition(), 0);
  ui.SetFieldText(kField, u"⌘F9");
  EXPECT_EQ(ui.FieldText(kField), u"⌘F9");
  EXPECT_EQ(field->text().toStdString(), "Super+F9");
  EXPECT_FALSE(field->hasSelectedText());
  ui.SetFieldText(kField, u"");
  EXPECT_EQ(ui.FieldText(kField), u"");
  EXPECT_EQ(field->text().toStdString(), "");
  EXPECT_TRUE(reports.empty());
}

// A real click, through the X server, as the user makes it.
TEST_F(PreferencesUiTest, ClickGivesTheFieldTheFocus) {
  if (QStandardPaths::findExecutable("xdotool").isEmpty()) GTEST_SKIP() << "no xdotool";
  QWidget* window = ui.Window();
  ASSERT_TRUE(WaitUntil([&] { return window->isActiveWindow(); }));
  auto* other = Get<QLineEdit>(kOtherField);
  const QPoint target = other->mapToGlobal(QPoint(50, 12));
  QProcess::execute("xdotool", {"mousemove", QString::number(target.x()),
                                QString::number(target.y()), "click", "1"});
  EXPECT_TRUE(WaitUntil([&] { return QApplication::focusWidget() == other; }));
  EXPECT_EQ(ui.FieldText(kOtherField), u"");
  EXPECT_TRUE(reports.empty());
}

TEST_F(PreferencesUiTest, PopUpReportsEveryChoiceIncludingTheSelectedOne) {
  auto* formats = Get<QComboBox>(kFormats);
  ASSERT_EQ(formats->count(), 3);
  EXPECT_EQ(formats->itemText(2), QString("Xamarin (C#)"));
  EXPECT_EQ(ui.SelectedIndex(kFormats), 0);

  ui.SelectIndex(kFormats, 1);  // the program's own selection reports nothing
  EXPECT_EQ(ui.SelectedTitle(kFormats), u"Web Safe");
  EXPECT_TRUE(reports.empty());

  // What the pop-up emits when the user picks an item from its list.
  formats->setCurrentIndex(2);
  emit formats->activated(2);
  emit formats->activated(2);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0], std::make_pair(kFormats, kChangeType));
  EXPECT_EQ(reports[1], std::make_pair(kFormats, kChangeType));
  EXPECT_EQ(ui.SelectedIndex(kFormats), 2);
}

TEST_F(PreferencesUiTest, WheelOverAPopUpChoosesNothing) {
  for (const int64_t id : {kFormats, kIcons}) {
    auto* popUp = Get<QComboBox>(id);
    ui.SelectIndex(id, 1);
    for (const int delta : {-120, -120, 120, 120, 120}) {
      QWheelEvent wheel(QPointF(10, 10), popUp->mapToGlobal(QPointF(10, 10)), QPoint(),
                        QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(popUp, &wheel);
    }
    EXPECT_EQ(ui.SelectedIndex(id), 1) << id;
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(PreferencesUiTest, SelectionByIndexAndTitleIgnoresWhatIsNotThere) {
  ui.SelectIndex(kFormats, 2);
  ui.SelectIndex(kFormats, 3);
  ui.SelectIndex(kFormats, -1);
  EXPECT_EQ(ui.SelectedIndex(kFormats), 2);
  ui.SelectTitle(kFormats, u"Web Safe");
  EXPECT_EQ(ui.SelectedIndex(kFormats), 1);
  ui.SelectTitle(kFormats, u"web safe");
  ui.SelectTitle(kFormats, u"Swift");
  EXPECT_EQ(ui.SelectedIndex(kFormats), 1);
  EXPECT_EQ(ui.SelectedIndex(99), -1);
  EXPECT_EQ(ui.SelectedTitle(99), u"");
}

TEST_F(PreferencesUiTest, IconPopUpShowsTheSixSymbols) {
  auto* icons = Get<QComboBox>(kIcons);
  ASSERT_EQ(icons->count(), 6);
  for (int index = 0; index < 6; ++index) {
    EXPECT_TRUE(icons->itemText(index).isEmpty());
    const QImage image = icons->itemIcon(index).pixmap(16, 16).toImage();
    ASSERT_FALSE(image.isNull()) << index;
    int inked = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) inked += qAlpha(image.pixel(x, y)) > 128;
    }
    EXPECT_GT(inked, 8) << "symbol " << index << " is blank";
  }
  ui.SelectIndex(kIcons, 4);
  EXPECT_EQ(ui.SelectedIndex(kIcons), 4);
  emit icons->activated(4);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], std::make_pair(kIcons, kChangeType));
}

TEST_F(PreferencesUiTest, CheckBoxReportsEachClickAfterToggling) {
  auto* box = Get<QCheckBox>(kBox);
  box->click();
  EXPECT_TRUE(box->isChecked());
  box->click();
  EXPECT_FALSE(box->isChecked());
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0], std::make_pair(kBox, int64_t{0}));
  EXPECT_EQ(reports[1], std::make_pair(kBox, int64_t{0}));

  // The program's own setting reports nothing.
  ui.SetChecked(kBox, true);
  EXPECT_TRUE(box->isChecked());
  EXPECT_EQ(reports.size(), 2u);
}

TEST(PreferencesUiClosing, ClosingFromInsideAControlsReportIsSafe) {
  QtPreferencesUi ui;
  bool checkedWhenReported = false;
  ASSERT_TRUE(ui.OpenWindow(
      u"Preferences", 290, 290, [] {},
      [&](int64_t id, int64_t) {
        auto* box = qobject_cast<QCheckBox*>(ui.Control(id));
        checkedWhenReported = box != nullptr && box->isChecked();
        ui.CloseWindow();
      }));
  ui.AddCheckBox(7, {20, 240, 150, 25}, u"Start at Login");
  QPointer<QWidget> window = ui.Window();
  qobject_cast<QCheckBox*>(ui.Control(7))->click();
  EXPECT_TRUE(checkedWhenReported);
  EXPECT_EQ(ui.Window(), nullptr);
  EXPECT_TRUE(WaitUntil([&] {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return window.isNull();
  }));
}

TEST_F(PreferencesUiTest, ProblemMarkColoursTheTextAndExplainsAndGoesAway) {
  auto* field = Get<QLineEdit>(kField);
  const QColor normal = field->palette().color(QPalette::Active, QPalette::Text);
  ui.SetFieldText(kField, u"⌘↑");
  ui.SetFieldProblem(kField, u"This key cannot be a hot key.");
  const QColor marked = field->palette().color(QPalette::Active, QPalette::Text);
  EXPECT_NE(marked, normal);
  EXPECT_GT(marked.red(), marked.green() + 80);
  EXPECT_EQ(field->toolTip(), QString("This key cannot be a hot key."));
  // The other field is untouched.
  EXPECT_EQ(Get<QLineEdit>(kOtherField)->palette().color(QPalette::Active, QPalette::Text), normal);
  EXPECT_TRUE(Get<QLineEdit>(kOtherField)->toolTip().isEmpty());

  ui.SetFieldProblem(kField, std::nullopt);
  EXPECT_EQ(field->palette().color(QPalette::Active, QPalette::Text), normal);
  EXPECT_TRUE(field->toolTip().isEmpty());
  EXPECT_EQ(ui.FieldText(kField), u"⌘↑");
}

TEST_F(PreferencesUiTest, ScreensPointerAndPlacementAreInDesktopCoordinates) {
  const std::vector<platform::Rect> screens = ui.Screens();
  ASSERT_FALSE(screens.empty());
  const QRect primary = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(screens[0].x, primary.x());
  EXPECT_EQ(screens[0].y, primary.y());
  EXPECT_EQ(screens[0].width, primary.width());
  EXPECT_EQ(screens[0].height, primary.height());
  EXPECT_EQ(screens.size(), static_cast<size_t>(QGuiApplication::screens().size()));

  QCursor::setPos(321, 234);
  ASSERT_TRUE(WaitUntil([] { return QCursor::pos() == QPoint(321, 234); }));
  EXPECT_EQ(ui.PointerLocation().x, 321);
  EXPECT_EQ(ui.PointerLocation().y, 234);

  // The frame, title bar included, goes to the point, once the window manager has framed it.
  QWidget* window = ui.Window();
  ASSERT_TRUE(WaitUntil([&] { return window->geometry().y() > window->frameGeometry().y(); }));
  ui.MoveWindowTo({101, 77});
  EXPECT_TRUE(WaitUntil([&] { return window->frameGeometry().topLeft() == QPoint(101, 77); }))
      << window->frameGeometry().x() << "," << window->frameGeometry().y();
  EXPECT_GT(window->geometry().y(), 77);  // the content lies below the title bar
  EXPECT_EQ(window->size(), QSize(290, 290));
}

// As the program does it: placed right after opening, before the window is on screen. The
// window manager frames it at that point, title bar included.
TEST(PreferencesUiPlacement, FrameGoesWhereTheProgramPutsItRightAfterOpening) {
  QtPreferencesUi ui;
  ASSERT_TRUE(ui.OpenWindow(
      u"Preferences", 290, 290, [] {}, [](int64_t, int64_t) {}));
  ui.MoveWindowTo({203, 151});
  QWidget* window = ui.Window();
  ASSERT_TRUE(WaitUntil(
      [&] { return window->isVisible() && window->geometry().y() > window->frameGeometry().y(); }));
  EXPECT_TRUE(WaitUntil([&] { return window->frameGeometry().topLeft() == QPoint(203, 151); }))
      << window->frameGeometry().x() << "," << window->frameGeometry().y();
  EXPECT_EQ(window->size(), QSize(290, 290));
}

TEST(PreferencesUiReopen, EachOpeningBuildsANewWindow) {
  QtPreferencesUi ui;
  ASSERT_TRUE(ui.OpenWindow(
      u"Preferences", 290, 290, [] {}, [](int64_t, int64_t) {}));
  ui.AddShortcutField(kField, {170, 20, 100, 25}, u"add shortcut");
  ui.SetFieldText(kField, u"⌘A");
  QPointer<QWidget> first = ui.Window();
  ui.CloseWindow();
  ASSERT_TRUE(ui.OpenWindow(
      u"Preferences", 290, 290, [] {}, [](int64_t, int64_t) {}));
  ui.AddShortcutField(kField, {170, 20, 100, 25}, u"add shortcut");
  EXPECT_TRUE(first.isNull());
  EXPECT_NE(ui.Window(), nullptr);
  EXPECT_EQ(ui.FieldText(kField), u"");
}

}  // namespace
}  // namespace pigmora::qt
