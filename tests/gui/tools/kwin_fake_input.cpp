// Input for the KWin tests, given through KWin itself as a keyboard or mouse would: KWin's own
// fake-input protocol (org_kde_kwin_fake_input), which KWin offers only to programs a desktop file
// allows it to (X-KDE-Wayland-Interfaces). xdotool cannot serve there: its events stay inside
// XWayland and never reach KWin, its shortcuts or native Wayland windows.
//
//   kwin_fake_input key KEY_LEFTCTRL+KEY_LEFTALT+KEY_P
//       presses the keys in order and releases them in reverse (names: linux/input-event-codes.h)
//   kwin_fake_input click X Y
//       moves the pointer to X,Y and clicks
//
// Exits 0 once KWin has had every event (a round trip after the last one), 2 on bad arguments,
// 1 when the compositor or its fake-input interface is not there.
#include <libevdev/libevdev.h>
#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "fake-input-client-protocol.h"

namespace {

constexpr uint32_t kReleased = 0;
constexpr uint32_t kPressed = 1;

struct Globals {
  org_kde_kwin_fake_input* fake_input = nullptr;
  uint32_t version = 0;
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
  auto* globals = static_cast<Globals*>(data);
  if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0) {
    globals->version = std::min<uint32_t>(version, 4);
    globals->fake_input = static_cast<org_kde_kwin_fake_input*>(
        wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, globals->version));
  }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

// "KEY_LEFTCTRL+KEY_P" as key codes; empty when a name is not a key.
std::vector<uint32_t> KeyCodes(const std::string& combination) {
  std::vector<uint32_t> codes;
  std::stringstream parts(combination);
  std::string name;
  while (std::getline(parts, name, '+')) {
    const int code = libevdev_event_code_from_name(EV_KEY, name.c_str());
    if (code < 0) return {};
    codes.push_back(static_cast<uint32_t>(code));
  }
  return codes;
}

int Usage() {
  std::fputs("usage: kwin_fake_input key KEY_A[+KEY_B...] | click X Y\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  std::vector<uint32_t> keys;
  double x = 0, y = 0;
  if (command == "key") {
    keys = KeyCodes(argv[2]);
    if (keys.empty()) return Usage();
  } else if (command == "click" && argc == 4) {
    x = std::atof(argv[2]);
    y = std::atof(argv[3]);
  } else {
    return Usage();
  }

  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::fputs("kwin_fake_input: no Wayland compositor\n", stderr);
    return 1;
  }
  Globals globals;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, &globals);
  wl_display_roundtrip(display);
  // Key presses came with version 4, absolute pointer motion with 3.
  if (globals.fake_input == nullptr || globals.version < (command == "key" ? 4u : 3u)) {
    std::fputs("kwin_fake_input: the compositor offers this program no org_kde_kwin_fake_input\n",
               stderr);
    wl_display_disconnect(display);
    return 1;
  }
  org_kde_kwin_fake_input_authenticate(globals.fake_input, "Pigmora tests",
                                       "drives the program under test");
  if (command == "key") {
    for (uint32_t key : keys)
      org_kde_kwin_fake_input_keyboard_key(globals.fake_input, key, kPressed);
    for (auto key = keys.rbegin(); key != keys.rend(); ++key)
      org_kde_kwin_fake_input_keyboard_key(globals.fake_input, *key, kReleased);
  } else {
    org_kde_kwin_fake_input_pointer_motion_absolute(globals.fake_input, wl_fixed_from_double(x),
                                                    wl_fixed_from_double(y));
    org_kde_kwin_fake_input_button(globals.fake_input, BTN_LEFT, kPressed);
    org_kde_kwin_fake_input_button(globals.fake_input, BTN_LEFT, kReleased);
  }
  wl_display_roundtrip(display);
  org_kde_kwin_fake_input_destroy(globals.fake_input);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return 0;
}
