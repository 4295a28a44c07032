// Global hot keys against the test session's real X server: the grabs the service makes are
// probed from a second client, which is what another program holding a combination looks like.
#include "platform/x11/xcb_hotkey_service.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "platform/qt/qt_system_events.h"
#include "platform/x11/x11_key_map.h"
#include "platform_test_support.h"

namespace pigmora::qt {
namespace {

using platform::HotkeyId;
using platform::HotkeyRef;
using platform::kHotkeyCommand;
using platform::kHotkeyControl;
using platform::kHotkeyOption;
using platform::kHotkeyShift;

constexpr uint32_t kMacP = 35;
constexpr uint32_t kMacO = 31;
constexpr uint32_t kMacF5 = 96;
constexpr uint32_t kMacSection = 10;  // the ISO key a US keyboard does not have
constexpr uint32_t kMacUnknown = 52;  // not a key of the program's table
constexpr uint32_t kCtrlAltCmd = kHotkeyControl | kHotkeyOption | kHotkeyCommand;
constexpr uint16_t kXCtrlAltSuper = kX11ControlMask | kX11Mod1Mask | kX11Mod4Mask;

// A second X client, standing for another program on the desktop.
class OtherClient {
 public:
  OtherClient() : connection_(xcb_connect(nullptr, nullptr)) {
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    symbols_ = xcb_key_symbols_alloc(connection_);
  }
  ~OtherClient() {
    xcb_key_symbols_free(symbols_);
    xcb_disconnect(connection_);
  }
  bool ok() const { return xcb_connection_has_error(connection_) == 0; }

  uint8_t Keycode(uint32_t keysym) {
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols_, keysym);
    const uint8_t code = codes ? codes[0] : 0;
    std::free(codes);
    return code;
  }
  // True when the server granted the grab, false on BadAccess.
  bool Grab(uint8_t keycode, uint16_t modifiers) {
    xcb_generic_error_t* error = xcb_request_check(
        connection_, xcb_grab_key_checked(connection_, 1, root_, modifiers, keycode,
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::free(error);
    return error == nullptr;
  }
  void Ungrab(uint8_t keycode, uint16_t modifiers) {
    xcb_ungrab_key(connection_, keycode, root_, modifiers);
    xcb_flush(connection_);
  }

 private:
  xcb_connection_t* connection_;
  xcb_window_t root_ = 0;
  xcb_key_symbols_t* symbols_ = nullptr;
};

// The lock variants every grab has to cover on this server.
struct Locks {
  uint16_t numLock = 0;
  uint16_t capsLock = 0;
};

Locks ServerLocks(OtherClient& client) {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  Locks locks;
  auto* reply =
      xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr);
  if (reply) {
    const std::span<const uint8_t> mapping(xcb_get_modifier_mapping_keycodes(reply),
                                           xcb_get_modifier_mapping_keycodes_length(reply));
    const uint8_t num[] = {client.Keycode(0xff7f)};
    const uint8_t caps[] = {client.Keycode(0xffe5)};
    locks.numLock = ModifierMaskOfKeycodes(mapping, reply->keycodes_per_modifier, num);
    locks.capsLock = ModifierMaskOfKeycodes(mapping, reply->keycodes_per_modifier, caps);
    std::free(reply);
  }
  xcb_disconnect(connection);
  return locks;
}

class XcbHotkeyServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(other.ok());
    ASSERT_EQ(service.InstallHandler([this](std::optional<HotkeyId> id) {
      pressed.push_back(id);
      return 0;
    }),
              0);
    keycodeP = other.Keycode(0x70);  // XK_p
    keycodeO = other.Keycode(0x6f);  // XK_o
    ASSERT_NE(keycodeP, 0);
    ASSERT_NE(keycodeO, 0);
    locks = ServerLocks(other);
  }

  // Hands the filter a key event as the xcb plugin would.
  // One key event at the server time `time` (a fresh time, later than every earlier one, when 0).
  bool Deliver(uint8_t type, uint8_t keycode, uint16_t state, bool onRoot = true,
               uint32_t time = 0) {
    xcb_key_press_event_t event{};
    event.response_type = type;
    event.detail = keycode;
    event.state = state;
    event.time = time != 0 ? time : (clock += 100);
    event.root = xcb_setup_roots_iterator(xcb_get_setup(ConnectionOfQt())).data->root;
    event.event = onRoot ? event.root : event.root + 1;
    qintptr result = 0;
    return QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &event,
                                                                   &result);
  }

  static xcb_connection_t* ConnectionOfQt() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
  }

  // A whole press: the key goes down and comes up again. Whether the press was taken.
  bool Tap(uint8_t keycode, uint16_t state) {
    const bool taken = Deliver(XCB_KEY_PRESS, keycode, state);
    Deliver(XCB_KEY_RELEASE, keycode, state);
    return taken;
  }

  std::vector<uint16_t> Variants(uint16_t mods) const {
    return LockVariants(mods, locks.numLock, locks.capsLock);
  }

  OtherClient other;
  XcbHotkeyService service;
  std::vector<std::optional<HotkeyId>> pressed;
  uint32_t clock = 1000;
  uint8_t keycodeP = 0;
  uint8_t keycodeO = 0;
  Locks locks;
};

TEST_F(XcbHotkeyServiceTest, TheServerHasNumLockAndCapsLockOnModifiers) {
  // The lock variants below only mean something where both locks exist, as on every desktop.
  EXPECT_NE(locks.numLock, 0);
  EXPECT_NE(locks.capsLock, 0);
  EXPECT_EQ(Variants(kXCtrlAltSuper).size(), 4u);
}

TEST_F(XcbHotkeyServiceTest, RegisteringHoldsEveryLockVariantAndUnregisteringReleasesThem) {
  HotkeyRef ref = 0;
  ASSERT_EQ(service.Register(kMacP, kCtrlAltCmd, {0x68303031, 1}, ref), 0);
  for (uint16_t state : Variants(kXCtrlAltSuper)) {
    EXPECT_FALSE(other.Grab(keycodeP, state)) << "state 0x" << std::hex << state;
  }
  // Other modifiers on the same key stay free: the grab is exactly Ctrl+Alt+Super.
  for (uint16_t state : {uint16_t{0}, kX11Mod4Mask, uint16_t(kX11ControlMask | kX11Mod1Mask),
                         uint16_t(kXCtrlAltSuper | kX11ShiftMask)}) {
    EXPECT_TRUE(other.Grab(keycodeP, state)) << "state 0x" << std::hex << state;
    other.Ungrab(keycodeP, state);
  }

  ASSERT_EQ(service.Unregister(ref), 0);
  for (uint16_t state : Variants(kXCtrlAltSuper)) {
    EXPECT_TRUE(other.Grab(keycodeP, state)) << "state 0x" << std::hex << state;
    other.Ungrab(keycodeP, state);
  }
  EXPECT_NE(service.Unregister(ref), 0) << "a released reference is no longer registered";
}

TEST_F(XcbHotkeyServiceTest, ACombinationHeldByAnotherClientIsRefusedWithoutLeftovers) {
  // The other client holds only the NumLock variant, so most of our grabs would succeed.
  const uint16_t held = kXCtrlAltSuper | locks.numLock;
  ASSERT_TRUE(other.Grab(keycodeO, held));
  HotkeyRef ref = 0;
  EXPECT_NE(service.Register(kMacO, kCtrlAltCmd, {0x68303032, 2}, ref), 0);
  // None of the variants we did get is left behind.
  for (uint16_t state : Variants(kXCtrlAltSuper)) {
    if (state == held) continue;
    EXPECT_TRUE(other.Grab(keycodeO, state)) << "left over: state 0x" << std::hex << state;
    other.Ungrab(keycodeO, state);
  }
  other.Ungrab(keycodeO, held);
  // Once the other client lets go, the same combination registers.
  EXPECT_EQ(service.Register(kMacO, kCtrlAltCmd, {0x68303033, 3}, ref), 0);
  EXPECT_EQ(service.Unregister(ref), 0);
}

TEST_F(XcbHotkeyServiceTest, RefusesKeysWithoutAKeyAndCombinationsItAlreadyHolds) {
  HotkeyRef ref = 0;
  EXPECT_NE(service.Register(kMacUnknown, kHotkeyCommand, {0x68303031, 1}, ref), 0);
  EXPECT_NE(service.Register(kMacSection, kHotkeyCommand, {0x68303031, 1}, ref), 0);

  HotkeyRef first = 0;
  ASSERT_EQ(service.Register(kMacF5, kHotkeyCommand, {0x68303031, 1}, first), 0);
  HotkeyRef second = 0;
  EXPECT_NE(service.Register(kMacF5, kHotkeyCommand, {0x68303032, 2}, second), 0);
  // The same key with other modifiers is another combination.
  ASSERT_EQ(service.Register(kMacF5, kHotkeyCommand | kHotkeyShift, {0x68303033, 3}, second), 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(service.Unregister(first), 0);
  EXPECT_EQ(service.Unregister(second), 0);
}

TEST_F(XcbHotkeyServiceTest, PressesMatchOnTheFourModifiersWhateverTheLocks) {
  HotkeyRef picker = 0;
  HotkeyRef forward = 0;
  ASSERT_EQ(service.Register(kMacP, kCtrlAltCmd, {0x68303031, 1}, picker), 0);
  ASSERT_EQ(service.Register(kMacO, kHotkeyControl | kHotkeyOption, {0x68303032, 2}, forward), 0);

  struct Press {
    uint8_t keycode;
    uint16_t state;
    std::optional<uint32_t> firesId;
  };
  const uint16_t ctrlAlt = kX11ControlMask | kX11Mod1Mask;
  const Press presses[] = {
      {keycodeP, kXCtrlAltSuper, 1},
      {keycodeP, uint16_t(kXCtrlAltSuper | locks.numLock), 1},
      {keycodeP, uint16_t(kXCtrlAltSuper | locks.capsLock), 1},
      {keycodeP, uint16_t(kXCtrlAltSuper | locks.numLock | locks.capsLock | 0x100), 1},
      {keycodeO, ctrlAlt, 2},
      {keycodeO, uint16_t(ctrlAlt | locks.numLock), 2},
      // The bare key, a missing modifier or one too many is no hot key.
      {keycodeP, 0, std::nullopt},
      {keycodeP, locks.numLock, std::nullopt},
      {keycodeP, ctrlAlt, std::nullopt},
      {keycodeP, uint16_t(kXCtrlAltSuper | kX11ShiftMask), std::nullopt},
      {keycodeO, kXCtrlAltSuper, std::nullopt},
  };
  for (const Press& press : presses) {
    pressed.clear();
    const bool taken = Tap(press.keycode, press.state);
    EXPECT_EQ(taken, press.firesId.has_value()) << "state 0x" << std::hex << press.state;
    if (press.firesId) {
      ASSERT_EQ(pressed.size(), 1u);
      ASSERT_TRUE(pressed[0].has_value());
      EXPECT_EQ(pressed[0]->id, *press.firesId);
      EXPECT_EQ(pressed[0]->signature, 0x68303030 + *press.firesId);
    } else {
      EXPECT_TRUE(pressed.empty()) << "state 0x" << std::hex << press.state;
    }
  }

  // Releases, presses sent through SendEvent to another window, and presses after the hot key
  // is gone fire nothing.
  pressed.clear();
  Deliver(XCB_KEY_RELEASE, keycodeP, kXCtrlAltSuper);
  EXPECT_FALSE(Deliver(XCB_KEY_PRESS, keycodeP, kXCtrlAltSuper, false));
  ASSERT_EQ(service.Unregister(picker), 0);
  EXPECT_FALSE(Tap(keycodeP, kXCtrlAltSuper));
  EXPECT_TRUE(pressed.empty());
  EXPECT_EQ(service.Unregister(forward), 0);
}

TEST_F(XcbHotkeyServiceTest, AHeldKeyFiresOnceAndFastPressesEachFire) {
  HotkeyRef picker = 0;
  ASSERT_EQ(service.Register(kMacP, kCtrlAltCmd, {0x68303031, 1}, picker), 0);
  // Xvfb has XKB, so the service has detectable auto-repeat: a held key sends presses without
  // releases between; every one is taken, one fires.
  EXPECT_TRUE(Deliver(XCB_KEY_PRESS, keycodeP, kXCtrlAltSuper, true, 5000));
  EXPECT_TRUE(Deliver(XCB_KEY_PRESS, keycodeP, kXCtrlAltSuper, true, 5300));
  EXPECT_TRUE(Deliver(XCB_KEY_PRESS, keycodeP, kXCtrlAltSuper, true, 5333));
  // The modifiers may come up before the key.
  EXPECT_TRUE(Deliver(XCB_KEY_RELEASE, keycodeP, 0, true, 5350));
  EXPECT_EQ(pressed.size(), 1u);
  // Presses a program types within one millisecond are real ones, each fires.
  pressed.clear();
  for (int i = 0; i < 3; ++i) {
    Deliver(XCB_KEY_PRESS, keycodeP, kXCtrlAltSuper, true, 6000);
    Deliver(XCB_KEY_RELEASE, keycodeP, kXCtrlAltSuper, true, 6000);
  }
  EXPECT_EQ(pressed.size(), 3u);
  EXPECT_EQ(service.Unregister(picker), 0);
}

TEST_F(XcbHotkeyServiceTest, AReleaseThatGoesToOurFocusedWindowStillEndsThePress) {
  HotkeyRef picker = 0;
  ASSERT_EQ(service.Register(kMacP, kCtrlAltCmd, {0x68303031, 1}, picker), 0);
  // With the preferences window focused, the grab's owner events send the release there.
  EXPECT_TRUE(Deliver(XCB_KEY_PRESS, keycodeP, kXCtrlAltSuper, true, 8000));
  EXPECT_FALSE(Deliver(XCB_KEY_RELEASE, keycodeP, kXCtrlAltSuper, false, 8100));
  EXPECT_TRUE(Deliver(XCB_KEY_PRESS, keycodeP, kXCtrlAltSuper, true, 9000));
  EXPECT_EQ(pressed.size(), 2u);
  EXPECT_EQ(service.Unregister(picker), 0);
}

TEST_F(XcbHotkeyServiceTest, AShortcutFieldWithTheFocusSuspendsTheGrabsAndRegistrationsGoOn) {
  HotkeyRef picker = 0;
  ASSERT_EQ(service.Register(kMacP, kCtrlAltCmd, {0x68303031, 1}, picker), 0);
  const uint16_t ctrlAlt = kX11ControlMask | kX11Mod1Mask;
  const auto freeForOthers = [this](uint8_t keycode, uint16_t state) {
    const bool granted = other.Grab(keycode, state);
    if (granted) other.Ungrab(keycode, state);
    return granted;
  };

  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* field = new QLineEdit(&window);
  field->setProperty(kShortcutFieldProperty, true);
  auto* plain = new QLineEdit(&window);
  layout->addWidget(field);
  layout->addWidget(plain);
  window.show();
  window.activateWindow();
  field->setFocus();
  ASSERT_TRUE(test::ProcessUntil([&] { return QApplication::focusWidget() == field; }));
  EXPECT_TRUE(test::ProcessUntil([&] { return freeForOthers(keycodeP, kXCtrlAltSuper); }))
      << "the picker's combination stays grabbed while a shortcut field has the focus";

  // Registered meanwhile: recorded, not grabbed; a duplicate and a combination another client
  // holds are refused as always.
  HotkeyRef forward = 0;
  EXPECT_EQ(service.Register(kMacO, kHotkeyControl | kHotkeyOption, {0x68303032, 2}, forward), 0);
  EXPECT_TRUE(freeForOthers(keycodeO, ctrlAlt));
  HotkeyRef again = 0;
  EXPECT_NE(service.Register(kMacO, kHotkeyControl | kHotkeyOption, {0x68303033, 3}, again), 0);
  const uint8_t keycodeF5 = other.Keycode(0xffc2);  // XK_F5
  ASSERT_TRUE(other.Grab(keycodeF5, kX11Mod4Mask));
  HotkeyRef held = 0;
  EXPECT_NE(service.Register(kMacF5, kHotkeyCommand, {0x68303034, 4}, held), 0);
  other.Ungrab(keycodeF5, kX11Mod4Mask);
  // Unregistered meanwhile: not grabbed again later.
  ASSERT_EQ(service.Unregister(picker), 0);

  // Any other focus brings back exactly what is registered.
  plain->setFocus();
  ASSERT_TRUE(test::ProcessUntil([&] { return QApplication::focusWidget() == plain; }));
  EXPECT_TRUE(test::ProcessUntil([&] { return !freeForOthers(keycodeO, ctrlAlt); }))
      << "the hot key registered during the suspension is not grabbed after it";
  EXPECT_TRUE(freeForOthers(keycodeP, kXCtrlAltSuper));
  EXPECT_TRUE(freeForOthers(keycodeF5, kX11Mod4Mask));
  EXPECT_TRUE(Tap(keycodeO, ctrlAlt));
  EXPECT_EQ(pressed.size(), 1u);
  EXPECT_EQ(service.Unregister(forward), 0);
}

TEST(XcbHotkeyServiceWithoutHandlerTest, RegisteringBeforeTheHandlerIsInstalledIsRefused) {
  XcbHotkeyService service;
  HotkeyRef ref = 0;
  EXPECT_NE(service.Register(kMacP, kCtrlAltCmd, {0x68303031, 1}, ref), 0);
  EXPECT_NE(service.Unregister(1), 0);
}

}  // namespace
}  // namespace pigmora::qt
