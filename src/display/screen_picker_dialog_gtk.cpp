#include "display/screen_picker_dialog_gtk.h"

#include <gtk/gtk.h>

namespace orvane {

namespace {

// The form, in pixels.
constexpr int kFormLeft = 50;
constexpr int kFormTop = 50;
constexpr int kFormWidth = 275;
constexpr int kFormHeight = 167;

struct Place {
  int x, y, width, height;
};
constexpr Place kLabelPlace{8, 17, 48, 17};
constexpr Place kComboPlace{61, 17, 200, 20};
constexpr Place kNotePlace{27, 57, 216, 64};

void putAt(GtkFixed* fixed, GtkWidget* widget, const Place& place) {
  gtk_widget_set_size_request(widget, place.width, place.height);
  gtk_fixed_put(fixed, widget, place.x, place.y);
}

}  // namespace

void GtkScreenPickerDialog::LoopDeleter::operator()(GMainLoop* loop) const noexcept {
  g_main_loop_unref(loop);
}

GtkScreenPickerDialog::GtkScreenPickerDialog(GtkWindow* parent) {
  window_ = GObjectPtr<GtkWidget>::retain(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  GtkWindow* window = GTK_WINDOW(window_.get());
  gtk_widget_set_name(window_.get(), "ZAVUduvedC");
  gtk_window_set_title(window, std::string(kPickerCaptionSuffix).c_str());
  gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_modal(window, TRUE);
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_default_size(window, kFormWidth, kFormHeight);
  gtk_window_move(window, kFormLeft, kFormTop);
  if (parent != nullptr) {
    gtk_window_set_transient_for(window, parent);
    gtk_window_set_destroy_with_parent(window, TRUE);
  }

  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, kFormWidth, kFormHeight);
  gtk_container_add(GTK_CONTAINER(window), fixed);

  GtkWidget* label = gtk_label_new(std::string(kPickerLabelText).c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  putAt(GTK_FIXED(fixed), label, kLabelPlace);

  GtkWidget* combo = gtk_combo_box_text_new();
  putAt(GTK_FIXED(fixed), combo, kComboPlace);

  const std::string noteText =
      std::string(kPickerNoteHeading) + "\n" + std::string(kPickerNoteBody);
  GtkWidget* note = gtk_label_new(noteText.c_str());
  gtk_label_set_line_wrap(GTK_LABEL(note), TRUE);
  gtk_label_set_line_wrap_mode(GTK_LABEL(note), PANGO_WRAP_WORD_CHAR);
  // The fixed layout asks the label for its height without a width; it then
  // measures at this many average characters, about the width of its place,
  // rather than at one long line or one character per line.
  gtk_label_set_max_width_chars(GTK_LABEL(note), 30);
  gtk_label_set_xalign(GTK_LABEL(note), 0.0f);
  gtk_label_set_yalign(GTK_LABEL(note), 0.0f);
  putAt(GTK_FIXED(fixed), note, kNotePlace);

  label_ = GTK_LABEL(label);
  combo_ = GTK_COMBO_BOX(combo);
  note_ = GTK_LABEL(note);
  gtk_widget_show_all(fixed);

  changedConnection_ = connectSignal(combo, "changed", onComboChanged, this);
  destroyConnection_ = connectSignal(window, "destroy", onDestroySignal, this);
}

GtkScreenPickerDialog::~GtkScreenPickerDialog() {
  selected_ = nullptr;
  // The destroy signal does the rest.
  if (window_) gtk_widget_destroy(window_.get());
}

void GtkScreenPickerDialog::setCaption(const std::string& caption) {
  if (GtkWindow* window = gtkWindow()) gtk_window_set_title(window, caption.c_str());
}

void GtkScreenPickerDialog::setItems(const std::vector<std::string>& texts) {
  if (combo_ == nullptr) return;
  settingItems_ = true;
  gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(combo_));
  for (const std::string& text : texts) {
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo_), text.c_str());
  }
  gtk_combo_box_set_active(combo_, -1);
  settingItems_ = false;
}

void GtkScreenPickerDialog::setSelection(int position) {
  if (combo_ == nullptr) return;
  GtkTreeModel* model = gtk_combo_box_get_model(combo_);
  const int count = model != nullptr ? gtk_tree_model_iter_n_children(model, nullptr) : 0;
  settingItems_ = true;
  gtk_combo_box_set_active(combo_, position >= 0 && position < count ? position : -1);
  settingItems_ = false;
}

int GtkScreenPickerDialog::selection() const {
  return combo_ != nullptr ? gtk_combo_box_get_active(combo_) : -1;
}

void GtkScreenPickerDialog::setSelectedHandler(std::function<void()> handler) {
  selected_ = std::move(handler);
}

void GtkScreenPickerDialog::onComboChanged(GtkComboBox*, gpointer data) {
  auto* self = static_cast<GtkScreenPickerDialog*>(data);
  if (self->settingItems_ || self->closed_) return;
  self->inSelectedHandler_ = true;
  // A copy: the handler may replace itself.
  if (std::function<void()> handler = self->selected_) handler();
  self->inSelectedHandler_ = false;
}

void GtkScreenPickerDialog::runModal() {
  GtkWindow* window = gtkWindow();
  if (closed_ || window == nullptr || loop_) return;
  loop_.reset(g_main_loop_new(nullptr, FALSE));
  gtk_widget_show(GTK_WIDGET(window));
  gtk_window_present(window);
  // Other sources of the context (the main window, the page, the tray) go on
  // running meanwhile; the modal window keeps the user's input to itself.
  g_main_loop_run(loop_.get());
  loop_.reset();
}

void GtkScreenPickerDialog::close() {
  if (closed_) return;
  closed_ = true;
  if (loop_) g_main_loop_quit(loop_.get());
  if (!window_) return;
  if (inSelectedHandler_) {
    // GTK goes on using the combo box after its "changed" handlers return,
    // so the form is only hidden now and destroyed with this object.
    gtk_widget_hide(window_.get());
    return;
  }
  // The destroy signal does the rest.
  gtk_widget_destroy(window_.get());
}

void GtkScreenPickerDialog::onDestroySignal(GtkWidget*, gpointer data) {
  // Reached through close(), the user's close button, or the parent's end.
  auto* self = static_cast<GtkScreenPickerDialog*>(data);
  self->closed_ = true;
  self->label_ = nullptr;
  self->combo_ = nullptr;
  self->note_ = nullptr;
  if (self->loop_) g_main_loop_quit(self->loop_.get());
  // GTK keeps the widget alive until the signal is over.
  self->window_.reset();
}

GtkWindow* GtkScreenPickerDialog::gtkWindow() const {
  return window_ ? GTK_WINDOW(window_.get()) : nullptr;
}

std::function<std::unique_ptr<ScreenPickerDialog>()> gtkPickerDialogMaker(
    const GtkWindowHost& host) {
  return [&host]() -> std::unique_ptr<ScreenPickerDialog> {
    return std::make_unique<GtkScreenPickerDialog>(host.gtkWindow());
  };
}

}  // namespace orvane
