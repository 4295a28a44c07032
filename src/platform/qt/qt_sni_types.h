#pragma once
// The structures a StatusNotifierItem and its com.canonical.dbusmenu menu send over D-Bus, with
// their D-Bus marshalling: pictures as a(iiay), the tooltip as (sa(iiay)ss), menu layouts as the
// recursive (ia{sv}av) and item properties as a(ia{sv}).
#include <QByteArray>
#include <QDBusArgument>
#include <QImage>
#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace pigmora::qt {

// One picture: width, height, and ARGB32 pixels in network byte order (A, R, G, B bytes).
struct SniPixmap {
  int width = 0;
  int height = 0;
  QByteArray bytes;
};
using SniPixmaps = QList<SniPixmap>;

SniPixmap SniPixmapFromImage(const QImage& image);

struct SniToolTip {
  QString iconName;
  SniPixmaps icons;
  QString title;
  QString description;
};

struct DBusMenuLayout {
  int id = 0;
  QVariantMap properties;
  QVariantList children;  // each a QDBusVariant holding a DBusMenuLayout
};

struct DBusMenuItemProperties {
  int id = 0;
  QVariantMap properties;
};
using DBusMenuItemPropertiesList = QList<DBusMenuItemProperties>;

struct DBusMenuEvent {
  int id = 0;
  QString eventId;
  // Never empty: Qt works out the D-Bus signature by writing a default value, and an empty
  // variant cannot be written.
  QDBusVariant data{QVariant(0)};
  uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

// A dbusmenu "shortcut": one list of key names per key press.
using DBusMenuShortcut = QList<QStringList>;

// Registers every type above with Qt's D-Bus type system; safe to call more than once.
void RegisterSniTypes();

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& toolTip);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayout& layout);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayout& layout);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemProperties& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

}  // namespace pigmora::qt

Q_DECLARE_METATYPE(pigmora::qt::SniPixmap)
Q_DECLARE_METATYPE(pigmora::qt::SniToolTip)
Q_DECLARE_METATYPE(pigmora::qt::DBusMenuLayout)
Q_DECLARE_METATYPE(pigmora::qt::DBusMenuItemProperties)
Q_DECLARE_METATYPE(pigmora::qt::DBusMenuEvent)
