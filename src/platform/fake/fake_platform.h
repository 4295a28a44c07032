#pragma once
// An in-memory platform for tests. Every call that reaches the platform is recorded, in order,
// in `calls`, so a test can assert the exact sequence (writes, synchronise, pasteboard, ...).
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "platform/platform.h"

namespace pigmora::fake {

class FakePlatform;

class FakeSystemEvents : public platform::SystemEvents {
 public:
  explicit FakeSystemEvents(FakePlatform& owner) : owner_(owner) {}
  // Each wait runs the next scripted step, which stands for the system events the user causes.
  // With no step left, the wait records "events.idle" and chooses the status menu's Quit, so a
  // scenario always ends.
  std::deque<std::function<void()>> script;
  std::function<bool(const platform::KeyDown&)> keyDownFilter;
  std::function<void(platform::TerminateRequest)> terminateHandler;
  int wakes = 0;

  // Offers a key-down as the system would; true when a filter took it.
  bool PressKey(const platform::KeyDown& keyDown);

  void WaitAndHandleSystemEvents() override;
  void Wake() override { ++wakes; }
  void SetKeyDownFilter(std::function<bool(const platform::KeyDown&)> filter) override {
    keyDownFilter = std::move(filter);
  }
  void SetTerminateHandler(std::function<void(platform::TerminateRequest)> handler) override {
    terminateHandler = std::move(handler);
  }
  void ActivateApplication() override;

 private:
  FakePlatform& owner_;
};

class FakeDefaults : public platform::DefaultsStore {
 public:
  explicit FakeDefaults(FakePlatform& owner) : owner_(owner) {}
  using Value = std::variant<std::u16string, int64_t>;
  std::map<std::string, Value, std::less<>> values;  // what the store holds now
  std::map<std::string, Value, std::less<>> synced;  // what the last Synchronize put on disk

  std::optional<std::u16string> ReadText(std::string_view key) override;
  int64_t ReadInteger(std::string_view key) override;
  void WriteText(std::string_view key, const std::u16string& text) override;
  void WriteInteger(std::string_view key, int64_t value) override;
  void Synchronize() override;

 private:
  FakePlatform& owner_;
};

class FakePasteboard : public platform::Pasteboard {
 public:
  explicit FakePasteboard(FakePlatform& owner) : owner_(owner) {}
  std::optional<std::u16string> text;
  void SetText(const std::u16string& newText) override;

 private:
  FakePlatform& owner_;
};

class FakeColorPanel : public platform::ColorPanel {
 public:
  explicit FakeColorPanel(FakePlatform& owner) : owner_(owner) {}
  // The answers of the next sessions, in order; with none left the panel is cancelled.
  std::deque<platform::ColorPanelResult> answers;
  std::vector<platform::RgbComponents> openedAt;
  // Runs while the panel is open (for instance, hot keys pressed meanwhile).
  std::function<void()> whileOpen;
  platform::ColorPanelResult RunModal(const platform::RgbComponents& initial) override;

 private:
  FakePlatform& owner_;
};

class FakeSound : public platform::Sound {
 public:
  explicit FakeSound(FakePlatform& owner) : owner_(owner) {}
  int plays = 0;
  void PlayCycleSound() override;

 private:
  FakePlatform& owner_;
};

class FakeStatusBar : public platform::StatusBar {
 public:
  explicit FakeStatusBar(FakePlatform& owner) : owner_(owner) {}
  struct Item {
    int64_t id = 0;  // 0 for a separator
    platform::MenuEntry entry;
    bool enabled = true;
  };
  bool exists = false;
  std::function<void(int64_t)> onChoose;
  std::optional<int> image;
  std::u16string title;
  std::u16string toolTip;
  std::vector<Item> menu;

  // Chooses a menu item as the user would; false when the item is missing or disabled.
  bool Choose(int64_t itemId);
  const Item* Find(int64_t itemId) const;

  void CreateItem(std::function<void(int64_t)> onChooseItem) override;
  void SetImage(std::optional<int> symbolIndex) override;
  void SetTitle(const std::u16string& newTitle) override;
  void SetToolTip(const std::u16string& newToolTip) override;
  void AddMenuItem(int64_t itemId, const platform::MenuEntry& entry) override;
  void AddSeparator() override;
  void UpdateMenuItem(int64_t itemId, const platform::MenuEntry& entry) override;
  void SetMenuItemEnabled(int64_t itemId, bool enabled) override;
  void RemoveItem() override;

 private:
  FakePlatform& owner_;
};

class FakeHotkeys : public platform::HotkeyService {
 public:
  explicit FakeHotkeys(FakePlatform& owner) : owner_(owner) {}
  struct Grab {
    uint32_t keyCode = 0;
    uint32_t modifiers = 0;
    platform::HotkeyId id;
    std::string actionName;  // as NameHotkey told it, "" before
    std::u16string actionTitle;
  };
  int installResult = 0;
  // Combinations (key code, modifiers) another program holds: registering them is refused.
  std::set<std::pair<uint32_t, uint32_t>> takenElsewhere;
  // When true the fake accepts a combination it already holds, as some platforms do.
  bool acceptsDuplicates = false;
  // Refs whose unregistration fails.
  std::set<platform::HotkeyRef> stuck;
  std::map<platform::HotkeyRef, Grab> grabs;
  std::function<int(std::optional<platform::HotkeyId>)> handler;
  // What the desktop says about a held hot key, by action name, as a desktop that owns the final
  // trigger would; ChangeBindings sets it and tells the program.
  std::map<std::string, std::u16string> bindingProblems;
  std::function<void()> bindingsChanged;

  // Presses a combination as the user would; false when nothing holds it.
  bool Press(uint32_t keyCode, uint32_t modifiers);

  int InstallHandler(std::function<int(std::optional<platform::HotkeyId>)> onPressed) override;
  int Register(uint32_t keyCode, uint32_t modifiers, platform::HotkeyId id,
               platform::HotkeyRef& ref) override;
  int Unregister(platform::HotkeyRef ref) override;
  void NameHotkey(platform::HotkeyRef ref, const platform::HotkeyAction& action) override;
  std::optional<std::u16string> BindingProblem(platform::HotkeyRef ref) override;
  void SetBindingsChangedHandler(std::function<void()> onChanged) override;
  // The desktop changes its word on the action's binding (nullopt: bound as asked).
  void ChangeBinding(const std::string& actionName, const std::optional<std::u16string>& problem);

  // The desktop's offer to take the hot keys into its own settings (none by default), and whether
  // those settings can be written.
  std::optional<platform::DesktopShortcuts> desktopShortcuts;
  bool desktopSettingsWritable = true;
  std::optional<platform::DesktopShortcuts> DesktopShortcutsOffer() override {
    return desktopShortcuts;
  }
  bool SetDesktopShortcuts(bool added) override;

 private:
  FakePlatform& owner_;
  platform::HotkeyRef nextRef_ = 1;
};

class FakeAlerts : public platform::Alerts {
 public:
  explicit FakeAlerts(FakePlatform& owner) : owner_(owner) {}
  std::vector<platform::AlertContent> shown;
  std::deque<int> answers;  // with none left the first button is chosen
  std::function<void()> whileOpen;
  std::optional<double> scale = 1.0;
  std::optional<std::pair<std::string, int>> loadedIcon;
  bool iconFileLoads = true;

  int RunAlert(const platform::AlertContent& content) override;
  std::optional<double> MainScreenScale() override { return scale; }
  bool LoadAboutIcon(const std::string& path, int points) override;

 private:
  FakePlatform& owner_;
};

class FakePaths : public platform::Paths {
 public:
  std::string home = "/home/user/";
  std::string preferencesFile = "/nonexistent/pigmora-test.conf";
  std::string applicationPath = "/usr/bin/pigmora";
  std::string resourceDir = "/usr/share/pigmora/";
  std::string opener = "xdg-open";
  std::string HomeFolder() override { return home; }
  std::string PreferencesFile() override { return preferencesFile; }
  std::string ApplicationPath() override { return applicationPath; }
  std::string ResourceDir() override { return resourceDir; }
  std::string OpenerProgram() override { return opener; }
};

class FakePreferencesUi : public platform::PreferencesUi {
 public:
  explicit FakePreferencesUi(FakePlatform& owner) : owner_(owner) {}
  struct Control {
    std::string kind;  // "label", "field", "popup", "symbols", "checkbox", "button"
    int64_t id = -1;   // -1 for labels
    std::u16string text;
    platform::Rect frame;
    std::vector<std::u16string> items;
    int selected = -1;
    bool checked = false;
    std::optional<std::u16string> problem;
  };
  bool canOpen = true;
  bool open = false;
  int opens = 0;
  std::u16string title;
  int width = 0;
  int height = 0;
  std::optional<platform::Point> position;
  std::vector<platform::Rect> screens{{0, 0, 1920, 1080}};
  platform::Point pointer{100, 100};
  std::vector<Control> controls;
  std::function<void()> onClose;
  platform::ControlHandler onControl;

  Control* Find(int64_t id);
  // User actions: they change the control as the platform would, then report it.
  void ClickClose();
  void ChooseItem(int64_t id, int index);
  void ClickCheckBox(int64_t id);
  void ClickButton(int64_t id);

  bool OpenWindow(const std::u16string& windowTitle, int contentWidth, int contentHeight,
                  std::function<void()> onCloseClicked, platform::ControlHandler onChange) override;
  void CloseWindow() override;
  std::vector<platform::Rect> Screens() override { return screens; }
  platform::Point PointerLocation() override { return pointer; }
  void MoveWindowTo(platform::Point topLeft) override;
  void AddLabel(const std::u16string& text, platform::Rect frame) override;
  void AddShortcutField(int64_t id, platform::Rect frame,
                        const std::u16string& placeholder) override;
  void AddPopUp(int64_t id, platform::Rect frame, const std::vector<std::u16string>& items,
                bool symbols) override;
  void AddCheckBox(int64_t id, platform::Rect frame, const std::u16string& checkTitle) override;
  void AddButton(int64_t id, platform::Rect frame, const std::u16string& buttonTitle) override;
  void SetButtonTitle(int64_t id, const std::u16string& buttonTitle) override;
  std::u16string FieldText(int64_t id) override;
  void SetFieldText(int64_t id, const std::u16string& text) override;
  void SetFieldProblem(int64_t id, const std::optional<std::u16string>& reason) override;
  int SelectedIndex(int64_t id) override;
  std::u16string SelectedTitle(int64_t id) override;
  void SelectIndex(int64_t id, int index) override;
  void SelectTitle(int64_t id, const std::u16string& itemTitle) override;
  void SetChecked(int64_t id, bool checked) override;

 private:
  FakePlatform& owner_;
};

class FakeStartAtLogin : public platform::StartAtLogin {
 public:
  explicit FakeStartAtLogin(FakePlatform& owner) : owner_(owner) {}
  bool installWorks = true;
  std::optional<std::string> installedFor;
  bool Install(const std::string& applicationPath) override;
  void Remove() override;

 private:
  FakePlatform& owner_;
};

class FakeInstanceChannel : public platform::InstanceChannel {
 public:
  explicit FakeInstanceChannel(FakePlatform& owner) : owner_(owner) {}
  std::function<void(platform::InstanceRequest)> onRequest;

  // Delivers a request as another launch of the program would; false while nobody listens.
  bool Send(platform::InstanceRequest request);

  void Listen(std::function<void(platform::InstanceRequest)> handler) override;

 private:
  FakePlatform& owner_;
};

class FakePlatform {
 public:
  FakePlatform();
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  void Record(std::string call) { calls.push_back(std::move(call)); }
  // The recorded calls that start with `prefix`, in order.
  std::vector<std::string> CallsStartingWith(std::string_view prefix) const;

  std::vector<std::string> calls;
  FakeSystemEvents events{*this};
  FakeDefaults defaults{*this};
  FakePasteboard pasteboard{*this};
  FakeColorPanel colorPanel{*this};
  FakeSound sound{*this};
  FakeStatusBar statusBar{*this};
  FakeHotkeys hotkeys{*this};
  FakeAlerts alerts{*this};
  FakePaths paths;
  FakePreferencesUi preferences{*this};
  FakeStartAtLogin startAtLogin{*this};
  FakeInstanceChannel instance{*this};
  platform::Platform platform;
};

}  // namespace pigmora::fake
