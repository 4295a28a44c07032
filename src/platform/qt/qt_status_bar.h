#pragma once
// The status item as a tray icon with a pop-up menu: a StatusNotifierItem of our own over D-Bus
// while the desktop runs a StatusNotifierWatcher with a host, and Qt's XEmbed tray icon otherwise.
// The item follows the watcher: one that appears later (the panel started after the program, or
// restarted) turns the item into a StatusNotifierItem and gets it registered again.
//
// The title: where the tray lets the slot grow wider than tall (trayer), the picture is the symbol
// followed by the title. Everywhere else (StatusNotifierItem hosts, square XEmbed slots) the
// picture is the symbol alone and the title is shown as the item's tooltip (the tooltip text set
// through SetToolTip wins whenever it is not empty).
#include <QColor>
#include <QDBusServiceWatcher>
#include <QIcon>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "platform/status_bar.h"

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace pigmora::qt {

class StatusNotifierItem;

// The themed icon name of symbol 0..5 ("pigmora-eyedropper-symbolic"); hosts that know symbolic
// icons draw it in their panel's text colour. Empty for any other index.
QString SymbolicIconName(int symbolIndex);

// The colour a symbol is drawn in on a surface of colour `background`: `preferred` when it stands
// out from it at least 4.5:1, else whichever of black and white stands out more.
QColor InkAgainst(const QColor& background, const QColor& preferred);

// WCAG 2 contrast ratio of two colours, 1 to 21.
double ContrastRatio(const QColor& a, const QColor& b);

// The tray picture: the symbol (none for nullopt), followed by the title when it is not empty,
// `height` pixels high, in `color`. A tray slot has no room for text of its own, so the title is
// part of the picture. Never null: with neither symbol nor title it is a transparent square, so
// that the item keeps a place to click on.
QImage RenderStatusImage(std::optional<int> symbolIndex, const QString& title, const QColor& color,
                         int height);

// The picture with a rim of `rimColor` around its shape, so that it stands out on a light and on
// a dark surface alike.
QImage WithRim(const QImage& picture, const QColor& rimColor);

// Whether the desktop shows tray items now: a StatusNotifierWatcher with a host, or an XEmbed tray.
bool TrayHostPresent();

// The foreground colour an XEmbed tray publishes for its icons (_NET_SYSTEM_TRAY_COLORS on the
// tray manager's window); nullopt when there is no tray or it publishes none.
std::optional<QColor> XembedTrayForeground();

class QtStatusBar final : public QObject, public platform::StatusBar {
  Q_OBJECT

 public:
  QtStatusBar();
  ~QtStatusBar() override;
  QtStatusBar(const QtStatusBar&) = delete;
  QtStatusBar& operator=(const QtStatusBar&) = delete;

  void CreateItem(std::function<void(int64_t itemId)> onChoose) override;
  void SetImage(std::optional<int> symbolIndex) override;
  void SetTitle(const std::u16string& title) override;
  void SetToolTip(const std::u16string& toolTip) override;
  void AddMenuItem(int64_t itemId, const platform::MenuEntry& entry) override;
  void AddSeparator() override;
  void UpdateMenuItem(int64_t itemId, const platform::MenuEntry& entry) override;
  void SetMenuItemEnabled(int64_t itemId, bool enabled) override;
  void RemoveItem() override;

 private slots:
  void HostRegistered();

 private:
  // Makes the item a StatusNotifierItem while a host is there, an XEmbed icon otherwise, and has
  // the watcher show it again after the watcher changed.
  void FollowHost();
  void ShowXembedIcon();
  void Redraw();
  QColor XembedColor() const;
  QString DrawnTitle() const;
  QIcon StatusIcon(const QString& drawnTitle, const QColor& color);
  void FitXembedSlot(const QColor& color);
  void FitXembedSlot(QWidget* slot, const QColor& color);
  void SampleXembedBackground();
  bool eventFilter(QObject* watched, QEvent* event) override;
  void ShowMenuAt(const QPoint& position);

  std::unique_ptr<QSystemTrayIcon> tray_;
  std::unique_ptr<StatusNotifierItem> statusNotifierItem_;
  std::unique_ptr<QDBusServiceWatcher> watcherWatcher_;
  std::unique_ptr<QMenu> menu_;
  std::map<int64_t, QAction*> actions_;  // owned by menu_
  std::function<void(int64_t)> onChoose_;
  std::optional<int> symbol_;
  // The tray picture on show, and the symbol (-1 for none), drawn title and colour it shows.
  using IconKey = std::tuple<int, QString, QRgb>;
  IconKey shownKey_;
  QIcon shownIcon_;
  // The picture the StatusNotifierItem shows, so that a cycle that changes only the tooltip
  // sends no new picture.
  std::optional<IconKey> sniPictureKey_;
  QString title_;
  QString toolTip_;
  // The XEmbed tray gave the item a slot narrower than the title needs: it only has square slots,
  // and the title goes to the tooltip. Never asked for more room again, since some trays lose an
  // icon whose window changes size once docked.
  bool squareXembedSlot_ = false;
  // The panel's colour around the XEmbed slot, read from the screen once the icon is docked.
  std::optional<QColor> xembedBackground_;
  QTimer backgroundSample_;
};

}  // namespace pigmora::qt
