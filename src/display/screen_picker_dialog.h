#pragma once
// The picker's form as the portable picker sees it: a caption, a list of
// items with one selection, a modal run and a close. Each platform draws it
// (GTK, Win32); tests use the recording null dialog.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// The form's fixed texts. The note is the heading, a line break in the
// platform's own form, then the body.
inline constexpr std::string_view kPickerCaptionSuffix = "屏幕选择";
inline constexpr std::string_view kPickerLabelText = "选择屏幕";
inline constexpr std::string_view kPickerNoteHeading = "注意:  ";
inline constexpr std::string_view kPickerNoteBody =
    "选择屏幕后窗口会移动到相应的屏幕上全屏显示，选择后，下次启动默认为上次选择屏幕";

class ScreenPickerDialog {
 public:
  virtual ~ScreenPickerDialog() = default;

  virtual void setCaption(const std::string& caption) = 0;
  // Replaces the items; nothing is selected afterwards.
  virtual void setItems(const std::vector<std::string>& texts) = 0;
  // Selects the item at `position` (0-based; -1 for none) without reporting
  // it as the user's choice.
  virtual void setSelection(int position) = 0;
  // The selected position, -1 when nothing is selected.
  virtual int selection() const = 0;
  // Runs when the user selects an item.
  virtual void setSelectedHandler(std::function<void()> handler) = 0;

  // Shows the dialog modally and returns once it is closed, by close() or by
  // the user. Returns at once when it was closed before.
  virtual void runModal() = 0;
  // Closes the dialog for good; safe from inside the selected handler, and
  // safe twice.
  virtual void close() = 0;
  virtual bool isClosed() const = 0;
};

}  // namespace orvane
