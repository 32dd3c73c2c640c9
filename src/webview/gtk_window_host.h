#pragma once
// How a GTK web view finds the GtkWindow to live in: the GTK main window
// offers it, so the web view needs no more of the application than this.

typedef struct _GtkWindow GtkWindow;

namespace orvane {

class GtkWindowHost {
 public:
  // The window; null once it is destroyed (still there while the destroy
  // handler runs).
  virtual GtkWindow* gtkWindow() const = 0;

 protected:
  ~GtkWindowHost() = default;
};

}  // namespace orvane
