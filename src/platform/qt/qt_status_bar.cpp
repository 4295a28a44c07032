#include "platform/qt/qt_status_bar.h"

#include <xcb/xcb.h>
#include <QAction>
#include <QApplication>

#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/qt/qt_menu_icons.h"
#include "platform/qt/qt_shortcut_label.h"
#include "platform/qt/qt_sni_types.h"
#include "platform/qt/qt_status_notifier_item.h"

namespace pigmora::qt {

namespace {

// Heights the tray picture is made in; hosts pick the one nearest their slot.
constexpr int kTrayHeights[] = {16, 22, 24, 32, 48};
// The height Qt's XEmbed tray window is made for (the common panel icon size).
constexpr int kXembedHeight = 22;

// A watcher on the session bus that has a host: then a StatusNotifierItem is shown.
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

namespace {

xcb_connection_t* X11Connection() {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

// The window of the XEmbed tray of the screen Qt runs on (the one DISPLAY names); none when no
// tray runs.
xcb_window_t XembedTrayOwner(xcb_connection_t* connection) {
  char* host = nullptr;
  int display = 0;
  int screen = 0;
  if (!xcb_parse_display(nullptr, &host, &display, &screen)) screen = 0;
  std::free(host);
  const xcb_atom_t selection = Atom(connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
  if (selection == XCB_ATOM_NONE) return XCB_WINDOW_NONE;
  std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection),
                                    nullptr),
      &std::free);
  return owner ? owner->owner : xcb_window_t{XCB_WINDOW_NONE};
}

}  // namespace

bool TrayHostPresent() {
  if (StatusNotifierHostPresent()) return true;
  xcb_connection_t* connection = X11Connection();
  return connection && XembedTrayOwner(connection) != XCB_WINDOW_NONE;
}

std::optional<QColor> XembedTrayForeground() {
  xcb_connection_t* connection = X11Connection();
  if (!connection) return std::nullopt;
  const xcb_atom_t colors = Atom(connection, "_NET_SYSTEM_TRAY_COLORS");
  const xcb_window_t owner = XembedTrayOwner(connection);
  if (colors == XCB_ATOM_NONE || owner == XCB_WINDOW_NONE) return std::nullopt;
  std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
      xcb_get_property_reply(
          connection, xcb_get_property(connection, 0, owner, colors, XCB_ATOM_CARDINAL, 0, 12),
          nullptr),
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

QColor PaletteText() {
  return QApplication::palette().color(QPalette::Active, QPalette::WindowText);
}

// Our symbols installed as themed icons: <exe>/../share/icons, in the build tree as installed.
QString IconThemeFolder() {
  const QString folder =
      QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/icons"));
  return QFileInfo(folder + QStringLiteral("/hicolor/scalable/apps")).isDir() ? folder : QString();
}

constexpr const char* kSymbolicNames[kMenuIconSymbolCount] = {
    "paintpalette", "paintpalette-fill", "paintbrush", "drop", "eyedropper", "drop-fill",
};

}  // namespace

QString SymbolicIconName(int symbolIndex) {
  if (symbolIndex < 0 || symbolIndex >= kMenuIconSymbolCount) return {};
  return QStringLiteral("pigmora-%1-symbolic").arg(QLatin1String(kSymbolicNames[symbolIndex]));
}

double ContrastRatio(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& color) {
    const auto channel = [](double value) {
      return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
           0.0722 * channel(color.blueF());
  };
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor InkAgainst(const QColor& background, const QColor& preferred) {
  // 4.5:1 is what text needs; a symbol drawn in a colour that reaches it is as readable as the
  // panel's own labels.
  if (ContrastRatio(preferred, background) >= 4.5) return preferred;
  const QColor black(Qt::black);
  const QColor white(Qt::white);
  return ContrastRatio(black, background) >= ContrastRatio(white, background) ? black : white;
}

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

namespace {

const QString kWatcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

// The XEmbed slot's position on the screen. Qt takes the tray's window for the root, so the
// server is asked.
std::optional<QRect> XembedSlotOnScreen(const QWidget* slot) {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->connection()) return std::nullopt;
  xcb_connection_t* connection = x11->connection();
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  if (!screen) return std::nullopt;
  std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> reply(
      xcb_translate_coordinates_reply(
          connection,
          xcb_translate_coordinates(connection, static_cast<xcb_window_t>(slot->winId()),
                                    screen->root, 0, 0),
          nullptr),
      &std::free);
  if (!reply) return std::nullopt;
  return QRect(reply->dst_x, reply->dst_y, slot->width(), slot->height());
}

}  // namespace

QImage WithRim(const QImage& picture, const QColor& rimColor) {
  const int width = std::max(1, picture.height() / 16);
  QImage rim(picture.size(), QImage::Format_ARGB32_Premultiplied);
  rim.fill(Qt::transparent);
  QPainter painter(&rim);
  // The picture's shape, moved a little every way, is the rim's shape.
  for (int dy = -width; dy <= width; ++dy) {
    for (int dx = -width; dx <= width; ++dx) painter.drawImage(dx, dy, picture);
  }
  painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  painter.fillRect(rim.rect(), rimColor);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.drawImage(0, 0, picture);
  painter.end();
  return rim;
}

QtStatusBar::QtStatusBar() {
  // Read once the tray has drawn itself around a docked or moved icon.
  backgroundSample_.setSingleShot(true);
  backgroundSample_.setInterval(300);
  QObject::connect(&backgroundSample_, &QTimer::timeout, this,
                   [this] { SampleXembedBackground(); });
}

QtStatusBar::~QtStatusBar() {
  RemoveItem();
}

void QtStatusBar::CreateItem(std::function<void(int64_t itemId)> onChoose) {
  RemoveItem();
  onChoose_ = std::move(onChoose);
  symbol_.reset();
  title_.clear();
  toolTip_.clear();
  menu_ = std::make_unique<QMenu>();
  if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    // A panel started after the program, restarted, or swapped for another one brings a new
    // watcher; the item then goes to it.
    watcherWatcher_ = std::make_unique<QDBusServiceWatcher>(
        kWatcherName, bus, QDBusServiceWatcher::WatchForOwnerChange);
    QObject::connect(watcherWatcher_.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
                     [this] { FollowHost(); });
    bus.connect(QString(), kWatcherPath, kWatcherName,
                QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(HostRegistered()));
  }
  // The item appears once it is fully built (image, menu and title are set right after this
  // call), so that a tray host never shows a half-made item.
  QTimer::singleShot(0, this, [this] { FollowHost(); });
}

void QtStatusBar::HostRegistered() {
  FollowHost();
}

void QtStatusBar::FollowHost() {
  if (!menu_) return;
  if (StatusNotifierHostPresent()) {
    if (tray_) {
      tray_->hide();
      tray_->setContextMenu(nullptr);
      tray_.reset();
    }
    if (!statusNotifierItem_) {
      statusNotifierItem_ = std::make_unique<StatusNotifierItem>(
          menu_.get(), [this](const QPoint& position) { ShowMenuAt(position); });
      sniPictureKey_.reset();
      Redraw();
    }
    // Also when the item exists: a new watcher knows nothing of the items of the old one.
    statusNotifierItem_->Register();
    return;
  }
  statusNotifierItem_.reset();
  if (!tray_) ShowXembedIcon();
}

void QtStatusBar::ShowXembedIcon() {
  squareXembedSlot_ = false;
  xembedBackground_.reset();
  tray_ = std::make_unique<QSystemTrayIcon>();
  tray_->setContextMenu(menu_.get());
  // A menu-bar item opens its menu on a plain click; the context menu alone would need the
  // right button.
  QObject::connect(tray_.get(), &QSystemTrayIcon::activated,
                   [this](QSystemTrayIcon::ActivationReason reason) {
                     if (reason == QSystemTrayIcon::Trigger) ShowMenuAt(QCursor::pos());
                   });
  Redraw();
  tray_->show();
  // The XEmbed window exists only once the icon is shown.
  FitXembedSlot(XembedColor());
}

void QtStatusBar::ShowMenuAt(const QPoint& position) {
  // Hosts that do not know where the click was say (0, 0).
  if (menu_ && !menu_->isVisible()) menu_->popup(position.isNull() ? QCursor::pos() : position);
}

QString QtStatusBar::DrawnTitle() const {
  // A square slot has no room for the title beside the symbol: it would shrink past reading.
  // The symbol keeps its full size there, and the title goes to the tooltip.
  const bool squareSlot = statusNotifierItem_ || squareXembedSlot_;
  return (squareSlot && symbol_) ? QString() : title_;
}

QColor QtStatusBar::XembedColor() const {
  // A template symbol takes the text colour of the surface it sits on. An XEmbed tray may say
  // what that is; otherwise it is chosen against the panel's colour read from the screen.
  if (const std::optional<QColor> foreground = XembedTrayForeground()) return *foreground;
  if (xembedBackground_) return InkAgainst(*xembedBackground_, PaletteText());
  return PaletteText();
}

void QtStatusBar::Redraw() {
  const QString drawnTitle = DrawnTitle();
  const QString shownToolTip = (toolTip_.isEmpty() && drawnTitle.isEmpty()) ? title_ : toolTip_;
  if (statusNotifierItem_) {
    // Hosts that know symbolic icons draw the named one in their panel's text colour; others
    // show it in its own colour, the grey that stands out at least 4.5:1 from black and from
    // white alike. Hosts that take the picture may lay it on anything, a wallpaper seen through
    // a translucent panel too: it is a black symbol with a white rim, one of which stands out.
    const IconKey key{symbol_.value_or(-1), drawnTitle, QColor(Qt::black).rgba()};
    if (sniPictureKey_ != key) {
      sniPictureKey_ = key;
      SniPixmaps pixmaps;
      for (int height : kTrayHeights) {
        pixmaps.append(SniPixmapFromImage(
            WithRim(RenderStatusImage(symbol_, drawnTitle, Qt::black, height), Qt::white)));
      }
      const QString themeFolder = IconThemeFolder();
      const QString name = symbol_ ? SymbolicIconName(*symbol_) : QString();
      const bool named = !name.isEmpty() && !themeFolder.isEmpty() &&
                         QFileInfo::exists(themeFolder + QStringLiteral("/hicolor/scalable/apps/") +
                                           name + QStringLiteral(".svg"));
      statusNotifierItem_->SetIcon(named ? name : QString(), themeFolder, pixmaps);
    }
    statusNotifierItem_->SetToolTip(shownToolTip);
    return;
  }
  if (!tray_) return;
  const QColor color = XembedColor();
  tray_->setIcon(StatusIcon(drawnTitle, color));
  tray_->setToolTip(shownToolTip);
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
  // slots from that window's size hints, so it asks for the picture's full width. A tray that
  // keeps its slots square answers with a square, and is not asked again.
  if (squareXembedSlot_) return;
  const QSize wanted = RenderStatusImage(symbol_, title_, color, kXembedHeight).size();
  slot->setMinimumSize(wanted);
  slot->resize(wanted.width(), std::max(wanted.height(), slot->height()));
}

void QtStatusBar::SampleXembedBackground() {
  QWidget* slot = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (IsXembedSlot(widget) && widget->isVisible()) slot = widget;
  }
  QScreen* screen = QGuiApplication::primaryScreen();
  const std::optional<QRect> onScreen = slot ? XembedSlotOnScreen(slot) : std::nullopt;
  if (!onScreen || !screen) return;
  // What the picture is drawn on: the panel where the tray lets it show through the slot, else
  // the slot window's own fill. The symbol covers the lesser part, so it is the commonest colour.
  const QRect area = onScreen->intersected(screen->geometry());
  const QImage shot =
      screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
  std::map<QRgb, int> counts;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) ++counts[shot.pixel(x, y) | 0xFF000000u];
  }
  if (counts.empty()) return;
  const auto commonest =
      std::max_element(counts.begin(), counts.end(),
                       [](const auto& a, const auto& b) { return a.second < b.second; });
  const QColor background = QColor::fromRgb(commonest->first);
  if (xembedBackground_ == background) return;
  xembedBackground_ = background;
  Redraw();
}

bool QtStatusBar::eventFilter(QObject* watched, QEvent* event) {
  if (!tray_ || !watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  if (!IsXembedSlot(widget)) return false;
  switch (event->type()) {
    case QEvent::WinIdChange:
      // Qt docks its XEmbed window right after making it. Sizing it as soon as it exists, before
      // the dock request goes out, lets the tray lay the item out once at its final width
      // instead of embedding a square and moving it a moment later.
      FitXembedSlot(widget, XembedColor());
      break;
    case QEvent::Resize:
      // Only the tray makes the window narrower than its minimum: it has square slots.
      if (!squareXembedSlot_ && widget->width() < widget->minimumWidth()) {
        squareXembedSlot_ = true;
        widget->setMinimumSize(0, 0);
        Redraw();
      }
      backgroundSample_.start();
      break;
    case QEvent::Move:
    case QEvent::Show:
      backgroundSample_.start();
      break;
    default:
      break;
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
  if (!menu_) return;
  menu_->addSeparator();
  if (statusNotifierItem_) statusNotifierItem_->MenuChanged();
}

void QtStatusBar::UpdateMenuItem(int64_t itemId, const platform::MenuEntry& entry) {
  const auto it = actions_.find(itemId);
  if (it == actions_.end()) return;
  const QString title = QString::fromStdU16String(entry.title);
  // "&" would be taken as a mnemonic marker; titles never carry one, but a doubled one shows as
  // itself should one slip through.
  QString text = title;
  text.replace(u'&', QStringLiteral("&&"));
  const QString shortcut = MenuShortcutLabel(entry.keyEquivalent, entry.modifierMask);
  if (!shortcut.isEmpty()) text += u'\t' + shortcut;
  it->second->setText(text);
  // The exported menu keeps title and shortcut apart, so that each host shows the shortcut its
  // own way and the title exactly as it is.
  it->second->setProperty(kMenuTitleProperty, title);
  it->second->setProperty(kMenuShortcutProperty,
                          DBusMenuShortcutKeys(entry.keyEquivalent, entry.modifierMask));
  if (statusNotifierItem_) statusNotifierItem_->MenuChanged();
}

void QtStatusBar::SetMenuItemEnabled(int64_t itemId, bool enabled) {
  const auto it = actions_.find(itemId);
  if (it == actions_.end()) return;
  it->second->setEnabled(enabled);
  if (statusNotifierItem_) statusNotifierItem_->MenuChanged();
}

void QtStatusBar::RemoveItem() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
  backgroundSample_.stop();
  if (watcherWatcher_) {
    watcherWatcher_.reset();
    QDBusConnection::sessionBus().disconnect(QString(), kWatcherPath, kWatcherName,
                                             QStringLiteral("StatusNotifierHostRegistered"), this,
                                             SLOT(HostRegistered()));
  }
  statusNotifierItem_.reset();
  if (tray_) {
    tray_->hide();
    tray_->setContextMenu(nullptr);
  }
  tray_.reset();
  actions_.clear();
  menu_.reset();
}

}  // namespace pigmora::qt
