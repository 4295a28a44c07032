#pragma once
// The preferences window and its controls. Controls are addressed by their ids; labels have none.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pigmora::platform {

// A rectangle in points, from the top-left corner (of the content area, or of the whole desktop
// for screens and window placement), y growing downwards.
struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct Point {
  int x = 0;
  int y = 0;
};

// What a control reports: its id and the change type.
using ControlHandler = std::function<void(int64_t controlId, int64_t changeType)>;

class PreferencesUi {
 public:
  virtual ~PreferencesUi() = default;
  // Builds the floating, fixed-size window (titled, closable only) with an empty content area of
  // the given size, centred, shown and made key. false when it cannot be made. The close button
  // calls onClose and does not close the window; controls report through onControl.
  virtual bool OpenWindow(const std::u16string& title, int width, int height,
                          std::function<void()> onClose, ControlHandler onControl) = 0;
  // Closes and destroys the window and its controls; nothing when it is not open.
  virtual void CloseWindow() = 0;
  // The screens' frames in desktop coordinates, the main screen first.
  virtual std::vector<Rect> Screens() = 0;
  virtual Point PointerLocation() = 0;
  // Moves the window's outer frame so that its top-left corner is at this desktop point.
  virtual void MoveWindowTo(Point topLeft) = 0;

  virtual void AddLabel(const std::u16string& text, Rect frame) = 0;
  // A one-line field that shows a shortcut (centred, rounded, with a placeholder). Key presses
  // reach it only through the key-down filter of SystemEvents.
  virtual void AddShortcutField(int64_t id, Rect frame, const std::u16string& placeholder) = 0;
  // A pop-up of text items, or of the six menu-icon symbols when `items` is empty and
  // `symbols` is true. Choosing any item reports the control's change.
  virtual void AddPopUp(int64_t id, Rect frame, const std::vector<std::u16string>& items,
                        bool symbols) = 0;
  virtual void AddCheckBox(int64_t id, Rect frame, const std::u16string& title) = 0;
  // A push button; a click reports the control's change.
  virtual void AddButton(int64_t id, Rect frame, const std::u16string& title) = 0;
  virtual void SetButtonTitle(int64_t id, const std::u16string& title) = 0;

  virtual std::u16string FieldText(int64_t id) = 0;
  virtual void SetFieldText(int64_t id, const std::u16string& text) = 0;
  // Marks a shortcut field as not working as a hot key (nullopt: working), with the reason shown.
  virtual void SetFieldProblem(int64_t id, const std::optional<std::u16string>& reason) = 0;
  // -1 when nothing is selected.
  virtual int SelectedIndex(int64_t id) = 0;
  virtual std::u16string SelectedTitle(int64_t id) = 0;
  virtual void SelectIndex(int64_t id, int index) = 0;
  // Nothing happens when no item has this title.
  virtual void SelectTitle(int64_t id, const std::u16string& title) = 0;
  virtual void SetChecked(int64_t id, bool checked) = 0;
};

}  // namespace pigmora::platform
