#include "platform/gnome/gnome_shortcuts_hotkey_service.h"

#include <QTimer>
#include <array>
#include <utility>

#include "platform/wayland/portal_notice.h"
#include "platform/wayland/portal_trigger.h"

namespace pigmora::gnome {

namespace {

// Our actions and the command-line option that runs each in the running program.
constexpr std::array<std::pair<const char*, const char*>, 3> kActionOptions{
    {{"picker", "--show-picker"}, {"forward", "--cycle-forward"}, {"back", "--cycle-back"}}};

// The program's path as GNOME's command line reads it (shell words): quoted unless plain.
std::string ShellWord(const std::string& text) {
  const bool plain = !text.empty() && text.find_first_not_of(
                                          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                          "0123456789/._-+") == std::string::npos;
  if (plain) return text;
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Utf8(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

}  // namespace

GnomeShortcutsHotkeyService::GnomeShortcutsHotkeyService(wayland::PortalHotkeyService& portal,
                                                         std::unique_ptr<CustomShortcuts> settings,
                                                         QString program)
    : portal_(portal),
      settings_(std::move(settings)),
      program_(std::move(program)),
      added_(settings_->HasOurs()) {}

int GnomeShortcutsHotkeyService::InstallHandler(
    std::function<int(std::optional<platform::HotkeyId>)> onPressed) {
  return portal_.InstallHandler(std::move(onPressed));
}

int GnomeShortcutsHotkeyService::Register(uint32_t keyCode, uint32_t modifiers,
                                          platform::HotkeyId id, platform::HotkeyRef& ref) {
  const int result = portal_.Register(keyCode, modifiers, id, ref);
  if (result == 0) hotKeys_[ref] = {wayland::PortalTrigger(keyCode, modifiers), "", ""};
  return result;
}

int GnomeShortcutsHotkeyService::Unregister(platform::HotkeyRef ref) {
  const int result = portal_.Unregister(ref);
  if (result == 0 && hotKeys_.erase(ref) > 0) ScheduleUpdate();
  return result;
}

void GnomeShortcutsHotkeyService::NameHotkey(platform::HotkeyRef ref,
                                             const platform::HotkeyAction& action) {
  portal_.NameHotkey(ref, action);
  const auto hotKey = hotKeys_.find(ref);
  if (hotKey == hotKeys_.end()) return;
  hotKey->second.action = std::string(action.name);
  hotKey->second.title = Utf8(action.title);
  ScheduleUpdate();
}

std::optional<std::u16string> GnomeShortcutsHotkeyService::BindingProblem(platform::HotkeyRef ref) {
  if (!added_) return portal_.BindingProblem(ref);
  const auto hotKey = hotKeys_.find(ref);
  if (hotKey == hotKeys_.end()) return std::nullopt;
  // GNOME runs the first of two shortcuts on one key and never the other.
  if (const auto taken = settings_->TakenBy(hotKey->second.trigger)) {
    return u"Not active: GNOME already uses this key for \u201c" +
           QString::fromStdString(*taken).toStdU16String() +
           u"\u201d. Choose another one here, or change GNOME's in Settings \u2192 Keyboard.";
  }
  return std::nullopt;
}

void GnomeShortcutsHotkeyService::SetBindingsChangedHandler(std::function<void()> onChanged) {
  portal_.SetBindingsChangedHandler(std::move(onChanged));
}

std::optional<platform::DesktopShortcuts> GnomeShortcutsHotkeyService::DesktopShortcutsOffer() {
  // Ours stay removable on a GNOME that has the portal since they were added.
  if (!added_ && !portal_.HasNoGlobalShortcuts()) return std::nullopt;
  return platform::DesktopShortcuts{u"GNOME", added_};
}

bool GnomeShortcutsHotkeyService::SetDesktopShortcuts(bool added) {
  bool written = true;
  if (added) {
    added_ = true;
    written = WriteEntries();
  } else {
    for (const auto& [action, option] : kActionOptions)
      written = settings_->Remove(action) && written;
  }
  added_ = settings_->HasOurs();
  return written || Fail();
}

void GnomeShortcutsHotkeyService::ScheduleUpdate() {
  // A key swap unregisters and registers again: one write for the whole change.
  if (!added_ || updateScheduled_) return;
  updateScheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    updateScheduled_ = false;
    if (added_ && !WriteEntries()) Fail();
  });
}

bool GnomeShortcutsHotkeyService::WriteEntries() {
  bool written = true;
  for (const auto& [action, option] : kActionOptions) {
    const HotKey* named = nullptr;
    for (const auto& [ref, hotKey] : hotKeys_) {
      if (hotKey.action == action) named = &hotKey;
    }
    if (named == nullptr) {
      // The field was emptied: GNOME keeps no entry for it.
      written = settings_->Remove(action) && written;
      continue;
    }
    written = settings_->Put({.action = action,
                              .name = named->title,
                              .command = ShellWord(program_.toStdString()) + " " + option,
                              .binding = GnomeAccelerator(named->trigger)}) &&
              written;
  }
  return written;
}

bool GnomeShortcutsHotkeyService::Fail() {
  wayland::TellOnce(wayland::NoticeSubject::DesktopShortcuts,
                    "GNOME's keyboard shortcuts could not be changed: " + settings_->LastError() +
                        "; Pigmora's entries in GNOME Settings \u2192 Keyboard \u2192 Custom "
                        "Shortcuts may not match its keys.");
  return false;
}

}  // namespace pigmora::gnome
