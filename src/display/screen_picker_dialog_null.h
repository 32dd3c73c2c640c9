#pragma once
// A picker dialog without a display. It records what the picker did to it;
// while it is "shown" it runs the test's script of operator actions, which
// stands in for the modal loop.

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "display/screen_picker_dialog.h"

namespace orvane {

// Outlives the dialog, so a test can look at it after the picker closed.
struct NullPickerDialogRecord {
  std::string caption;
  std::vector<std::string> items;
  int selection = -1;
  bool shown = false;  // reached the modal run: the user saw it
  bool closed = false;
};

class NullScreenPickerDialog final : public ScreenPickerDialog {
 public:
  using Script = std::function<void(NullScreenPickerDialog&)>;

  NullScreenPickerDialog(std::shared_ptr<NullPickerDialogRecord> record, Script whileShown)
      : record_(std::move(record)), whileShown_(std::move(whileShown)) {}

  void setCaption(const std::string& caption) override { record_->caption = caption; }
  void setItems(const std::vector<std::string>& texts) override {
    record_->items = texts;
    record_->selection = -1;
  }
  void setSelection(int position) override {
    record_->selection =
        position >= 0 && position < static_cast<int>(record_->items.size()) ? position : -1;
  }
  int selection() const override { return record_->selection; }
  void setSelectedHandler(std::function<void()> handler) override {
    selected_ = std::move(handler);
  }
  void runModal() override {
    if (record_->closed) return;
    record_->shown = true;
    if (whileShown_) whileShown_(*this);
  }
  void close() override { record_->closed = true; }
  bool isClosed() const override { return record_->closed; }

  // The operator picks the item at `position`; like a combo box, picking the
  // item already selected reports nothing.
  void choose(int position) {
    if (record_->closed || position == record_->selection) return;
    setSelection(position);
    if (selected_) selected_();
  }
  const NullPickerDialogRecord& record() const { return *record_; }

 private:
  std::shared_ptr<NullPickerDialogRecord> record_;
  Script whileShown_;
  std::function<void()> selected_;
};

}  // namespace orvane
