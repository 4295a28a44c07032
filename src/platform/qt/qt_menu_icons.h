#pragma once
// The six tray symbols (palette, filled palette, brush, drop, eyedropper, filled drop), drawn in
// one colour so that they can follow the text colour of the panel they sit on.
#include <QColor>
#include <QIcon>
#include <QImage>

namespace pigmora::qt {

inline constexpr int kMenuIconSymbolCount = 6;

// The symbol with index 0..5 painted in `color` at the usual icon sizes (16 to 64 px); a null
// icon for any other index.
QIcon MenuIconSymbol(int index, const QColor& color);

// One square rendering of the symbol, `pixels` wide, transparent around the shape; a null image
// for an index outside 0..5.
QImage RenderMenuIconSymbol(int index, const QColor& color, int pixels);

}  // namespace pigmora::qt
