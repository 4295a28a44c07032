#pragma once
// The preferences window on Qt Widgets: a small top-level window that stays above the others,
// with its controls placed at fixed positions.
#include <QPointer>
#include <QWidget>
#include <map>

#include "platform/preferences_ui.h"

namespace pigmora::qt {

class QtPreferencesUi final : public platform::PreferencesUi {
 public:
  QtPreferencesUi();
  ~QtPreferencesUi() override;
  QtPreferencesUi(const QtPreferencesUi&) = delete;
  QtPreferencesUi& operator=(const QtPreferencesUi&) = delete;

  bool OpenWindow(const std::u16string& title, int width, int height, std::function<void()> onClose,
                  platform::ControlHandler onControl) override;
  void CloseWindow() override;
  std::vector<platform::Rect> Screens() override;
  platform::Point PointerLocation() override;
  void MoveWindowTo(platform::Point topLeft) override;

  void AddLabel(const std::u16string& text, platform::Rect frame) override;
  void AddShortcutField(int64_t id, platform::Rect frame,
                        const std::u16string& placeholder) override;
  void AddPopUp(int64_t id, platform::Rect frame, const std::vector<std::u16string>& items,
                bool symbols) override;
  void AddCheckBox(int64_t id, platform::Rect frame, const std::u16string& title) override;
  void AddButton(int64_t id, platform::Rect frame, const std::u16string& title) override;
  void SetButtonTitle(int64_t id, const std::u16string& title) override;

  std::u16string FieldText(int64_t id) override;
  void SetFieldText(int64_t id, const std::u16string& text) override;
  void SetFieldProblem(int64_t id, const std::optional<std::u16string>& reason) override;
  int SelectedIndex(int64_t id) override;
  std::u16string SelectedTitle(int64_t id) override;
  void SelectIndex(int64_t id, int index) override;
  void SelectTitle(int64_t id, const std::u16string& title) override;
  void SetChecked(int64_t id, bool checked) override;

  // The open window (nullptr when closed; shown once the event loop runs again) and the widget
  // of a control, for tests.
  QWidget* Window() const { return window_; }
  QWidget* Control(int64_t id) const;

 private:
  class PreferencesWindow;
  template <typename Widget>
  Widget* Find(int64_t id) const;
  void Report(int64_t id, int64_t changeType);
  void RequestClose();

  QPointer<QWidget> window_;
  std::map<int64_t, QPointer<QWidget>> controls_;
  std::function<void()> onClose_;
  platform::ControlHandler onControl_;
  // Callbacks into the program run inside signals of the window's own widgets; a window closed
  // from one of them must outlive the signal.
  int callbackDepth_ = 0;
};

}  // namespace pigmora::qt
