#include "platform/qt/qt_menu_icons.h"

#include <QPainter>
#include <QPixmap>
#include <QString>
#include <QSvgRenderer>

#include <map>
#include <utility>

namespace pigmora::qt {

namespace {

// Resource names in the order of the "MenuIcon" setting.
constexpr const char* kSymbolFiles[kMenuIconSymbolCount] = {
    ":/icons/paintpalette.svg", ":/icons/paintpalette.fill.svg", ":/icons/paintbrush.svg",
    ":/icons/drop.svg",         ":/icons/eyedropper.svg",        ":/icons/drop.fill.svg",
};

constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64};

}  // namespace

QImage RenderMenuIconSymbol(int index, const QColor& color, int pixels) {
  if (index < 0 || index >= kMenuIconSymbolCount || pixels <= 0) return {};
  QSvgRenderer renderer(QString::fromLatin1(kSymbolFiles[index]));
  if (!renderer.isValid()) return {};
  QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter, QRectF(0, 0, pixels, pixels));
  // The drawing is black; only its coverage is kept and filled with the wanted colour, the way a
  // template image is tinted.
  painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  painter.fillRect(image.rect(), color);
  painter.end();
  return image;
}

QIcon MenuIconSymbol(int index, const QColor& color) {
  if (index < 0 || index >= kMenuIconSymbolCount) return {};
  // The icon pop-up asks for the six symbols at every opening of the preferences window. The same
  // QIcon each time lets Qt reuse the scaled copies it caches per icon rather than keep new ones
  // for every opening. Main thread only, like every widget; never destroyed, since pixmaps must not
  // outlive the application object and statics would.
  static auto& drawn = *new std::map<std::pair<int, QRgb>, QIcon>;
  const auto key = std::make_pair(index, color.rgba());
  if (auto found = drawn.find(key); found != drawn.end()) return found->second;
  QIcon icon;
  for (int size : kIconSizes) {
    const QImage image = RenderMenuIconSymbol(index, color, size);
    if (image.isNull()) return {};
    icon.addPixmap(QPixmap::fromImage(image));
  }
  constexpr std::size_t kMostIcons = 6 * 8;  // six symbols in a few ink colours
  if (drawn.size() >= kMostIcons) drawn.clear();
  drawn.emplace(key, icon);
  return icon;
}

}  // namespace pigmora::qt
