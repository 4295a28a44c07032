// The colour panel on the session's X server: Qt's own QColorDialog, typed into with xdotool.
#include "platform/qt/qt_color_panel.h"

#include <gtest/gtest.h>

#include <QColorDialog>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "platform_test_support.h"

namespace pigmora::qt {
namespace {

using test::StartShell;
using test::WhenModal;

QLineEdit* HexField(QColorDialog* dialog) {
  for (auto* field : dialog->findChildren<QLineEdit*>()) {
    if (field->text().startsWith('#')) return field;
  }
  return nullptr;
}

// Gives the keyboard to the dialog's "HTML" field with its text selected, so that what xdotool
// types replaces it.
void FocusHexField(QColorDialog* dialog) {
  QLineEdit* field = HexField(dialog);
  ASSERT_NE(field, nullptr) << "no hex field in the colour dialog";
  field->setFocus(Qt::OtherFocusReason);
  field->selectAll();
}

platform::RgbComponents Components(int red, int green, int blue) {
  return {red / 255.0, green / 255.0, blue / 255.0};
}

TEST(QtColorPanel, TypedHexValueAndReturnConfirmThatColour) {
  std::unique_ptr<QProcess> typing;
  WhenModal<QColorDialog> driver([&](QColorDialog* dialog) {
    FocusHexField(dialog);
    typing = StartShell("xdotool type --delay 30 '#ff8000' && xdotool key Return");
  });
  QtColorPanel panel;
  const platform::ColorPanelResult result = panel.RunModal(Components(0, 0, 0));
  if (typing) typing->waitForFinished(5000);

  ASSERT_TRUE(driver.Acted());
  EXPECT_TRUE(result.confirmed);
  ASSERT_TRUE(result.color.has_value());
  // Exactly c / 255, so that the pick's truncation gives the typed channels back.
  EXPECT_EQ(result.color->red, 255 / 255.0);
  EXPECT_EQ(result.color->green, 128 / 255.0);
  EXPECT_EQ(result.color->blue, 0 / 255.0);
}

TEST(QtColorPanel, EscapeCancelsWithoutColour) {
  std::unique_ptr<QProcess> typing;
  WhenModal<QColorDialog> driver([&](QColorDialog* dialog) {
    FocusHexField(dialog);
    typing = StartShell("xdotool type --delay 30 '#00ff00' && xdotool key Escape");
  });
  QtColorPanel panel;
  const platform::ColorPanelResult result = panel.RunModal(Components(10, 20, 30));
  if (typing) typing->waitForFinished(5000);

  ASSERT_TRUE(driver.Acted());
  EXPECT_FALSE(result.confirmed);
  EXPECT_FALSE(result.color.has_value());
}

TEST(QtColorPanel, WindowCloseButtonCancels) {
  std::unique_ptr<QProcess> closing;
  // The window manager's close (Alt+F4 in openbox) asks the window to close, like its title
  // bar's close button.
  WhenModal<QColorDialog> driver(
      [&](QColorDialog*) { closing = StartShell("xdotool key alt+F4"); });
  QtColorPanel panel;
  const platform::ColorPanelResult result = panel.RunModal(Components(200, 100, 50));
  if (closing) closing->waitForFinished(5000);

  ASSERT_TRUE(driver.Acted());
  EXPECT_FALSE(result.confirmed);
  EXPECT_FALSE(result.color.has_value());
}

TEST(QtColorPanel, OpensAtTheInitialColourAndReturnKeepsIt) {
  QString shownHex;
  std::unique_ptr<QProcess> typing;
  WhenModal<QColorDialog> driver([&](QColorDialog* dialog) {
    shownHex = HexField(dialog) ? HexField(dialog)->text() : QString();
    typing = StartShell("xdotool key Return");
  });
  QtColorPanel panel;
  const platform::ColorPanelResult result = panel.RunModal(Components(0x12, 0x34, 0x56));
  if (typing) typing->waitForFinished(5000);

  ASSERT_TRUE(driver.Acted());
  EXPECT_EQ(shownHex.toLower(), "#123456");
  ASSERT_TRUE(result.confirmed);
  ASSERT_TRUE(result.color.has_value());
  EXPECT_EQ(result.color->red, 0x12 / 255.0);
  EXPECT_EQ(result.color->green, 0x34 / 255.0);
  EXPECT_EQ(result.color->blue, 0x56 / 255.0);
}

TEST(QtColorPanel, IsQtsOwnModalDialogWithScreenPickerAndNoAlpha) {
  bool nonNative = false, alphaShown = true, modal = false, hasScreenPicker = false;
  bool hasOk = false, hasCancel = false;
  WhenModal<QColorDialog> driver([&](QColorDialog* dialog) {
    nonNative = dialog->testOption(QColorDialog::DontUseNativeDialog);
    alphaShown = dialog->testOption(QColorDialog::ShowAlphaChannel);
    modal = dialog->isModal();
    for (auto* button : dialog->findChildren<QPushButton*>()) {
      const QString text = button->text().remove('&');
      if (text == "Pick Screen Color") hasScreenPicker = button->isVisible();
      if (text == "OK") hasOk = button->isVisible();
      if (text == "Cancel") hasCancel = button->isVisible();
    }
    dialog->reject();
  });
  QtColorPanel panel;
  panel.RunModal(Components(1, 2, 3));

  ASSERT_TRUE(driver.Acted());
  EXPECT_TRUE(nonNative);
  EXPECT_FALSE(alphaShown);
  EXPECT_TRUE(modal);
  EXPECT_TRUE(hasScreenPicker);
  EXPECT_TRUE(hasOk);
  EXPECT_TRUE(hasCancel);
}

// Every 8-bit channel value, handed in as c / 255 and confirmed unchanged, comes back as exactly
// c / 255: the pick's truncation then gives c again.
TEST(QtColorPanel, EveryChannelValueComesBackExactly) {
  QtColorPanel panel;
  for (int c = 0; c < 256; ++c) {
    WhenModal<QColorDialog> driver([](QColorDialog* dialog) { dialog->accept(); });
    const int green = 255 - c, blue = (c * 7) % 256;
    const auto result = panel.RunModal(Components(c, green, blue));
    ASSERT_TRUE(driver.Acted()) << c;
    ASSERT_TRUE(result.confirmed && result.color) << c;
    EXPECT_EQ(result.color->red, c / 255.0) << c;
    EXPECT_EQ(result.color->green, green / 255.0) << c;
    EXPECT_EQ(result.color->blue, blue / 255.0) << c;
    EXPECT_EQ(static_cast<int>(result.color->red * 255.0), c);
  }
}

TEST(QtColorPanel, GivesTheFocusBackToTheWindowThatHadIt) {
  QWidget window;
  window.setWindowTitle("previous window");
  window.resize(200, 100);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(test::ProcessUntil([&] { return window.isActiveWindow(); }));

  WhenModal<QColorDialog> driver([](QColorDialog* dialog) { dialog->reject(); });
  QtColorPanel panel;
  panel.RunModal(Components(0, 0, 0));
  ASSERT_TRUE(driver.Acted());
  EXPECT_TRUE(test::ProcessUntil([&] { return window.isActiveWindow(); }, 5000));
}

TEST(QtColorPanel, OutOfRangeInitialComponentsAreClamped) {
  QString shownHex;
  WhenModal<QColorDialog> driver([&](QColorDialog* dialog) {
    shownHex = HexField(dialog) ? HexField(dialog)->text() : QString();
    dialog->reject();
  });
  QtColorPanel panel;
  panel.RunModal({2.0, -1.0, std::nan("")});
  ASSERT_TRUE(driver.Acted());
  EXPECT_EQ(shownHex.toLower(), "#ff0000");
}

}  // namespace
}  // namespace pigmora::qt
