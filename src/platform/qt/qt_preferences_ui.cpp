#include "platform/qt/qt_preferences_ui.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QString>
#include <QTimer>
#include <QWheelEvent>

#include "app/app_event.h"
#include "platform/qt/freed_heap.h"
#include "platform/qt/qt_application_icon.h"
#include "platform/qt/qt_menu_icons.h"
#include "platform/qt/qt_shortcut_label.h"
#include "platform/qt/qt_system_events.h"

namespace pigmora::qt {

namespace {

QString ToQString(const std::u16string& text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

std::u16string ToU16(const QString& text) {
  return text.toStdU16String();
}

QRect ToQRect(platform::Rect frame) {
  return QRect(frame.x, frame.y, frame.width, frame.height);
}

// The colour a shortcut field's text takes while its shortcut does not work as a hot key: a red
// that stays readable on light and dark field backgrounds.
const QColor kProblemTextColor(0xd0, 0x30, 0x30);

// The dynamic property that holds a shortcut field's text as the program knows it ("⌃⌥⌘P"),
// beside the words it shows ("Ctrl+Alt+Super+P").
constexpr char kShortcutTextProperty[] = "pigmoraShortcutText";

// The system's UI font at the size the window's geometry was laid out for. Its points are the
// window's own units (one point, one device-independent pixel), so the size is given in pixels:
// in typographic points the labels would grow by a third on a 96 dpi desktop and run under the
// fields beside them.
QFont PreferencesFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPixelSize(12);
  return font;
}

// A pop-up changes only when the user chooses an item, with a click or the keyboard. Qt's combo
// box also steps through its items under the mouse wheel and reports every step as a choice, so a
// scroll that passed over the window would copy over the clipboard and rewrite the settings; the
// wheel goes on to the window instead.
class PopUp final : public QComboBox {
 public:
  using QComboBox::QComboBox;

 protected:
  void wheelEvent(QWheelEvent* event) override { event->ignore(); }
};

}  // namespace

// The window's close button asks the program to close the window and leaves it on screen: the
// program first reads the shortcut fields, then closes the window itself.
class QtPreferencesUi::PreferencesWindow final : public QWidget {
 public:
  explicit PreferencesWindow(std::function<void()> onCloseRequest)
      : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                             Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint),
        onCloseRequest_(std::move(onCloseRequest)) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    if (onCloseRequest_) onCloseRequest_();
  }

 private:
  std::function<void()> onCloseRequest_;
};

QtPreferencesUi::QtPreferencesUi() = default;

QtPreferencesUi::~QtPreferencesUi() {
  delete window_.data();
}

template <typename Widget>
Widget* QtPreferencesUi::Find(int64_t id) const {
  auto it = controls_.find(id);
  if (it == controls_.end() || it->second.isNull()) return nullptr;
  return qobject_cast<Widget*>(it->second.data());
}

QWidget* QtPreferencesUi::Control(int64_t id) const {
  return Find<QWidget>(id);
}

void QtPreferencesUi::Report(int64_t id, int64_t changeType) {
  if (!onControl_) return;
  ++callbackDepth_;
  onControl_(id, changeType);
  --callbackDepth_;
}

void QtPreferencesUi::RequestClose() {
  if (!onClose_) return;
  ++callbackDepth_;
  onClose_();
  --callbackDepth_;
}

bool QtPreferencesUi::OpenWindow(const std::u16string& title, int width, int height,
                                 std::function<void()> onClose,
                                 platform::ControlHandler onControl) {
  if (QApplication::instance() == nullptr || width <= 0 || height <= 0) return false;
  CloseWindow();
  onClose_ = std::move(onClose);
  onControl_ = std::move(onControl);

  auto* window = new PreferencesWindow([this] { RequestClose(); });
  SetApplicationIcon(*window);
  // Once the window is gone (deleted at once or later from the event loop), after it has been
  // torn down.
  QObject::connect(window, &QObject::destroyed, [] {
    if (QCoreApplication* application = QCoreApplication::instance()) {
      QTimer::singleShot(0, application, [] { ReturnFreedHeap(); });
    }
  });
  window_ = window;
  window->setWindowTitle(ToQString(title));
  window->setFixedSize(width, height);
  window->setFont(PreferencesFont());
  // Centred on the main screen until the program places it under the pointer.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(width / 2, height / 2));
  }
  // Shown once the program is back in its event loop, after it has placed the window and added
  // the controls: a window mapped with its position already set is framed right there by the
  // window manager, while moving one that is mapped but not yet framed would put the content,
  // not the frame, at the point (the frame's size is unknown until the window manager says).
  QTimer::singleShot(0, window, [window] {
    window->show();
    window->raise();
    window->activateWindow();
  });
  return true;
}

void QtPreferencesUi::CloseWindow() {
  controls_.clear();
  onClose_ = nullptr;
  onControl_ = nullptr;
  QWidget* window = window_.data();
  window_.clear();
  if (window == nullptr) return;
  window->hide();
  if (callbackDepth_ > 0) {
    window->deleteLater();
  } else {
    delete window;
  }
}

std::vector<platform::Rect> QtPreferencesUi::Screens() {
  std::vector<platform::Rect> frames;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary == nullptr) return frames;
  auto add = [&frames](const QScreen* screen) {
    const QRect frame = screen->geometry();
    frames.push_back({frame.x(), frame.y(), frame.width(), frame.height()});
  };
  add(primary);
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen != primary) add(screen);
  }
  return frames;
}

platform::Point QtPreferencesUi::PointerLocation() {
  const QPoint position = QCursor::pos();
  return {position.x(), position.y()};
}

void QtPreferencesUi::MoveWindowTo(platform::Point topLeft) {
  // A top-level widget's position is that of its frame.
  if (window_) window_->move(topLeft.x, topLeft.y);
}

void QtPreferencesUi::AddLabel(const std::u16string& text, platform::Rect frame) {
  if (!window_) return;
  auto* label = new QLabel(ToQString(text), window_);
  label->setGeometry(ToQRect(frame));
  // The text sits at the top of its frame, so that it lines up with the text of the field whose
  // frame starts a few points higher.
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setTextInteractionFlags(Qt::NoTextInteraction);
  label->show();
}

void QtPreferencesUi::AddShortcutField(int64_t id, platform::Rect frame,
                                       const std::u16string& placeholder) {
  if (!window_) return;
  auto* field = new QLineEdit(window_);
  field->setGeometry(ToQRect(frame));
  field->setAlignment(Qt::AlignCenter);
  field->setPlaceholderText(ToQString(placeholder));
  // Key presses reach the field only through the program's key filter, which reads the focused
  // widget's control id; the field itself must never edit, paste or drop text.
  field->setReadOnly(true);
  field->setDragEnabled(false);
  field->setAcceptDrops(false);
  field->setContextMenuPolicy(Qt::NoContextMenu);
  field->setFocusPolicy(Qt::StrongFocus);
  field->setProperty(kControlIdProperty, QVariant::fromValue<qint64>(id));
  field->setProperty(kShortcutFieldProperty, true);
  field->show();
  controls_[id] = field;
}

void QtPreferencesUi::AddPopUp(int64_t id, platform::Rect frame,
                               const std::vector<std::u16string>& items, bool symbols) {
  if (!window_) return;
  auto* popUp = new PopUp(window_);
  popUp->setGeometry(ToQRect(frame));
  popUp->setEditable(false);
  if (symbols) {
    const QColor ink = popUp->palette().color(QPalette::ButtonText);
    popUp->setIconSize(QSize(16, 16));
    for (int index = 0; index < kMenuIconSymbolCount; ++index) {
      QIcon icon = MenuIconSymbol(index, ink);
      if (icon.isNull()) {
        // A symbol that cannot be drawn still takes its place, blank.
        QPixmap blank(16, 16);
        blank.fill(Qt::transparent);
        icon = QIcon(blank);
      }
      popUp->addItem(icon, QString());
    }
  } else {
    for (const std::u16string& item : items) popUp->addItem(ToQString(item));
  }
  popUp->setProperty(kControlIdProperty, QVariant::fromValue<qint64>(id));
  // activated, unlike currentIndexChanged, comes from the user alone and also when the item
  // already selected is chosen again.
  QObject::connect(popUp, &QComboBox::activated, popUp,
                   [this, id](int) { Report(id, ChangeType); });
  popUp->show();
  controls_[id] = popUp;
}

void QtPreferencesUi::AddCheckBox(int64_t id, platform::Rect frame, const std::u16string& title) {
  if (!window_) return;
  auto* box = new QCheckBox(ToQString(title), window_);
  box->setGeometry(ToQRect(frame));
  box->setProperty(kControlIdProperty, QVariant::fromValue<qint64>(id));
  // clicked comes after the box has toggled, for a click as for the space bar.
  QObject::connect(box, &QCheckBox::clicked, box, [this, id](bool) { Report(id, 0); });
  box->show();
  controls_[id] = box;
}

void QtPreferencesUi::AddButton(int64_t id, platform::Rect frame, const std::u16string& title) {
  if (!window_) return;
  auto* button = new QPushButton(ToQString(title), window_);
  button->setGeometry(ToQRect(frame));
  button->setProperty(kControlIdProperty, QVariant::fromValue<qint64>(id));
  // Return in a shortcut field must not press it: the fields take every key.
  button->setAutoDefault(false);
  QObject::connect(button, &QPushButton::clicked, button, [this, id](bool) { Report(id, 0); });
  button->show();
  controls_[id] = button;
}

void QtPreferencesUi::SetButtonTitle(int64_t id, const std::u16string& title) {
  if (auto* button = Find<QPushButton>(id)) button->setText(ToQString(title));
}

std::u16string QtPreferencesUi::FieldText(int64_t id) {
  auto* field = Find<QLineEdit>(id);
  if (field == nullptr) return {};
  return ToU16(field->property(kShortcutTextProperty).toString());
}

void QtPreferencesUi::SetFieldText(int64_t id, const std::u16string& text) {
  auto* field = Find<QLineEdit>(id);
  if (field == nullptr) return;
  // The program keeps and stores the symbol text; the user reads the words of the tray menu.
  field->setProperty(kShortcutTextProperty, ToQString(text));
  field->setText(ShortcutFieldLabel(text));
  // The insertion point goes back to the start with nothing selected.
  field->deselect();
  field->setCursorPosition(0);
}

void QtPreferencesUi::SetFieldProblem(int64_t id, const std::optional<std::u16string>& reason) {
  auto* field = Find<QLineEdit>(id);
  if (field == nullptr) return;
  if (reason) {
    QPalette palette = field->palette();
    palette.setColor(QPalette::Active, QPalette::Text, kProblemTextColor);
    palette.setColor(QPalette::Inactive, QPalette::Text, kProblemTextColor);
    field->setPalette(palette);
    field->setToolTip(ToQString(*reason));
    field->setAccessibleDescription(ToQString(*reason));
  } else {
    // A palette that sets no role of its own makes the field follow its window again.
    field->setPalette(QPalette());
    field->setToolTip(QString());
    field->setAccessibleDescription(QString());
  }
}

int QtPreferencesUi::SelectedIndex(int64_t id) {
  if (auto* popUp = Find<QComboBox>(id)) return popUp->currentIndex();
  return -1;
}

std::u16string QtPreferencesUi::SelectedTitle(int64_t id) {
  if (auto* popUp = Find<QComboBox>(id)) return ToU16(popUp->currentText());
  return {};
}

void QtPreferencesUi::SelectIndex(int64_t id, int index) {
  auto* popUp = Find<QComboBox>(id);
  if (popUp != nullptr && index >= 0 && index < popUp->count()) popUp->setCurrentIndex(index);
}

void QtPreferencesUi::SelectTitle(int64_t id, const std::u16string& title) {
  auto* popUp = Find<QComboBox>(id);
  if (popUp == nullptr) return;
  const int index = popUp->findText(ToQString(title), Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index >= 0) popUp->setCurrentIndex(index);
}

void QtPreferencesUi::SetChecked(int64_t id, bool checked) {
  if (auto* box = Find<QCheckBox>(id)) box->setChecked(checked);
}

}  // namespace pigmora::qt
