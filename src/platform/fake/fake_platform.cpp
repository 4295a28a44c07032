#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/app_event.h"
#include "app/unicode_text.h"

namespace pigmora::fake {

namespace {
std::string U8(const std::u16string& text) {
  return ToUtf8(text);
}
}  // namespace

FakePlatform::FakePlatform()
    : platform{events,  defaults, pasteboard, colorPanel,  sound,        statusBar,
               hotkeys, alerts,   paths,      preferences, startAtLogin, instance} {}

std::vector<std::string> FakePlatform::CallsStartingWith(std::string_view prefix) const {
  std::vector<std::string> out;
  for (const auto& call : calls) {
    if (call.starts_with(prefix)) out.push_back(call);
  }
  return out;
}

// --- system events ---

bool FakeSystemEvents::PressKey(const platform::KeyDown& keyDown) {
  return keyDownFilter && keyDownFilter(keyDown);
}

void FakeSystemEvents::WaitAndHandleSystemEvents() {
  if (!script.empty()) {
    auto step = std::move(script.front());
    script.pop_front();
    step();
    return;
  }
  owner_.Record("events.idle");
  if (owner_.statusBar.exists && owner_.statusBar.onChoose) {
    owner_.statusBar.onChoose(MenuQuit);
    return;
  }
  std::fputs("fake platform: the loop waits with nothing scripted and no way to quit\n", stderr);
  std::abort();
}

void FakeSystemEvents::ActivateApplication() {
  owner_.Record("events.activate");
}

// --- defaults ---

std::optional<std::u16string> FakeDefaults::ReadText(std::string_view key) {
  auto it = values.find(key);
  if (it == values.end()) return std::nullopt;
  if (auto* text = std::get_if<std::u16string>(&it->second)) return *text;
  return std::nullopt;
}

int64_t FakeDefaults::ReadInteger(std::string_view key) {
  auto it = values.find(key);
  if (it == values.end()) return 0;
  if (auto* number = std::get_if<int64_t>(&it->second)) return *number;
  return 0;
}

void FakeDefaults::WriteText(std::string_view key, const std::u16string& text) {
  owner_.Record("defaults.text " + std::string(key) + "=" + U8(text));
  values.insert_or_assign(std::string(key), text);
}

void FakeDefaults::WriteInteger(std::string_view key, int64_t value) {
  owner_.Record("defaults.int " + std::string(key) + "=" + std::to_string(value));
  values.insert_or_assign(std::string(key), value);
}

void FakeDefaults::Synchronize() {
  owner_.Record("defaults.sync");
  synced = values;
}

// --- pasteboard, panel, sound ---

void FakePasteboard::SetText(const std::u16string& newText) {
  owner_.Record("pasteboard " + U8(newText));
  text = newText;
}

platform::ColorPanelResult FakeColorPanel::RunModal(const platform::RgbComponents& initial) {
  owner_.Record("panel.open");
  openedAt.push_back(initial);
  if (whileOpen) whileOpen();
  if (answers.empty()) return {};
  auto answer = answers.front();
  answers.pop_front();
  return answer;
}

void FakeSound::PlayCycleSound() {
  owner_.Record("sound");
  ++plays;
}

// --- status bar ---

bool FakeStatusBar::Choose(int64_t itemId) {
  const Item* item = Find(itemId);
  if (!exists || item == nullptr || !item->enabled || !onChoose) return false;
  onChoose(itemId);
  return true;
}

const FakeStatusBar::Item* FakeStatusBar::Find(int64_t itemId) const {
  auto it = std::find_if(menu.begin(), menu.end(),
                         [itemId](const Item& item) { return item.id == itemId && itemId != 0; });
  return it == menu.end() ? nullptr : &*it;
}

void FakeStatusBar::CreateItem(std::function<void(int64_t)> onChooseItem) {
  owner_.Record("status.create");
  exists = true;
  onChoose = std::move(onChooseItem);
  menu.clear();
}

void FakeStatusBar::SetImage(std::optional<int> symbolIndex) {
  owner_.Record("status.image " + (symbolIndex ? std::to_string(*symbolIndex) : "none"));
  image = symbolIndex;
}

void FakeStatusBar::SetTitle(const std::u16string& newTitle) {
  owner_.Record("status.title " + U8(newTitle));
  title = newTitle;
}

void FakeStatusBar::SetToolTip(const std::u16string& newToolTip) {
  owner_.Record("status.tooltip " + U8(newToolTip));
  toolTip = newToolTip;
}

void FakeStatusBar::AddMenuItem(int64_t itemId, const platform::MenuEntry& entry) {
  owner_.Record("status.add " + std::to_string(itemId) + " " + U8(entry.title));
  menu.push_back({itemId, entry, true});
}

void FakeStatusBar::AddSeparator() {
  owner_.Record("status.separator");
  menu.push_back({});
}

void FakeStatusBar::UpdateMenuItem(int64_t itemId, const platform::MenuEntry& entry) {
  owner_.Record("status.update " + std::to_string(itemId) + " " + U8(entry.title));
  for (auto& item : menu) {
    if (item.id == itemId && itemId != 0) item.entry = entry;
  }
}

void FakeStatusBar::SetMenuItemEnabled(int64_t itemId, bool enabled) {
  owner_.Record("status.enable " + std::to_string(itemId) + (enabled ? " 1" : " 0"));
  for (auto& item : menu) {
    if (item.id == itemId && itemId != 0) item.enabled = enabled;
  }
}

void FakeStatusBar::RemoveItem() {
  owner_.Record("status.remove");
  exists = false;
  menu.clear();
}

// --- hot keys ---

bool FakeHotkeys::Press(uint32_t keyCode, uint32_t modifiers) {
  for (const auto& [ref, grab] : grabs) {
    if (grab.keyCode == keyCode && grab.modifiers == modifiers) {
      handler(grab.id);
      return true;
    }
  }
  return false;
}

int FakeHotkeys::InstallHandler(std::function<int(std::optional<platform::HotkeyId>)> onPressed) {
  owner_.Record("hotkeys.install");
  if (installResult == 0) handler = std::move(onPressed);
  return installResult;
}

int FakeHotkeys::Register(uint32_t keyCode, uint32_t modifiers, platform::HotkeyId id,
                          platform::HotkeyRef& ref) {
  int result = 0;
  if (takenElsewhere.contains({keyCode, modifiers})) result = -9878;  // eventHotKeyExistsErr
  if (!acceptsDuplicates) {
    for (const auto& [held, grab] : grabs) {
      if (grab.keyCode == keyCode && grab.modifiers == modifiers) result = -9878;
    }
  }
  owner_.Record("hotkeys.register " + std::to_string(keyCode) + " " + std::to_string(modifiers) +
                " " + std::to_string(id.id) + " -> " + std::to_string(result));
  if (result != 0) return result;
  ref = nextRef_++;
  grabs[ref] = {keyCode, modifiers, id, {}, {}};
  return 0;
}

int FakeHotkeys::Unregister(platform::HotkeyRef ref) {
  const int result = stuck.contains(ref) || !grabs.contains(ref) ? -9876 : 0;
  owner_.Record("hotkeys.unregister " + std::to_string(ref) + " -> " + std::to_string(result));
  if (result == 0) grabs.erase(ref);
  return result;
}

void FakeHotkeys::NameHotkey(platform::HotkeyRef ref, const platform::HotkeyAction& action) {
  const auto grab = grabs.find(ref);
  if (grab == grabs.end()) return;
  grab->second.actionName = action.name;
  grab->second.actionTitle = action.title;
}

std::optional<std::u16string> FakeHotkeys::BindingProblem(platform::HotkeyRef ref) {
  const auto grab = grabs.find(ref);
  if (grab == grabs.end()) return std::nullopt;
  const auto problem = bindingProblems.find(grab->second.actionName);
  if (problem == bindingProblems.end()) return std::nullopt;
  return problem->second;
}

void FakeHotkeys::SetBindingsChangedHandler(std::function<void()> onChanged) {
  bindingsChanged = std::move(onChanged);
}

void FakeHotkeys::ChangeBinding(const std::string& actionName,
                                const std::optional<std::u16string>& problem) {
  if (problem) {
    bindingProblems[actionName] = *problem;
  } else {
    bindingProblems.erase(actionName);
  }
  if (bindingsChanged) bindingsChanged();
}

bool FakeHotkeys::SetDesktopShortcuts(bool added) {
  owner_.Record(std::string("hotkeys.desktop ") + (added ? "add" : "remove") +
                (desktopSettingsWritable ? "" : " -> refused"));
  if (!desktopShortcuts || !desktopSettingsWritable) return false;
  desktopShortcuts->added = added;
  return true;
}

// --- alerts ---

int FakeAlerts::RunAlert(const platform::AlertContent& content) {
  owner_.Record("alert " + U8(content.message));
  shown.push_back(content);
  if (whileOpen) whileOpen();
  if (answers.empty()) return platform::kFirstButtonReturn;
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

bool FakeAlerts::LoadAboutIcon(const std::string& path, int points) {
  owner_.Record("alerts.icon " + path + " " + std::to_string(points));
  if (!iconFileLoads) return false;
  loadedIcon = {path, points};
  return true;
}

// --- preferences window ---

FakePreferencesUi::Control* FakePreferencesUi::Find(int64_t id) {
  for (auto& control : controls) {
    if (control.id == id && id != -1) return &control;
  }
  return nullptr;
}

void FakePreferencesUi::ClickClose() {
  if (open && onClose) onClose();
}

void FakePreferencesUi::ChooseItem(int64_t id, int index) {
  Control* control = Find(id);
  if (!open || control == nullptr) return;
  control->selected = index;
  onControl(id, ChangeType);
}

void FakePreferencesUi::ClickCheckBox(int64_t id) {
  Control* control = Find(id);
  if (!open || control == nullptr) return;
  control->checked = !control->checked;
  onControl(id, 0);
}

void FakePreferencesUi::ClickButton(int64_t id) {
  if (open && Find(id) != nullptr) onControl(id, 0);
}

bool FakePreferencesUi::OpenWindow(const std::u16string& windowTitle, int contentWidth,
                                   int contentHeight, std::function<void()> onCloseClicked,
                                   platform::ControlHandler onChange) {
  owner_.Record("prefs.open");
  if (!canOpen) return false;
  open = true;
  ++opens;
  title = windowTitle;
  width = contentWidth;
  height = contentHeight;
  position.reset();
  controls.clear();
  onClose = std::move(onCloseClicked);
  onControl = std::move(onChange);
  return true;
}

void FakePreferencesUi::CloseWindow() {
  owner_.Record("prefs.close");
  open = false;
  controls.clear();
  onClose = nullptr;
  onControl = nullptr;
}

void FakePreferencesUi::MoveWindowTo(platform::Point topLeft) {
  owner_.Record("prefs.move " + std::to_string(topLeft.x) + " " + std::to_string(topLeft.y));
  position = topLeft;
}

namespace {
FakePreferencesUi::Control NewControl(std::string kind, int64_t id, platform::Rect frame) {
  FakePreferencesUi::Control control;
  control.kind = std::move(kind);
  control.id = id;
  control.frame = frame;
  return control;
}
}  // namespace

void FakePreferencesUi::AddLabel(const std::u16string& text, platform::Rect frame) {
  controls.push_back(NewControl("label", -1, frame));
  controls.back().text = text;
}

void FakePreferencesUi::AddShortcutField(int64_t id, platform::Rect frame,
                                         const std::u16string& placeholder) {
  controls.push_back(NewControl("field", id, frame));
  controls.back().items = {placeholder};
}

void FakePreferencesUi::AddPopUp(int64_t id, platform::Rect frame,
                                 const std::vector<std::u16string>& items, bool symbols) {
  Control control = NewControl(symbols ? "symbols" : "popup", id, frame);
  control.items = symbols ? std::vector<std::u16string>(6) : items;
  control.selected = 0;  // a new pop-up shows its first item
  controls.push_back(std::move(control));
}

void FakePreferencesUi::AddCheckBox(int64_t id, platform::Rect frame,
                                    const std::u16string& checkTitle) {
  controls.push_back(NewControl("checkbox", id, frame));
  controls.back().text = checkTitle;
}

void FakePreferencesUi::AddButton(int64_t id, platform::Rect frame,
                                  const std::u16string& buttonTitle) {
  controls.push_back(NewControl("button", id, frame));
  controls.back().text = buttonTitle;
}

void FakePreferencesUi::SetButtonTitle(int64_t id, const std::u16string& buttonTitle) {
  if (Control* control = Find(id)) control->text = buttonTitle;
}

std::u16string FakePreferencesUi::FieldText(int64_t id) {
  Control* control = Find(id);
  return control ? control->text : u"";
}

void FakePreferencesUi::SetFieldText(int64_t id, const std::u16string& text) {
  if (Control* control = Find(id)) control->text = text;
}

void FakePreferencesUi::SetFieldProblem(int64_t id, const std::optional<std::u16string>& reason) {
  if (Control* control = Find(id)) control->problem = reason;
}

int FakePreferencesUi::SelectedIndex(int64_t id) {
  Control* control = Find(id);
  return control ? control->selected : -1;
}

std::u16string FakePreferencesUi::SelectedTitle(int64_t id) {
  Control* control = Find(id);
  if (!control || control->selected < 0 ||
      control->selected >= static_cast<int>(control->items.size())) {
    return u"";
  }
  return control->items[control->selected];
}

void FakePreferencesUi::SelectIndex(int64_t id, int index) {
  Control* control = Find(id);
  if (control && index >= 0 && index < static_cast<int>(control->items.size())) {
    control->selected = index;
  }
}

void FakePreferencesUi::SelectTitle(int64_t id, const std::u16string& itemTitle) {
  Control* control = Find(id);
  if (!control) return;
  auto it = std::find(control->items.begin(), control->items.end(), itemTitle);
  if (it != control->items.end()) control->selected = static_cast<int>(it - control->items.begin());
}

void FakePreferencesUi::SetChecked(int64_t id, bool checked) {
  if (Control* control = Find(id)) control->checked = checked;
}

// --- start at login ---

bool FakeStartAtLogin::Install(const std::string& applicationPath) {
  owner_.Record("login.install " + applicationPath);
  if (!installWorks) return false;
  installedFor = applicationPath;
  return true;
}

void FakeStartAtLogin::Remove() {
  owner_.Record("login.remove");
  installedFor.reset();
}

// --- instance channel ---

bool FakeInstanceChannel::Send(platform::InstanceRequest request) {
  if (!onRequest) return false;
  onRequest(request);
  return true;
}

void FakeInstanceChannel::Listen(std::function<void(platform::InstanceRequest)> handler) {
  owner_.Record("instance.listen");
  onRequest = std::move(handler);
}

}  // namespace pigmora::fake
