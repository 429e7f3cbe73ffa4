// LookupWindow: the program's one window, its handlers and the window
// operations the lookup workers use.
#pragma once

#include <atomic>
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

#include <QMargins>
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QWidget>

#include "lookups/lookup_view.h"
#include "text/text.h"

class QGroupBox;
class QKeyEvent;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace chaxun {

// The worker routine started for each kind of query. The window starts each
// on a thread of its own and hands it the window as its view.
struct LookupRoutines {
  using Routine = std::function<void(LookupView&)>;
  Routine area_code;     // phone kind, input containing "-"
  Routine mobile;        // phone kind, otherwise
  Routine own_address;   // IP button
  Routine ip;            // IP address or domain kind
  Routine id_card;       // ID card kind, 15 or 18 bytes
  Routine postal_get;    // postal kind, input starting with an ASCII byte
  Routine postal_place;  // postal kind, input starting with a byte >= 0x80

  // The lookups of lookups/lookups.h.
  static LookupRoutines standard();
};

// Accepts or drops the characters typed into an edit box according to its
// input mode (0: all; 3: below code 32, digits and "-" only). Only typed
// characters pass through here: text set by the program and pasted text
// never do.
class TypedCharacterFilter final : public QObject {
 public:
  using QObject::QObject;
  int mode() const { return mode_; }
  void set_mode(int mode) { mode_ = mode; }
  // True when mode 3 lets every character of `typed` through.
  static bool accepts_all(const QString& typed);
  // True when the key press would insert its text into an edit box: printable
  // text, not held with Ctrl or Ctrl+Shift alone. Keys that insert nothing
  // (commands, Backspace, Delete, arrows) are never filtered.
  static bool types_text(const QKeyEvent& key);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int mode_ = 0;
};

class LookupWindow final : public QWidget, public LookupView {
  Q_OBJECT

 public:
  // Outer size of the window, frame and caption included.
  static constexpr int kOuterWidth = 301;
  static constexpr int kOuterHeight = 223;
  // The frame assumed until the window system reports the real one (and kept
  // when it reports none): a fixed dialog frame of 3 pixels with a caption of
  // 19 pixels, leaving a client area of 295 x 198.
  static constexpr QMargins kAssumedFrame{3, 22, 3, 3};

  // Builds the window and all its controls, centred on the primary screen,
  // then runs init_lookup_mode. The window is not shown.
  explicit LookupWindow(LookupRoutines routines = LookupRoutines::standard());
  ~LookupWindow() override;
  LookupWindow(const LookupWindow&) = delete;
  LookupWindow& operator=(const LookupWindow&) = delete;

  // ---- window operations (LookupView). Callable from any thread: called from
  // another thread, the operation runs on the window's thread while the
  // caller waits; on the window's thread it runs at once. Once the window has
  // been closed, calls from other threads return at once without touching it
  // (get_content then gives the empty text).

  // The box's text in code page 936. The display box gives its line ends as
  // CR LF. Characters code page 936 cannot hold come back as "?".
  Text get_content(Box box) override;
  // Replaces the box's whole text; the caret goes to the start. In the display
  // box CR LF, and a CR or LF alone, each become one line break.
  void set_content(Box box, const Text& text) override;
  // For each text: caret to the end, scrolled into view, text inserted there.
  void append_text(Box box, const std::vector<Text>& texts) override;
  // Caret to `position`, counted in characters from 0 (before the first);
  // -1, or a position past the end, puts it at the end. Nothing is selected
  // and the caret is scrolled into view.
  void set_selection_start(Box box, int position) override;

  // ---- window-thread operations used by the handlers.
  void set_input_mode(Box box, int mode);
  int input_mode(Box box) const;
  void set_focus(QWidget* control);
  // Warning icon, one OK button, no owner, modal for the whole program;
  // returns when the user has closed it. Both texts are code page 936.
  void show_message(const char* text, const char* title);

  // ---- handlers (window's thread).
  void init_lookup_mode();
  void select_phone_mode();
  void select_ip_mode();
  void select_id_mode();
  void select_postal_mode();
  void run_query();
  // Key going down in the input box. key_code: 13 for Enter (main or keypad),
  // otherwise Qt's key code; modifiers: Ctrl 1 + Shift 2 + Alt 4. Returns true
  // when the key is consumed (it then never reaches the box).
  bool input_key_down(int key_code, int modifiers);

  // ---- the controls, for the start-up code and tests.
  QGroupBox* group_box() const { return group_; }
  QPushButton* phone_button() const { return phone_button_; }
  QPushButton* ip_button() const { return ip_button_; }
  QPushButton* id_button() const { return id_button_; }
  QPushButton* postal_button() const { return postal_button_; }
  QLineEdit* input_box() const { return input_; }
  QPushButton* query_button() const { return query_button_; }
  QPlainTextEdit* display_box() const { return display_; }

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Runs `operation` on the window's thread and hands back its result.
  template <typename Operation>
  std::invoke_result_t<Operation> on_window_thread(Operation operation);

  // The operations themselves, window's thread only.
  Text content_here(Box box) const;
  void set_content_here(Box box, const Text& text);
  void append_text_here(Box box, const std::vector<Text>& texts);
  void set_selection_start_here(Box box, int position);

  void start(const LookupRoutines::Routine& routine);
  // Sizes the client area so that frame + client make the outer size.
  void fit_to_frame();

  LookupRoutines routines_;
  std::atomic<bool> closed_{false};
  QMargins frame_ = kAssumedFrame;

  QGroupBox* group_ = nullptr;
  QPushButton* phone_button_ = nullptr;
  QPushButton* ip_button_ = nullptr;
  QPushButton* id_button_ = nullptr;
  QPushButton* postal_button_ = nullptr;
  QLineEdit* input_ = nullptr;
  QPushButton* query_button_ = nullptr;
  QPlainTextEdit* display_ = nullptr;
  TypedCharacterFilter* input_filter_ = nullptr;
  TypedCharacterFilter* display_filter_ = nullptr;
};

template <typename Operation>
std::invoke_result_t<Operation> LookupWindow::on_window_thread(Operation operation) {
  using Result = std::invoke_result_t<Operation>;
  if (QThread::currentThread() == thread()) return operation();
  if (closed_.load()) return Result();
  if constexpr (std::is_void_v<Result>) {
    QMetaObject::invokeMethod(this, std::move(operation), Qt::BlockingQueuedConnection);
  } else {
    Result result{};
    QMetaObject::invokeMethod(
        this, [&result, &operation] { result = operation(); }, Qt::BlockingQueuedConnection);
    return result;
  }
}

}  // namespace chaxun
