#include "platform/wayland/portal_color_pick.h"

#include <QAbstractButton>
#include <QColor>
#include <QColorDialog>
#include <QDBusArgument>
#include <QPointer>
#include <QPushButton>
#include <cmath>

#include "platform/wayland/portal_notice.h"
#include "platform/wayland/portal_request.h"

namespace pigmora::wayland {

namespace {

constexpr char kScreenshotInterface[] = "org.freedesktop.portal.Screenshot";

// Qt names the button "&Pick Screen Color" and adds no other with that text.
QPushButton* ScreenPickButton(QColorDialog& dialog) {
  for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
    if (button->text().remove(QLatin1Char('&')) == QStringLiteral("Pick Screen Color")) {
      return button;
    }
  }
  return nullptr;
}

// The (ddd) colour of a PickColor answer; invalid when it has none.
QColor ColorOf(const QVariantMap& results) {
  const QVariant color = results.value(QStringLiteral("color"));
  if (!color.canConvert<QDBusArgument>()) return {};
  const QDBusArgument argument = color.value<QDBusArgument>();
  double red = 0, green = 0, blue = 0;
  argument.beginStructure();
  argument >> red >> green >> blue;
  argument.endStructure();
  return QColor(ChannelFromPortal(red), ChannelFromPortal(green), ChannelFromPortal(blue));
}

void TellPickFailed(const std::string& why) {
  TellOnce(NoticeSubject::PickColor,
           "screen colour picking: " + why +
               "; choose the colour in the dialog's own fields instead (the desktop needs a "
               "portal with Screenshot.PickColor, e.g. xdg-desktop-portal-gnome, -kde or -wlr).");
}

}  // namespace

int ChannelFromPortal(double component) {
  if (!(component > 0.0)) return 0;  // also NaN
  if (component >= 1.0) return 255;
  return static_cast<int>(std::lround(component * 255.0));
}

void PickScreenColorThroughPortal(QColorDialog& dialog, const QDBusConnection& bus) {
  QPushButton* button = ScreenPickButton(dialog);
  if (!button) return;
  // Qt's own slot would grab the X pointer and read the X root window.
  QObject::disconnect(button, &QAbstractButton::clicked, nullptr, nullptr);
  QPointer<QColorDialog> target(&dialog);
  QObject::connect(button, &QAbstractButton::clicked, &dialog, [target, bus, &dialog] {
    if (!bus.isConnected()) {
      TellPickFailed("no D-Bus session bus, so no desktop portal");
      return;
    }
    PortalRequest::Start(
        &dialog, bus, QLatin1String(kScreenshotInterface), QStringLiteral("PickColor"),
        {QString(), QVariant(QVariantMap())},
        [target](const PortalOutcome& outcome) {
          if (outcome.kind == PortalOutcome::Kind::Failed) {
            TellPickFailed("the desktop portal failed (" + outcome.error.toStdString() + ")");
            return;
          }
          // 1: the user cancelled the pick, which needs no word.
          if (outcome.response == 1) return;
          if (outcome.response != 0) {
            TellPickFailed("the desktop portal ended the pick (response " +
                           std::to_string(outcome.response) + ")");
            return;
          }
          const QColor picked = ColorOf(outcome.results);
          if (!picked.isValid()) {
            TellPickFailed("the desktop portal answered without a colour");
            return;
          }
          // The dialog may have been closed while the user picked.
          if (target) target->setCurrentColor(picked);
        },
        [] {
          TellPickFailed("the desktop portal gave no answer within " +
                         std::to_string(kPortalAnswerTime.count()) + " s");
        });
  });
}

}  // namespace pigmora::wayland
