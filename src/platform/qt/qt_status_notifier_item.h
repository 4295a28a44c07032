#pragma once
// The status item as a StatusNotifierItem with a com.canonical.dbusmenu menu, on a bus connection
// of its own (so that it has a bus name of its own, as hosts expect of an item).
//
// Written here rather than taken from QSystemTrayIcon: Qt decides once per process whether a
// StatusNotifierWatcher exists and never asks again, so a program started before the panel stays
// an XEmbed icon for good; and Qt's exported menu glues the shortcut into the label and gives no
// way to name a themed icon that hosts recolour.
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "platform/qt/qt_sni_types.h"

class QAction;
class QMenu;

namespace pigmora::qt {

// Properties each QAction of the menu carries for the exported menu: the exact item title and its
// shortcut as dbusmenu key names ({"Super", "Q"}).
inline constexpr char kMenuTitleProperty[] = "pigmoraMenuTitle";
inline constexpr char kMenuShortcutProperty[] = "pigmoraMenuShortcut";

class StatusNotifierItem final : public QObject {
  Q_OBJECT

 public:
  // `menu` must outlive the item; `popUpMenu` shows the program's own menu at a screen position,
  // for a host that asks the item to (ContextMenu, Activate) instead of drawing the exported one.
  StatusNotifierItem(QMenu* menu, std::function<void(const QPoint&)> popUpMenu);
  ~StatusNotifierItem() override;
  StatusNotifierItem(const StatusNotifierItem&) = delete;
  StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

  // Asks the watcher (again) to show the item; false when the item has no bus connection.
  bool Register();
  QString BusName() const;

  void SetIcon(const QString& iconName, const QString& iconThemePath, const SniPixmaps& pixmaps);
  void SetToolTip(const QString& text);
  // The menu's items, titles, shortcuts or enabled states changed.
  void MenuChanged();

  // What the adaptors read and do.
  QString iconName() const { return iconName_; }
  QString iconThemePath() const { return iconThemePath_; }
  SniPixmaps iconPixmaps() const { return pixmaps_; }
  SniToolTip toolTip() const;
  void PopUpMenu(const QPoint& at) { popUpMenu_(at); }
  uint MenuRevision() const { return revision_; }
  DBusMenuLayout Layout(int parentId) const;
  QVariantMap ItemProperties(int id) const;
  bool HasMenuItem(int id) const;
  void MenuEvent(int id, const QString& eventId);

 signals:
  void NewIcon();
  void NewToolTip();
  void LayoutUpdated(uint revision, int parent);

 private:
  QMenu* menu_;
  std::function<void(const QPoint&)> popUpMenu_;
  QString connectionName_;
  QDBusConnection connection_;
  std::unique_ptr<QObject> itemObject_;
  std::unique_ptr<QObject> menuObject_;
  QString iconName_;
  QString iconThemePath_;
  SniPixmaps pixmaps_;
  QString toolTip_;
  uint revision_ = 1;
};

// org.kde.StatusNotifierItem on /StatusNotifierItem.
class StatusNotifierItemAdaptor final : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
  Q_PROPERTY(QString Category READ Category CONSTANT)
  Q_PROPERTY(QString Id READ Id CONSTANT)
  Q_PROPERTY(QString Title READ Title CONSTANT)
  Q_PROPERTY(QString Status READ Status CONSTANT)
  Q_PROPERTY(int WindowId READ WindowId CONSTANT)
  Q_PROPERTY(bool ItemIsMenu READ ItemIsMenu CONSTANT)
  Q_PROPERTY(QDBusObjectPath Menu READ Menu CONSTANT)
  Q_PROPERTY(QString IconName READ IconName)
  Q_PROPERTY(QString IconThemePath READ IconThemePath)
  Q_PROPERTY(pigmora::qt::SniPixmaps IconPixmap READ IconPixmap)
  Q_PROPERTY(QString OverlayIconName READ Empty CONSTANT)
  Q_PROPERTY(pigmora::qt::SniPixmaps OverlayIconPixmap READ NoPixmaps CONSTANT)
  Q_PROPERTY(QString AttentionIconName READ Empty CONSTANT)
  Q_PROPERTY(pigmora::qt::SniPixmaps AttentionIconPixmap READ NoPixmaps CONSTANT)
  Q_PROPERTY(QString AttentionMovieName READ Empty CONSTANT)
  Q_PROPERTY(pigmora::qt::SniToolTip ToolTip READ ToolTip)

 public:
  StatusNotifierItemAdaptor(QObject* object, StatusNotifierItem* item);

  QString Category() const { return QStringLiteral("ApplicationStatus"); }
  QString Id() const;
  QString Title() const;
  QString Status() const { return QStringLiteral("Active"); }
  int WindowId() const { return 0; }
  // The item is its menu, as a menu-bar item is: hosts open the menu on a plain click.
  bool ItemIsMenu() const { return true; }
  QDBusObjectPath Menu() const { return QDBusObjectPath(QStringLiteral("/MenuBar")); }
  QString IconName() const { return item_->iconName(); }
  QString IconThemePath() const { return item_->iconThemePath(); }
  SniPixmaps IconPixmap() const { return item_->iconPixmaps(); }
  QString Empty() const { return {}; }
  SniPixmaps NoPixmaps() const { return {}; }
  SniToolTip ToolTip() const { return item_->toolTip(); }

 public slots:
  void ContextMenu(int x, int y) { item_->PopUpMenu(QPoint(x, y)); }
  void Activate(int x, int y) { item_->PopUpMenu(QPoint(x, y)); }
  void SecondaryActivate(int, int) {}
  void Scroll(int, const QString&) {}

 signals:
  void NewTitle();
  void NewIcon();
  void NewAttentionIcon();
  void NewOverlayIcon();
  void NewToolTip();
  void NewStatus(const QString& status);

 private:
  StatusNotifierItem* item_;
};

// com.canonical.dbusmenu on /MenuBar. A change of the menu is announced as a new layout, which
// every host reads again whole; the menu is small.
class DBusMenuAdaptor final : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
  Q_PROPERTY(uint Version READ Version CONSTANT)
  Q_PROPERTY(QString TextDirection READ TextDirection CONSTANT)
  Q_PROPERTY(QString Status READ Status CONSTANT)
  Q_PROPERTY(QStringList IconThemePath READ IconThemePath CONSTANT)

 public:
  DBusMenuAdaptor(QObject* object, StatusNotifierItem* item);

  uint Version() const { return 3; }
  QString TextDirection() const { return QStringLiteral("ltr"); }
  QString Status() const { return QStringLiteral("normal"); }
  QStringList IconThemePath() const { return {}; }

 public slots:
  uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                 pigmora::qt::DBusMenuLayout& layout);
  pigmora::qt::DBusMenuItemPropertiesList GetGroupProperties(const QList<int>& ids,
                                                             const QStringList& propertyNames);
  QDBusVariant GetProperty(int id, const QString& name);
  void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
  // Spelled out, not through the alias: Qt's D-Bus export finds parameter types by the name
  // written here.
  QList<int> EventGroup(const QList<pigmora::qt::DBusMenuEvent>& events);
  bool AboutToShow(int id);
  QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

 signals:
  void LayoutUpdated(uint revision, int parent);
  void ItemActivationRequested(int id, uint timestamp);

 private:
  StatusNotifierItem* item_;
};

}  // namespace pigmora::qt
