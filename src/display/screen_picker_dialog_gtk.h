#pragma once
// The picker's form on GTK: a modal window over the main window with a fixed
// layout (the places and sizes of the form, in pixels): the label "选择屏幕",
// the combo box of monitors and the note below them.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "display/screen_picker_dialog.h"
#include "webview/glib_ptr_gtk.h"
#include "webview/gtk_window_host.h"

typedef struct _GMainLoop GMainLoop;
typedef struct _GtkComboBox GtkComboBox;
typedef struct _GtkLabel GtkLabel;
typedef struct _GtkWidget GtkWidget;
typedef struct _GtkWindow GtkWindow;

namespace orvane {

class GtkScreenPickerDialog final : public ScreenPickerDialog {
 public:
  // `parent` (may be null) is the window it is modal over; the dialog goes
  // away when the parent is destroyed.
  explicit GtkScreenPickerDialog(GtkWindow* parent);
  ~GtkScreenPickerDialog() override;  // destroys the form
  GtkScreenPickerDialog(const GtkScreenPickerDialog&) = delete;
  GtkScreenPickerDialog& operator=(const GtkScreenPickerDialog&) = delete;

  void setCaption(const std::string& caption) override;
  void setItems(const std::vector<std::string>& texts) override;
  void setSelection(int position) override;
  int selection() const override;
  void setSelectedHandler(std::function<void()> handler) override;
  void runModal() override;
  void close() override;
  bool isClosed() const override { return closed_; }

  // The widgets, for tests; null once the form is destroyed.
  GtkWindow* gtkWindow() const;
  GtkLabel* label() const { return label_; }
  GtkComboBox* comboBox() const { return combo_; }
  GtkLabel* note() const { return note_; }

 private:
  struct LoopDeleter {
    void operator()(GMainLoop* loop) const noexcept;
  };

  static void onComboChanged(GtkComboBox* combo, gpointer self);
  static void onDestroySignal(GtkWidget* widget, gpointer self);

  GObjectPtr<GtkWidget> window_;
  GtkLabel* label_ = nullptr;  // children of window_, alive as long as it is
  GtkComboBox* combo_ = nullptr;
  GtkLabel* note_ = nullptr;
  SignalConnection changedConnection_;
  SignalConnection destroyConnection_;
  std::unique_ptr<GMainLoop, LoopDeleter> loop_;
  std::function<void()> selected_;
  bool settingItems_ = false;  // changes made by the picker are not the user's
  bool inSelectedHandler_ = false;
  bool closed_ = false;
};

// The picker's dialog maker for the GTK client: each opening gets a form
// modal over the host's window as it is at that time. The host must outlive
// the maker.
std::function<std::unique_ptr<ScreenPickerDialog>()> gtkPickerDialogMaker(
    const GtkWindowHost& host);

}  // namespace orvane
