// Which session the environment describes.
#include "platform/qt/session_type.h"

#include <gtest/gtest.h>

#include "platform_test_support.h"

namespace pigmora::qt {
namespace {

using test::ScopedEnv;

struct SessionCase {
  const char* waylandDisplay;
  const char* xdgSessionType;
  SessionType expected;
};

class SessionTypeTable : public testing::TestWithParam<SessionCase> {};

TEST_P(SessionTypeTable, FromTheTwoVariables) {
  const SessionCase& c = GetParam();
  EXPECT_EQ(SessionTypeFrom(c.waylandDisplay, c.xdgSessionType), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SessionTypeTable,
    testing::Values(SessionCase{nullptr, nullptr, SessionType::X11},
                    SessionCase{"", "", SessionType::X11},
                    SessionCase{nullptr, "x11", SessionType::X11},
                    SessionCase{nullptr, "tty", SessionType::X11},
                    // Only the exact word: the login manager writes it in lower case.
                    SessionCase{nullptr, "Wayland", SessionType::X11},
                    SessionCase{nullptr, "wayland", SessionType::Wayland},
                    SessionCase{"wayland-0", nullptr, SessionType::Wayland},
                    SessionCase{"/run/user/1000/wayland-1", "", SessionType::Wayland},
                    // A compositor socket in the environment wins over what the login manager said.
                    SessionCase{"wayland-1", "x11", SessionType::Wayland},
                    SessionCase{"", "wayland", SessionType::Wayland}));

TEST(SessionType, ReadsThisProcessEnvironment) {
  ScopedEnv session("XDG_SESSION_TYPE", nullptr);
  {
    ScopedEnv display("WAYLAND_DISPLAY", nullptr);
    EXPECT_EQ(CurrentSessionType(), SessionType::X11);
  }
  ScopedEnv display("WAYLAND_DISPLAY", "wayland-7");
  EXPECT_EQ(CurrentSessionType(), SessionType::Wayland);
}

// Which desktop the session is: KDE's and GNOME's own services serve where a portal would not.
TEST(SessionType, DesktopIsOneOfTheNamesOfXdgCurrentDesktop) {
  EXPECT_TRUE(DesktopIs("KDE", "KDE"));
  EXPECT_TRUE(DesktopIs("kde", "KDE"));
  EXPECT_TRUE(DesktopIs("ubuntu:GNOME", "GNOME"));
  EXPECT_TRUE(DesktopIs("GNOME:GNOME-Classic", "GNOME"));
  EXPECT_FALSE(DesktopIs("GNOME", "KDE"));
  EXPECT_FALSE(DesktopIs("KDEish", "KDE"));
  EXPECT_FALSE(DesktopIs("GNOME-Flashback", "GNOME"));
  EXPECT_FALSE(DesktopIs("", "KDE"));
  EXPECT_FALSE(DesktopIs(nullptr, "GNOME"));
}

}  // namespace
}  // namespace pigmora::qt
