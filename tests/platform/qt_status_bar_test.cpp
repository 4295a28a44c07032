// The tray item: the shortcut column of its menu, its pictures, and the menu it builds.
#include "platform/qt/qt_status_bar.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/qt/qt_menu_icons.h"
#include "platform/qt/qt_shortcut_label.h"
#include "platform/qt/qt_sni_types.h"
#include "platform/qt/qt_status_notifier_item.h"

namespace pigmora::qt {
namespace {

using platform::kMenuCommandMask;
using platform::kMenuControlMask;
using platform::kMenuOptionMask;
using platform::kMenuShiftMask;
using platform::MenuEntry;

int OpaquePixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) > 0;
  }
  return count;
}

TEST(MenuIconSymbolTest, SixDistinctSymbolsInTheWantedColourAndNoneOutsideTheRange) {
  const QColor red(200, 10, 20);
  std::set<QByteArray> seen;
  for (int index = 0; index < kMenuIconSymbolCount; ++index) {
    const QIcon icon = MenuIconSymbol(index, red);
    ASSERT_FALSE(icon.isNull()) << index;
    EXPECT_TRUE(icon.availableSizes().contains(QSize(22, 22))) << index;
    const QImage image =
        RenderMenuIconSymbol(index, red, 22).convertToFormat(QImage::Format_ARGB32);
    EXPECT_GT(OpaquePixels(image), 22 * 22 / 8) << index;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QRgb pixel = image.pixel(x, y);
        if (qAlpha(pixel) == 255) {
          ASSERT_EQ(QColor(pixel), red) << "symbol " << index << " at " << x << "," << y;
        }
      }
    }
    seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
  }
  EXPECT_EQ(seen.size(), 6u) << "two symbols look the same";
  EXPECT_TRUE(MenuIconSymbol(-1, red).isNull());
  EXPECT_TRUE(MenuIconSymbol(6, red).isNull());
  EXPECT_TRUE(RenderMenuIconSymbol(7, red, 22).isNull());
}

TEST(RenderStatusImageTest, TheTitleWidensThePictureAndNothingLeavesAnEmptySquare) {
  const QColor black(Qt::black);
  const QImage symbolOnly = RenderStatusImage(4, QString(), black, 22);
  EXPECT_EQ(symbolOnly.size(), QSize(22, 22));
  EXPECT_GT(OpaquePixels(symbolOnly), 0);

  const QImage withTitle = RenderStatusImage(4, QStringLiteral("RGB Hex"), black, 22);
  const QImage withLongerTitle = RenderStatusImage(4, QStringLiteral("Xamarin (C#)"), black, 22);
  EXPECT_EQ(withTitle.height(), 22);
  EXPECT_GT(withTitle.width(), 22 + 20);
  EXPECT_GT(withLongerTitle.width(), withTitle.width());
  // The symbol stays where it was; the text is drawn to its right.
  EXPECT_EQ(withTitle.copy(0, 0, 22, 22), symbolOnly);
  EXPECT_GT(OpaquePixels(withTitle.copy(22, 0, withTitle.width() - 22, 22)), 10);

  const QImage titleOnly = RenderStatusImage(std::nullopt, QStringLiteral("Swift"), black, 22);
  EXPECT_GT(OpaquePixels(titleOnly), 10);

  const QImage nothing = RenderStatusImage(std::nullopt, QString(), black, 22);
  EXPECT_EQ(nothing.size(), QSize(22, 22));
  EXPECT_EQ(OpaquePixels(nothing), 0);
}

TEST(DBusMenuShortcutKeysTest, ModifiersThenTheKeyByTheNameGtkReads) {
  EXPECT_EQ(DBusMenuShortcutKeys(u"p", kMenuControlMask | kMenuOptionMask | kMenuCommandMask),
            (QStringList{"Control", "Alt", "Super", "P"}));
  EXPECT_EQ(DBusMenuShortcutKeys(u",", kMenuCommandMask), (QStringList{"Super", "comma"}));
  EXPECT_EQ(DBusMenuShortcutKeys(u"]", kMenuShiftMask), (QStringList{"Shift", "bracketright"}));
  EXPECT_EQ(DBusMenuShortcutKeys(u"\uF708", kMenuCommandMask), (QStringList{"Super", "F5"}));
  EXPECT_EQ(DBusMenuShortcutKeys(u"\u238B", 0), QStringList{"Escape"});
  EXPECT_EQ(DBusMenuShortcutKeys(u"space", kMenuOptionMask), (QStringList{"Alt", "space"}));
  EXPECT_TRUE(DBusMenuShortcutKeys(u"", kMenuCommandMask).isEmpty());
}

TEST(InkAgainstTest, ThePanelTextColourWhereItReadsElseBlackOrWhite) {
  EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 0.01);
  EXPECT_NEAR(ContrastRatio(QColor(0x76, 0x76, 0x76), Qt::black), 4.62, 0.01);
  const QColor darkPanel(0x35, 0x35, 0x35);
  const QColor lightPanel(0xd7, 0xd7, 0xd7);
  // Black symbols on xfce's dark panel were 1.7:1: then white is chosen.
  EXPECT_EQ(InkAgainst(darkPanel, Qt::black), QColor(Qt::white));
  EXPECT_EQ(InkAgainst(Qt::black, Qt::black), QColor(Qt::white));
  EXPECT_EQ(InkAgainst(lightPanel, Qt::black), QColor(Qt::black));
  EXPECT_EQ(InkAgainst(lightPanel, QColor(0x20, 0x20, 0x60)), QColor(0x20, 0x20, 0x60));
  EXPECT_EQ(InkAgainst(lightPanel, QColor(0xc0, 0xc0, 0xc0)), QColor(Qt::black));
}

TEST(WithRimTest, AWhiteRimAroundTheBlackShapeOnly) {
  const QImage symbol = RenderStatusImage(5, QString(), Qt::black, 32);
  const QImage rimmed = WithRim(symbol, Qt::white).convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(rimmed.size(), symbol.size());
  int white = 0;
  int black = 0;
  for (int y = 0; y < rimmed.height(); ++y) {
    for (int x = 0; x < rimmed.width(); ++x) {
      const QRgb pixel = rimmed.pixel(x, y);
      if (qAlpha(pixel) < 255) continue;
      white += pixel == qRgb(255, 255, 255);
      black += pixel == qRgb(0, 0, 0);
    }
  }
  EXPECT_GT(white, 20);
  EXPECT_GT(black, 100);
  // The corners, away from the drop, stay clear.
  EXPECT_EQ(qAlpha(rimmed.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(rimmed.pixel(31, 0)), 0);
}

TEST(SniPixmapTest, PixelsGoOutAsAlphaRedGreenBlueBytes) {
  QImage image(2, 1, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(0x11, 0x22, 0x33, 0xff));
  image.setPixel(1, 0, qRgba(0x00, 0x00, 0x00, 0x00));
  const SniPixmap pixmap = SniPixmapFromImage(image);
  EXPECT_EQ(pixmap.width, 2);
  EXPECT_EQ(pixmap.height, 1);
  EXPECT_EQ(pixmap.bytes, QByteArray::fromHex("ff112233"
                                              "00000000"));
}

TEST(SymbolicIconNameTest, OneThemedNamePerSymbol) {
  EXPECT_EQ(SymbolicIconName(4), QStringLiteral("pigmora-eyedropper-symbolic"));
  EXPECT_EQ(SymbolicIconName(1), QStringLiteral("pigmora-paintpalette-fill-symbolic"));
  EXPECT_EQ(SymbolicIconName(5), QStringLiteral("pigmora-drop-fill-symbolic"));
  EXPECT_TRUE(SymbolicIconName(6).isEmpty());
  EXPECT_TRUE(SymbolicIconName(-1).isEmpty());
}

std::set<QMenu*> Menus() {
  std::set<QMenu*> menus;
  for (QWidget* widget : QApplication::allWidgets()) {
    if (auto* menu = qobject_cast<QMenu*>(widget)) menus.insert(menu);
  }
  return menus;
}

// The one menu that exists now and did not before; null when there is none.
QMenu* NewMenu(const std::set<QMenu*>& before) {
  QMenu* found = nullptr;
  for (QMenu* menu : Menus()) {
    if (before.count(menu)) continue;
    EXPECT_EQ(found, nullptr) << "more than one new menu";
    found = menu;
  }
  return found;
}

QStringList Texts(QMenu* menu) {
  QStringList texts;
  for (QAction* action : menu->actions()) {
    texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
  }
  return texts;
}

TEST(QtStatusBarTest, BuildsTheMenuAndReportsChoices) {
  std::vector<int64_t> chosen;
  const std::set<QMenu*> before = Menus();
  {
    QtStatusBar bar;
    bar.CreateItem([&](int64_t id) { chosen.push_back(id); });
    bar.SetImage(4);
    bar.AddMenuItem(1, MenuEntry{u"Show the Color Picker", u"p",
                                 kMenuControlMask | kMenuOptionMask | kMenuCommandMask});
    bar.AddSeparator();
    bar.AddMenuItem(2, MenuEntry{u"Cycle Output Forward", u"", 0});
    bar.AddMenuItem(6, MenuEntry{u"Quit", u"q", kMenuCommandMask});
    bar.SetTitle(u"RGB Hex");
    bar.SetToolTip(u"");

    QMenu* menu = NewMenu(before);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Texts(menu), (QStringList{QStringLiteral("Show the Color Picker\tCtrl+Alt+Super+P"),
                                        QStringLiteral("-"), QStringLiteral("Cycle Output Forward"),
                                        QStringLiteral("Quit\tSuper+Q")}));
    for (QAction* action : menu->actions()) {
      // Shown only: no item takes a key press from the desktop or the program.
      EXPECT_TRUE(action->shortcut().isEmpty());
      EXPECT_TRUE(action->isEnabled());
    }
    // What the exported menu sends: the exact title, and the shortcut apart as key names.
    EXPECT_EQ(menu->actions()[3]->property(kMenuTitleProperty).toString(), QStringLiteral("Quit"));
    EXPECT_EQ(menu->actions()[3]->property(kMenuShortcutProperty).toStringList(),
              (QStringList{"Super", "Q"}));
    EXPECT_TRUE(menu->actions()[2]->property(kMenuShortcutProperty).toStringList().isEmpty());

    bar.UpdateMenuItem(2, MenuEntry{u"Cycle Output Forward", u"\uF708", kMenuCommandMask});
    bar.UpdateMenuItem(99, MenuEntry{u"Nothing", u"", 0});
    bar.SetMenuItemEnabled(6, false);
    bar.SetMenuItemEnabled(99, false);
    EXPECT_EQ(menu->actions()[2]->text(), QStringLiteral("Cycle Output Forward\tSuper+F5"));
    EXPECT_FALSE(menu->actions()[3]->isEnabled());
    EXPECT_EQ(menu->actions().size(), 4);

    menu->actions()[2]->trigger();
    menu->actions()[0]->trigger();
    EXPECT_EQ(chosen, (std::vector<int64_t>{2, 1}));

    bar.RemoveItem();
    EXPECT_EQ(NewMenu(before), nullptr);
    // Calls after the removal change nothing and do not crash.
    bar.SetTitle(u"Swift");
    bar.AddMenuItem(3, MenuEntry{u"Cycle Output Back", u"", 0});
    bar.SetMenuItemEnabled(1, true);
    EXPECT_EQ(NewMenu(before), nullptr);
  }
  EXPECT_EQ(chosen.size(), 2u);
}

TEST(QtStatusBarTest, CreatingAgainReplacesTheItem) {
  const std::set<QMenu*> before = Menus();
  QtStatusBar bar;
  bar.CreateItem([](int64_t) {});
  bar.AddMenuItem(1, MenuEntry{u"One", u"", 0});
  bar.CreateItem([](int64_t) {});
  bar.AddMenuItem(2, MenuEntry{u"Two", u"", 0});
  QMenu* menu = NewMenu(before);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(Texts(menu), QStringList{QStringLiteral("Two")});
}

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(strlen(name)), name),
      nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  free(reply);
  return atom;
}

TEST(XembedTrayForegroundTest, ReadsTheForegroundTheTrayPublishes) {
  xcb_connection_t* connection =
      qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
  char* host = nullptr;
  int display = 0;
  int screen = 0;
  ASSERT_TRUE(xcb_parse_display(nullptr, &host, &display, &screen));
  free(host);
  const std::string selectionName = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
  xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
      connection,
      xcb_get_selection_owner(connection, InternAtom(connection, selectionName.c_str())), nullptr);
  ASSERT_NE(owner, nullptr);
  const xcb_window_t tray = owner->owner;
  free(owner);
  ASSERT_NE(tray, static_cast<xcb_window_t>(XCB_WINDOW_NONE)) << "the session has no tray";
  const xcb_atom_t colors = InternAtom(connection, "_NET_SYSTEM_TRAY_COLORS");

  auto publish = [&](std::vector<uint32_t> values) {
    xcb_void_cookie_t cookie = xcb_change_property_checked(
        connection, XCB_PROP_MODE_REPLACE, tray, colors, XCB_ATOM_CARDINAL, 32,
        static_cast<uint32_t>(values.size()), values.data());
    free(xcb_request_check(connection, cookie));
  };
  // Foreground orange, then error, warning and success colours.
  publish({0xFFFF, 0x8000, 0x0000, 0xFFFF, 0, 0, 0xFFFF, 0xFFFF, 0, 0, 0xFFFF, 0});
  EXPECT_EQ(XembedTrayForeground(), QColor::fromRgba64(0xFFFF, 0x8000, 0x0000));
  // A list shorter than the four colours is not what trays write.
  publish({0xFFFF, 0x8000, 0x0000});
  EXPECT_EQ(XembedTrayForeground(), std::nullopt);
  free(xcb_request_check(connection, xcb_delete_property_checked(connection, tray, colors)));
  EXPECT_EQ(XembedTrayForeground(), std::nullopt);
}

}  // namespace
}  // namespace pigmora::qt
