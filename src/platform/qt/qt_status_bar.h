#pragma once
// The status item as a system-tray icon with a pop-up menu. Qt shows it as a StatusNotifierItem
// over D-Bus where the desktop runs a StatusNotifierWatcher, and as an XEmbed tray icon otherwise.
//
// The title: in an XEmbed tray the picture is the symbol followed by the title, and the slot is
// widened to fit it. A StatusNotifierItem host gives every item a square, so there the picture is
// the symbol alone and the title is shown as the item's tooltip (the tooltip text set through
// SetToolTip wins whenever it is not empty).
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QObject>
#include <QString>
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

// The tray picture: the symbol (none for nullopt), followed by the title when it is not empty,
// `height` pixels high, in `color`. A tray slot has no room for text of its own, so the title is
// part of the picture. Never null: with neither symbol nor title it is a transparent square, so
// that the item keeps a place to click on.
QImage RenderStatusImage(std::optional<int> symbolIndex, const QString& title, const QColor& color,
                         int height);

// The foreground colour an XEmbed tray publishes for its icons (_NET_SYSTEM_TRAY_COLORS on the
// tray manager's window); nullopt when there is no tray or it publishes none.
std::optional<QColor> XembedTrayForeground();

class QtStatusBar final : public QObject, public platform::StatusBar {
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

 private:
  void Redraw();
  QIcon StatusIcon(const QString& drawnTitle, const QColor& color);
  void FitXembedSlot(const QColor& color);
  void FitXembedSlot(QWidget* slot, const QColor& color);
  bool eventFilter(QObject* watched, QEvent* event) override;
  void ShowMenuAtCursor();

  std::unique_ptr<QSystemTrayIcon> tray_;
  std::unique_ptr<QMenu> menu_;
  std::map<int64_t, QAction*> actions_;  // owned by menu_
  std::function<void(int64_t)> onChoose_;
  std::optional<int> symbol_;
  // The tray picture on show, and the symbol (-1 for none), drawn title and colour it shows.
  using IconKey = std::tuple<int, QString, QRgb>;
  IconKey shownKey_;
  QIcon shownIcon_;
  QString title_;
  QString toolTip_;
  bool onStatusNotifierHost_ = false;
};

}  // namespace pigmora::qt
