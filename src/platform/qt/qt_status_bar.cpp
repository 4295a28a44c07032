#include "platform/qt/qt_status_bar.h"

#include <xcb/xcb.h>
#include <QAction>
#include <QApplication>

#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QEvent>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/qt/qt_menu_icons.h"
#include "platform/qt/qt_shortcut_label.h"

namespace pigmora::qt {

namespace {

// Heights the tray picture is made in; hosts pick the one nearest their slot.
constexpr int kTrayHeights[] = {16, 22, 24, 32, 48};
// The height Qt's XEmbed tray window is made for (the common panel icon size).
constexpr int kXembedHeight = 22;

// The test Qt makes to choose a StatusNotifierItem over an XEmbed icon: a watcher on the session
// bus that has a host.
bool StatusNotifierHostPresent() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface()) return false;
  const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
  if (!bus.interface()->isServiceRegistered(watcher)) return false;
  QDBusInterface host(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
  return host.isValid() && host.property("IsStatusNotifierHostRegistered").toBool();
}

bool IsXembedSlot(const QWidget* widget) {
  return widget->isWindow() && widget->objectName() == QLatin1String("QSystemTrayIconSys");
}

// Interns an atom; 0 when the server does not answer.
xcb_atom_t Atom(xcb_connection_t* connection, const QByteArray& name) {
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
      xcb_intern_atom_reply(
          connection,
          xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.constData()),
          nullptr),
      &std::free);
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

}  // namespace

std::optional<QColor> XembedTrayForeground() {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->connection()) return std::nullopt;
  xcb_connection_t* connection = x11->connection();
  // The tray of the screen Qt runs on, the one DISPLAY names.
  char* host = nullptr;
  int display = 0;
  int screen = 0;
  if (!xcb_parse_display(nullptr, &host, &display, &screen)) screen = 0;
  std::free(host);

  const xcb_atom_t selection = Atom(connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
  const xcb_atom_t colors = Atom(connection, "_NET_SYSTEM_TRAY_COLORS");
  if (selection == XCB_ATOM_NONE || colors == XCB_ATOM_NONE) return std::nullopt;
  std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection),
                                    nullptr),
      &std::free);
  if (!owner || owner->owner == XCB_WINDOW_NONE) return std::nullopt;
  std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
      xcb_get_property_reply(
          connection,
          xcb_get_property(connection, 0, owner->owner, colors, XCB_ATOM_CARDINAL, 0, 12), nullptr),
      &std::free);
  // Foreground, error, warning and success colours, three 16-bit channels each; only the
  // foreground is wanted, but a shorter list is not the property the trays write.
  if (!property || property->format != 32 || xcb_get_property_value_length(property.get()) < 48) {
    return std::nullopt;
  }
  const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(property.get()));
  return QColor::fromRgba64(static_cast<quint16>(values[0]), static_cast<quint16>(values[1]),
                            static_cast<quint16>(values[2]));
}

namespace {

QColor TemplateColor(bool onStatusNotifierHost) {
  // A template symbol takes the text colour of the surface it sits on. An XEmbed tray may say
  // what that is; otherwise the desktop palette's window text colour stands for it.
  if (!onStatusNotifierHost) {
    if (const std::optional<QColor> foreground = XembedTrayForeground()) return *foreground;
  }
  return QApplication::palette().color(QPalette::Active, QPalette::WindowText);
}

}  // namespace

QImage RenderStatusImage(std::optional<int> symbolIndex, const QString& title, const QColor& color,
                         int height) {
  const QImage symbol = symbolIndex ? RenderMenuIconSymbol(*symbolIndex, color, height) : QImage();
  QFont font = QApplication::font();
  font.setPixelSize(std::max(8, static_cast<int>(std::lround(height * 0.62))));
  const QFontMetricsF metrics(font);
  const int gap = (symbol.isNull() || title.isEmpty()) ? 0 : std::max(2, height / 6);
  const int textWidth =
      title.isEmpty() ? 0 : static_cast<int>(std::ceil(metrics.horizontalAdvance(title))) + 1;
  const int width = std::max(height, (symbol.isNull() ? 0 : height) + gap + textWidth);

  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  if (!symbol.isNull()) painter.drawImage(0, 0, symbol);
  if (!title.isEmpty()) {
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(color);
    const qreal left = symbol.isNull() ? 0 : height + gap;
    const qreal baseline = (height + metrics.ascent() - metrics.descent()) / 2.0;
    painter.drawText(QPointF(left, baseline), title);
  }
  painter.end();
  return image;
}

QtStatusBar::QtStatusBar() = default;

QtStatusBar::~QtStatusBar() {
  RemoveItem();
}

void QtStatusBar::CreateItem(std::function<void(int64_t itemId)> onChoose) {
  RemoveItem();
  onChoose_ = std::move(onChoose);
  symbol_.reset();
  title_.clear();
  toolTip_.clear();
  onStatusNotifierHost_ = StatusNotifierHostPresent();
  menu_ = std::make_unique<QMenu>();
  tray_ = std::make_unique<QSystemTrayIcon>();
  if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
  tray_->setContextMenu(menu_.get());
  // A menu-bar item opens its menu on a plain click; the context menu alone would need the
  // right button.
  QObject::connect(tray_.get(), &QSystemTrayIcon::activated,
                   [this](QSystemTrayIcon::ActivationReason reason) {
                     if (reason == QSystemTrayIcon::Trigger) ShowMenuAtCursor();
                   });
  Redraw();
  // The item appears once it is fully built (image, menu and title are set right after this
  // call), so that a tray host never shows a half-made item.
  QTimer::singleShot(0, tray_.get(), [this] {
    tray_->show();
    // The XEmbed window exists only once the icon is shown.
    FitXembedSlot(TemplateColor(onStatusNotifierHost_));
  });
}

void QtStatusBar::ShowMenuAtCursor() {
  if (menu_ && !menu_->isVisible()) menu_->popup(QCursor::pos());
}

void QtStatusBar::Redraw() {
  if (!tray_) return;
  const QColor color = TemplateColor(onStatusNotifierHost_);
  // A StatusNotifierItem host puts the picture in a square slot (Qt pads it to a square before
  // sending it), where a title would shrink past reading; there the title goes to the tooltip
  // instead, and the symbol keeps its full size.
  const QString drawnTitle = (onStatusNotifierHost_ && symbol_) ? QString() : title_;
  tray_->setIcon(StatusIcon(drawnTitle, color));
  tray_->setToolTip(toolTip_.isEmpty() && onStatusNotifierHost_ ? title_ : toolTip_);
  FitXembedSlot(color);
}

QIcon QtStatusBar::StatusIcon(const QString& drawnTitle, const QColor& color) {
  // A redraw for another reason (a new tooltip) keeps the picture on show rather than drawing it
  // again. Only that one picture is kept: with a title, its five heights hold about 80 KB, and
  // a cycle draws the next one in about a millisecond.
  const IconKey key{symbol_.value_or(-1), drawnTitle, color.rgba()};
  if (!shownIcon_.isNull() && shownKey_ == key) return shownIcon_;
  QIcon icon;
  for (int height : kTrayHeights) {
    icon.addPixmap(QPixmap::fromImage(RenderStatusImage(symbol_, drawnTitle, color, height)));
  }
  shownKey_ = key;
  shownIcon_ = icon;
  return icon;
}

void QtStatusBar::FitXembedSlot(const QColor& color) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (IsXembedSlot(widget)) FitXembedSlot(widget, color);
  }
}

void QtStatusBar::FitXembedSlot(QWidget* slot, const QColor& color) {
  // On an XEmbed tray Qt draws the item in a window of its own that starts as a 22 px square and
  // scales the picture down into it, which would shrink the title to a smudge. Trays size their
  // slots from that window's size hints, so it asks for the picture's full width. A
  // StatusNotifierItem has no such window; its host sizes the item itself.
  const QSize wanted = RenderStatusImage(symbol_, title_, color, kXembedHeight).size();
  slot->setMinimumSize(wanted);
  slot->resize(wanted.width(), std::max(wanted.height(), slot->height()));
}

bool QtStatusBar::eventFilter(QObject* watched, QEvent* event) {
  // Qt docks its XEmbed window right after making it. Sizing it as soon as it exists, before the
  // dock request goes out, lets the tray lay the item out once at its final width instead of
  // embedding a square and moving it a moment later.
  if (event->type() == QEvent::WinIdChange && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    if (tray_ && IsXembedSlot(widget)) FitXembedSlot(widget, TemplateColor(onStatusNotifierHost_));
  }
  return false;
}

void QtStatusBar::SetImage(std::optional<int> symbolIndex) {
  if (symbolIndex && (*symbolIndex < 0 || *symbolIndex >= kMenuIconSymbolCount)) {
    symbolIndex.reset();
  }
  symbol_ = symbolIndex;
  Redraw();
}

void QtStatusBar::SetTitle(const std::u16string& title) {
  title_ = QString::fromStdU16String(title);
  Redraw();
}

void QtStatusBar::SetToolTip(const std::u16string& toolTip) {
  toolTip_ = QString::fromStdU16String(toolTip);
  Redraw();
}

void QtStatusBar::AddMenuItem(int64_t itemId, const platform::MenuEntry& entry) {
  if (!menu_) return;
  auto* action = new QAction(menu_.get());
  // The key equivalent is shown after a tab, which QMenu draws as the right-hand shortcut column;
  // it is not a QKeySequence, so the item never takes a key press from anywhere.
  QObject::connect(action, &QAction::triggered, [this, itemId] {
    if (onChoose_) onChoose_(itemId);
  });
  menu_->addAction(action);
  actions_[itemId] = action;
  UpdateMenuItem(itemId, entry);
}

void QtStatusBar::AddSeparator() {
  if (menu_) menu_->addSeparator();
}

void QtStatusBar::UpdateMenuItem(int64_t itemId, const platform::MenuEntry& entry) {
  const auto it = actions_.find(itemId);
  if (it == actions_.end()) return;
  QString text = QString::fromStdU16String(entry.title);
  // "&" would be taken as a mnemonic marker; titles never carry one, but a doubled one shows as
  // itself should one slip through.
  text.replace(u'&', QStringLiteral("&&"));
  const QString shortcut = MenuShortcutLabel(entry.keyEquivalent, entry.modifierMask);
  if (!shortcut.isEmpty()) text += u'\t' + shortcut;
  it->second->setText(text);
}

void QtStatusBar::SetMenuItemEnabled(int64_t itemId, bool enabled) {
  const auto it = actions_.find(itemId);
  if (it != actions_.end()) it->second->setEnabled(enabled);
}

void QtStatusBar::RemoveItem() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
  if (tray_) {
    tray_->hide();
    tray_->setContextMenu(nullptr);
  }
  tray_.reset();
  actions_.clear();
  menu_.reset();
}

}  // namespace pigmora::qt
