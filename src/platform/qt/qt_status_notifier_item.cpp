#include "platform/qt/qt_status_notifier_item.h"

#include <QAction>
#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QMenu>
#include <QMetaObject>

namespace pigmora::qt {

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

// A dbusmenu label marks its access key with "_"; the titles have none, so every "_" is literal.
QString DBusMenuLabel(const QString& title) {
  QString label = title;
  label.replace(u'_', QStringLiteral("__"));
  return label;
}

}  // namespace

StatusNotifierItem::StatusNotifierItem(QMenu* menu, std::function<void(const QPoint&)> popUpMenu)
    : menu_(menu),
      popUpMenu_(std::move(popUpMenu)),
      connectionName_(QStringLiteral("pigmora-status-notifier-item-%1")
                          .arg(reinterpret_cast<quintptr>(this), 0, 16)),
      connection_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_)),
      itemObject_(std::make_unique<QObject>()),
      menuObject_(std::make_unique<QObject>()) {
  RegisterSniTypes();
  auto* itemAdaptor = new StatusNotifierItemAdaptor(itemObject_.get(), this);
  auto* menuAdaptor = new DBusMenuAdaptor(menuObject_.get(), this);
  connect(this, &StatusNotifierItem::NewIcon, itemAdaptor, &StatusNotifierItemAdaptor::NewIcon);
  connect(this, &StatusNotifierItem::NewToolTip, itemAdaptor,
          &StatusNotifierItemAdaptor::NewToolTip);
  connect(this, &StatusNotifierItem::LayoutUpdated, menuAdaptor, &DBusMenuAdaptor::LayoutUpdated);
  if (connection_.isConnected()) {
    connection_.registerObject(QStringLiteral("/StatusNotifierItem"), itemObject_.get(),
                               QDBusConnection::ExportAdaptors);
    connection_.registerObject(QStringLiteral("/MenuBar"), menuObject_.get(),
                               QDBusConnection::ExportAdaptors);
  }
}

StatusNotifierItem::~StatusNotifierItem() {
  // Closing the connection takes the item's bus name away, which is how a watcher learns that
  // the item is gone.
  connection_.unregisterObject(QStringLiteral("/StatusNotifierItem"));
  connection_.unregisterObject(QStringLiteral("/MenuBar"));
  QDBusConnection::disconnectFromBus(connectionName_);
}

QString StatusNotifierItem::BusName() const {
  return connection_.baseService();
}

bool StatusNotifierItem::Register() {
  if (!connection_.isConnected()) return false;
  QDBusMessage call =
      QDBusMessage::createMethodCall(kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher,
                                     QStringLiteral("RegisterStatusNotifierItem"));
  call << connection_.baseService();
  // Not waited for: a watcher that is slow to answer must not hold up the program.
  connection_.asyncCall(call);
  return true;
}

void StatusNotifierItem::SetIcon(const QString& iconName, const QString& iconThemePath,
                                 const SniPixmaps& pixmaps) {
  iconName_ = iconName;
  iconThemePath_ = iconThemePath;
  pixmaps_ = pixmaps;
  emit NewIcon();
}

void StatusNotifierItem::SetToolTip(const QString& text) {
  if (text == toolTip_) return;
  toolTip_ = text;
  emit NewToolTip();
}

SniToolTip StatusNotifierItem::toolTip() const {
  return SniToolTip{QString(), {}, toolTip_, QString()};
}

void StatusNotifierItem::MenuChanged() {
  ++revision_;
  emit LayoutUpdated(revision_, 0);
}

bool StatusNotifierItem::HasMenuItem(int id) const {
  return id >= 1 && id <= menu_->actions().size();
}

QVariantMap StatusNotifierItem::ItemProperties(int id) const {
  if (id == 0) return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
  if (!HasMenuItem(id)) return {};
  const QAction* action = menu_->actions().at(id - 1);
  if (action->isSeparator()) {
    return {{QStringLiteral("type"), QStringLiteral("separator")},
            {QStringLiteral("visible"), action->isVisible()}};
  }
  QVariantMap properties{
      {QStringLiteral("label"), DBusMenuLabel(action->property(kMenuTitleProperty).toString())},
      {QStringLiteral("enabled"), action->isEnabled()},
      {QStringLiteral("visible"), action->isVisible()},
  };
  const QStringList keys = action->property(kMenuShortcutProperty).toStringList();
  if (!keys.isEmpty()) {
    properties.insert(QStringLiteral("shortcut"), QVariant::fromValue(DBusMenuShortcut{keys}));
  }
  return properties;
}

DBusMenuLayout StatusNotifierItem::Layout(int parentId) const {
  DBusMenuLayout layout{parentId, ItemProperties(parentId), {}};
  if (parentId != 0) return layout;
  for (int id = 1; id <= menu_->actions().size(); ++id) {
    layout.children.append(QVariant::fromValue(DBusMenuLayout{id, ItemProperties(id), {}}));
  }
  return layout;
}

void StatusNotifierItem::MenuEvent(int id, const QString& eventId) {
  if (eventId != QLatin1String("clicked") || !HasMenuItem(id)) return;
  QAction* action = menu_->actions().at(id - 1);
  if (action->isSeparator() || !action->isEnabled()) return;
  // Run after the D-Bus call returns: the command may open a modal dialog, and the host waits
  // for the answer to its call meanwhile.
  QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
}

StatusNotifierItemAdaptor::StatusNotifierItemAdaptor(QObject* object, StatusNotifierItem* item)
    : QDBusAbstractAdaptor(object), item_(item) {}

QString StatusNotifierItemAdaptor::Id() const {
  return QCoreApplication::applicationName().toLower();
}

QString StatusNotifierItemAdaptor::Title() const {
  return QCoreApplication::applicationName();
}

DBusMenuAdaptor::DBusMenuAdaptor(QObject* object, StatusNotifierItem* item)
    : QDBusAbstractAdaptor(object), item_(item) {}

uint DBusMenuAdaptor::GetLayout(int parentId, int, const QStringList&, DBusMenuLayout& layout) {
  layout = item_->Layout(parentId);
  return item_->MenuRevision();
}

DBusMenuItemPropertiesList DBusMenuAdaptor::GetGroupProperties(const QList<int>& ids,
                                                               const QStringList&) {
  DBusMenuItemPropertiesList result;
  for (int id : ids) {
    if (id == 0 || item_->HasMenuItem(id)) result.append({id, item_->ItemProperties(id)});
  }
  return result;
}

QDBusVariant DBusMenuAdaptor::GetProperty(int id, const QString& name) {
  return QDBusVariant(item_->ItemProperties(id).value(name));
}

void DBusMenuAdaptor::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
  item_->MenuEvent(id, eventId);
}

QList<int> DBusMenuAdaptor::EventGroup(const QList<DBusMenuEvent>& events) {
  QList<int> idErrors;
  for (const DBusMenuEvent& event : events) {
    if (item_->HasMenuItem(event.id)) {
      item_->MenuEvent(event.id, event.eventId);
    } else {
      idErrors.append(event.id);
    }
  }
  return idErrors;
}

bool DBusMenuAdaptor::AboutToShow(int) {
  return false;
}

QList<int> DBusMenuAdaptor::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
  for (int id : ids) {
    if (id != 0 && !item_->HasMenuItem(id)) idErrors.append(id);
  }
  return {};
}

}  // namespace pigmora::qt
