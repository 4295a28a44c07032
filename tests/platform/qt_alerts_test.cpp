// Alerts on QMessageBox and the About box's picture, on the session's X server.
#include "platform/qt/qt_alerts.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <fstream>

#include "platform/qt/qt_application_icon.h"
#include "platform_test_support.h"

namespace pigmora::qt {
namespace {

using test::StartShell;
using test::WhenModal;

const std::u16string kAboutInformative =
    u"\nA simple Pigmora\nmade with great angst\n\r(c) Someone 2024\nsomeone@example.com\n";

QString ToQString(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The buttons of a box in the order they were given, found by their texts.
QPushButton* ButtonTitled(QMessageBox* box, const QString& title) {
  for (QAbstractButton* button : box->buttons()) {
    if (button->text() == title) return qobject_cast<QPushButton*>(button);
  }
  return nullptr;
}

TEST(QtAlerts, ShowsTheTextsExactlyAndReturnsTheChosenButton) {
  const platform::AlertContent content{.message = u"Pigmora 1.03\n(Intel)",
                                       .informative = kAboutInformative,
                                       .withAboutIcon = false,
                                       .buttons = {u"Ok", u"See My Other Apps", u"Third"}};
  for (int chosen = 0; chosen < 3; ++chosen) {
    QString message, informative;
    Qt::TextFormat format = Qt::RichText;
    WhenModal<QMessageBox> driver([&](QMessageBox* box) {
      message = box->text();
      informative = box->informativeText();
      format = box->textFormat();
      QPushButton* button = ButtonTitled(box, ToQString(content.buttons[chosen]));
      ASSERT_NE(button, nullptr);
      button->click();
    });
    QtAlerts alerts;
    const int answer = alerts.RunAlert(content);
    ASSERT_TRUE(driver.Acted());
    EXPECT_EQ(answer, platform::kFirstButtonReturn + chosen);
    EXPECT_EQ(message, ToQString(content.message));
    EXPECT_EQ(informative, ToQString(content.informative));
    EXPECT_EQ(format, Qt::PlainText);
  }
}

TEST(QtAlerts, ReturnChoosesTheFirstButton) {
  std::unique_ptr<QProcess> typing;
  QAbstractButton* defaultButton = nullptr;
  WhenModal<QMessageBox> driver([&](QMessageBox* box) {
    defaultButton = box->defaultButton();
    typing = StartShell("xdotool key Return");
  });
  QtAlerts alerts;
  const int answer = alerts.RunAlert({.message = u"Pigmora 1.03\n(Intel)",
                                      .informative = u"",
                                      .withAboutIcon = false,
                                      .buttons = {u"Ok", u"See My Other Apps"}});
  if (typing) typing->waitForFinished(5000);
  ASSERT_TRUE(driver.Acted());
  EXPECT_EQ(answer, platform::kFirstButtonReturn);
  ASSERT_NE(defaultButton, nullptr);
}

TEST(QtAlerts, EscapeWithTwoButtonsChoosesNothing) {
  std::unique_ptr<QProcess> typing;
  bool stillOpen = false;
  WhenModal<QMessageBox> driver([&](QMessageBox* box) {
    typing = StartShell("xdotool key Escape");
    typing->waitForFinished(5000);
    test::ProcessUntil([] { return false; }, 300);
    stillOpen = box->isVisible();
    ButtonTitled(box, "See My Other Apps")->click();
  });
  QtAlerts alerts;
  const int answer = alerts.RunAlert({.message = u"m",
                                      .informative = u"i",
                                      .withAboutIcon = false,
                                      .buttons = {u"Ok", u"See My Other Apps"}});
  ASSERT_TRUE(driver.Acted());
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(answer, platform::kSecondButtonReturn);
}

TEST(QtAlerts, FatalAlertIsDismissedByEscapeToo) {
  std::unique_ptr<QProcess> typing;
  QString message, informative;
  WhenModal<QMessageBox> driver([&](QMessageBox* box) {
    message = box->text();
    informative = box->informativeText();
    typing = StartShell("xdotool key Escape");
  });
  QtAlerts alerts;
  const int answer = alerts.RunAlert({.message = u"Fatal Error!",
                                      .informative = u"Failed to install event handler.",
                                      .withAboutIcon = false,
                                      .buttons = {u"OK"}});
  if (typing) typing->waitForFinished(5000);
  ASSERT_TRUE(driver.Acted());
  EXPECT_EQ(answer, platform::kFirstButtonReturn);
  EXPECT_EQ(message, "Fatal Error!");
  EXPECT_EQ(informative, "Failed to install event handler.");
}

class AboutIconTest : public ::testing::Test {
 protected:
  std::string MakePicture(const char* name, int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor(255, 128, 0, 200));
    const QString path = folder_.filePath(name);
    EXPECT_TRUE(image.save(path, "PNG"));
    return path.toStdString();
  }
  std::string MakeFile(const char* name, const std::string& bytes) {
    const QString path = folder_.filePath(name);
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
    return path.toStdString();
  }
  QTemporaryDir folder_;
};

TEST_F(AboutIconTest, PictureIsResampledTo128PixelsShownAtThePointsGiven) {
  QtAlerts alerts;
  ASSERT_TRUE(alerts.LoadAboutIcon(MakePicture("big.png", 300, 200), 64));
  EXPECT_EQ(alerts.AboutIcon().size(), QSize(128, 128));
  EXPECT_EQ(alerts.AboutIcon().deviceIndependentSize(), QSizeF(64, 64));
  // Translucent pixels keep their colour (not darkened by the alpha); the pixmap's premultiplied
  // storage may round by one.
  const QRgb pixel =
      alerts.AboutIcon().toImage().convertToFormat(QImage::Format_ARGB32).pixel(64, 64);
  EXPECT_NEAR(qRed(pixel), 255, 1);
  EXPECT_NEAR(qGreen(pixel), 128, 1);
  EXPECT_NEAR(qBlue(pixel), 0, 1);
  EXPECT_EQ(qAlpha(pixel), 200);

  ASSERT_TRUE(alerts.LoadAboutIcon(MakePicture("small.png", 32, 32), 128));
  EXPECT_EQ(alerts.AboutIcon().size(), QSize(128, 128));
  EXPECT_EQ(alerts.AboutIcon().deviceIndependentSize(), QSizeF(128, 128));
}

// Every message Qt writes while the object lives (stderr, in the program).
class QtMessages {
 public:
  QtMessages() { previous_ = qInstallMessageHandler(&QtMessages::Record); }
  ~QtMessages() { qInstallMessageHandler(previous_); }
  static QStringList& All() {
    static QStringList messages;
    return messages;
  }

 private:
  static void Record(QtMsgType, const QMessageLogContext&, const QString& message) {
    All().append(message);
  }
  QtMessageHandler previous_;
};

// Quietly too: the user's stderr gets no word from Qt or libpng about a picture we could not use.
TEST_F(AboutIconTest, MissingEmptyOrBrokenFilesGiveNoIcon) {
  QtMessages::All().clear();
  const QtMessages messages;
  QtAlerts alerts;
  const std::string good = MakePicture("good.png", 16, 16);
  for (const std::string& path :
       {folder_.filePath("absent.png").toStdString(), MakeFile("empty.png", ""),
        MakeFile("broken.png", "\x89PNG\r\n\x1a\n not really"), folder_.path().toStdString()}) {
    ASSERT_TRUE(alerts.LoadAboutIcon(good, 128));
    EXPECT_FALSE(alerts.LoadAboutIcon(path, 128)) << path;
    EXPECT_TRUE(alerts.AboutIcon().isNull()) << "an earlier picture stays after " << path;
  }
  EXPECT_EQ(QtMessages::All(), QStringList()) << QtMessages::All().join('\n').toStdString();
}

// The picture is read when shown: one whose file has gone since start-up gives none (the alert
// then shows the application's icon), and one put back shows again.
TEST_F(AboutIconTest, PictureIsReadWhenShown) {
  QtAlerts alerts;
  const std::string path = MakePicture("later.png", 64, 64);
  ASSERT_TRUE(alerts.LoadAboutIcon(path, 64));
  ASSERT_TRUE(QFile::remove(QString::fromStdString(path)));
  EXPECT_TRUE(alerts.AboutIcon().isNull());
  MakePicture("later.png", 64, 64);
  EXPECT_EQ(alerts.AboutIcon().size(), QSize(128, 128));
}

// What an alert shows in its icon place, and the application's icon drawn at that size.
struct ShownIcon {
  QSizeF points;
  QMessageBox::Icon standard = QMessageBox::NoIcon;
  QImage shown;
  QImage application;
};

ShownIcon IconOfAlert(QtAlerts& alerts, bool withAboutIcon) {
  ShownIcon icon;
  WhenModal<QMessageBox> driver([&](QMessageBox* box) {
    const QPixmap pixmap = box->iconPixmap();
    icon.points = pixmap.deviceIndependentSize();
    icon.standard = box->icon();
    icon.shown = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    icon.application =
        ApplicationIcon()
            .pixmap(pixmap.deviceIndependentSize().toSize(), pixmap.devicePixelRatio())
            .toImage()
            .convertToFormat(QImage::Format_ARGB32);
    box->buttons().front()->click();
  });
  alerts.RunAlert({.message = u"Pigmora 1.03\n(Intel)",
                   .informative = u"",
                   .withAboutIcon = withAboutIcon,
                   .buttons = {u"Ok", u"See My Other Apps"}});
  EXPECT_TRUE(driver.Acted());
  return icon;
}

TEST_F(AboutIconTest, AlertShowsTheIconOnlyWhenAsked) {
  QtAlerts alerts;
  ASSERT_TRUE(alerts.LoadAboutIcon(MakePicture("icon.png", 256, 256), 64));
  const ShownIcon asked = IconOfAlert(alerts, true);
  EXPECT_EQ(asked.points, QSizeF(64, 64));
  EXPECT_EQ(asked.standard, QMessageBox::NoIcon);
  const ShownIcon notAsked = IconOfAlert(alerts, false);
  EXPECT_NE(notAsked.standard, QMessageBox::Information);
  EXPECT_TRUE(notAsked.shown == notAsked.application) << "not the application's icon";
}

// Without its picture (none loaded, or an alert that asks for none) an alert shows the
// application's own icon, not the desktop's information sign.
TEST_F(AboutIconTest, AlertWithoutItsPictureShowsTheApplicationsIcon) {
  ASSERT_FALSE(ApplicationIcon().isNull());
  QtAlerts alerts;
  ASSERT_FALSE(alerts.LoadAboutIcon(folder_.filePath("absent.png").toStdString(), 64));
  for (bool withAboutIcon : {true, false}) {
    const ShownIcon icon = IconOfAlert(alerts, withAboutIcon);
    ASSERT_FALSE(icon.shown.isNull()) << withAboutIcon;
    EXPECT_GE(icon.shown.width(), 32) << withAboutIcon;
    EXPECT_NE(icon.standard, QMessageBox::Information) << withAboutIcon;
    EXPECT_TRUE(icon.shown == icon.application)
        << "not the application's icon, about icon asked: " << withAboutIcon;
  }
}

TEST(QtAlerts, MainScreenScaleIsThePrimaryScreensRatio) {
  QtAlerts alerts;
  ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
  EXPECT_EQ(alerts.MainScreenScale(), QGuiApplication::primaryScreen()->devicePixelRatio());
  EXPECT_EQ(alerts.MainScreenScale(), 1.0);  // Xvfb without scaling
}

}  // namespace
}  // namespace pigmora::qt
