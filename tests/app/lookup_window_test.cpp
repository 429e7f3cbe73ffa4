// The lookup window, headless: controls, handlers, keys, the typed-character
// filter, the dispatch of queries to worker routines and the window
// operations used from worker threads.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QWindow>

#include "app/gbk.h"
#include "app/lookup_window.h"
#include "app/start_worker.h"
#include "app/ui_texts.h"
#include "lookups/globals.h"

using chaxun::Box;
using chaxun::LookupRoutines;
using chaxun::LookupView;
using chaxun::LookupWindow;
using chaxun::Text;

namespace {

// Remembers which worker routines ran, by name, in start order.
class RoutineRecorder {
 public:
  LookupRoutines routines() {
    LookupRoutines r;
    r.area_code = recorder("area_code");
    r.mobile = recorder("mobile");
    r.own_address = recorder("own_address");
    r.ip = recorder("ip");
    r.id_card = recorder("id_card");
    r.postal_get = recorder("postal_get");
    r.postal_place = recorder("postal_place");
    return r;
  }
  std::vector<std::string> names() const {
    std::lock_guard lock(mutex_);
    return names_;
  }
  int count() const { return static_cast<int>(names().size()); }

 private:
  LookupRoutines::Routine recorder(std::string name) {
    return [this, name](LookupView&) {
      std::lock_guard lock(mutex_);
      names_.push_back(name);
    };
  }
  mutable std::mutex mutex_;
  std::vector<std::string> names_;
};

// What a message box showed, captured by MessageBoxAnswerer.
struct SeenMessage {
  QString text, title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QList<QAbstractButton*>::size_type button_count = 0;
  bool ok_button = false;
  Qt::WindowModality modality = Qt::NonModal;
  bool has_parent = true;
};

// Watches for a message box while armed; when one shows, records it, runs
// `while_open` (still inside the box's own event loop) and presses OK.
class MessageBoxAnswerer {
 public:
  explicit MessageBoxAnswerer(std::function<void()> while_open = {}) : while_open_(std::move(while_open)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
  }
  int seen_count() const { return static_cast<int>(seen_.size()); }
  const SeenMessage& last() const { return seen_.back(); }

 private:
  void poll() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (box == nullptr || !box->isVisible()) continue;
      SeenMessage m;
      m.text = box->text();
      m.title = box->windowTitle();
      m.icon = box->icon();
      m.button_count = box->buttons().size();
      m.ok_button = box->button(QMessageBox::Ok) != nullptr;
      m.modality = box->windowModality();
      m.has_parent = box->parentWidget() != nullptr;
      seen_.push_back(m);
      timer_.stop();
      if (while_open_) while_open_();
      box->button(QMessageBox::Ok)->click();
      timer_.start();
      return;
    }
  }
  QTimer timer_;
  std::function<void()> while_open_;
  std::vector<SeenMessage> seen_;
};

// A gate a worker routine waits at until the test opens it.
class Gate {
 public:
  void open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    cv_.notify_all();
  }
  void wait() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool open_ = false;
};

QString q(const char* gbk) { return chaxun::gbk_to_qstring(gbk); }

// How many pixels of `w`, as painted now, have exactly the colour `c`.
int painted_pixels(QWidget* w, const QColor& c) {
  const QImage image = w->grab().toImage();
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == c ? 1 : 0;
  }
  return n;
}

void type_text(QWidget* w, const QString& text) {
  for (QChar c : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

}  // namespace

class LookupWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void start_state();
  void controls_are_placed_as_designed_data();
  void controls_are_placed_as_designed();
  void window_frame_and_keyboard_settings();
  void edit_boxes_show_selection_only_with_focus();
  void mode_buttons_data();
  void mode_buttons();
  void phone_mode_filters_typed_characters_only();
  void run_query_dispatch_data();
  void run_query_dispatch();
  void enter_in_input_box_runs_query_and_types_nothing_data();
  void enter_in_input_box_runs_query_and_types_nothing();
  void enter_in_display_box_starts_new_line();
  void escape_closes_window_data();
  void escape_closes_window();
  void two_queries_in_flight_both_write();
  void worker_operations_run_while_message_box_is_open();
  void texts_cross_as_code_page_936();
  void display_box_line_ends();
  void process_events_on_worker_thread_leaves_window_events_alone();
  void start_worker_contains_exceptions();

 private:
  void wait_for_workers(int count) { QTRY_COMPARE(recorder_->count(), count); }

  RoutineRecorder* recorder_ = nullptr;
  LookupWindow* window_ = nullptr;
};

void LookupWindowTest::init() {
  chaxun::LookupMode.store(0);
  recorder_ = new RoutineRecorder;
  window_ = new LookupWindow(recorder_->routines());
  window_->show();
  QApplication::setActiveWindow(window_);
  QVERIFY(QTest::qWaitForWindowExposed(window_));
}

void LookupWindowTest::cleanup() {
  delete window_;
  window_ = nullptr;
  delete recorder_;
  recorder_ = nullptr;
}

void LookupWindowTest::start_state() {
  // The window's creation sets the phone kind; the input box holds its sample
  // in digits-only mode, so a query at once is an area-code lookup.
  QCOMPARE(chaxun::LookupMode.load(), 1);
  QCOMPARE(window_->get_content(Box::Input), Text(chaxun::ui::kInitialInput));
  QCOMPARE(window_->input_mode(Box::Input), 3);
  QCOMPARE(window_->input_mode(Box::Display), 0);
  QCOMPARE(window_->get_content(Box::Display), Text());
  QCOMPARE(window_->windowTitle(), q(chaxun::ui::kCaption));
  window_->run_query();
  wait_for_workers(1);
  QCOMPARE(recorder_->names(), std::vector<std::string>{"area_code"});
}

void LookupWindowTest::controls_are_placed_as_designed_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QRect>("geometry");
  using namespace chaxun::ui;
  QTest::newRow("group box") << q(kGroupName) << q(kGroupCaption) << QRect(8, 7, 279, 182);
  QTest::newRow("phone button") << q(kPhoneButtonName) << q(kPhoneCaption) << QRect(12, 23, 64, 25);
  QTest::newRow("IP button") << q(kIpButtonName) << q(kIpCaption) << QRect(76, 23, 64, 25);
  QTest::newRow("ID card button") << q(kIdButtonName) << q(kIdCaption) << QRect(140, 23, 64, 25);
  QTest::newRow("postal button") << q(kPostalButtonName) << q(kPostalCaption) << QRect(204, 23, 64, 25);
  QTest::newRow("input box") << q(kInputBoxName) << q(kInitialInput) << QRect(13, 59, 177, 23);
  QTest::newRow("query button") << q(kQueryButtonName) << q(kQueryCaption) << QRect(200, 58, 65, 25);
  QTest::newRow("display box") << q(kDisplayBoxName) << QString() << QRect(13, 93, 253, 79);
}

void LookupWindowTest::controls_are_placed_as_designed() {
  QFETCH(QString, name);
  QFETCH(QString, caption);
  QFETCH(QRect, geometry);
  auto* control = window_->findChild<QWidget*>(name);
  QVERIFY2(control != nullptr, qPrintable(name));
  QCOMPARE(control->geometry(), geometry);
  QVERIFY(control->isVisible());
  // The group box sits in the window; every other control in the group box.
  QCOMPARE(control->parentWidget(), control == window_->group_box() ? static_cast<QWidget*>(window_)
                                                                     : static_cast<QWidget*>(window_->group_box()));
  if (auto* button = qobject_cast<QPushButton*>(control)) {
    QCOMPARE(button->text(), caption);
    QVERIFY(!button->autoDefault());
    QVERIFY(!button->isDefault());
  } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
    QCOMPARE(group->title(), caption);
  } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
    QCOMPARE(line->text(), caption);
  } else {
    auto* plain = qobject_cast<QPlainTextEdit*>(control);
    QVERIFY(plain != nullptr);
    QCOMPARE(plain->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(plain->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(plain->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  }
}

void LookupWindowTest::window_frame_and_keyboard_settings() {
  // Fixed size: frame + client make 301 x 223, with the frame the platform
  // reports, or the assumed dialog frame where it reports none.
  QCOMPARE(window_->minimumSize(), window_->maximumSize());
  QMargins frame = window_->windowHandle()->frameMargins();
  if (frame.isNull()) frame = LookupWindow::kAssumedFrame;
  QCOMPARE(window_->width() + frame.left() + frame.right(), 301);
  QCOMPARE(window_->height() + frame.top() + frame.bottom(), 223);
  // Centred on the whole screen by its outer size.
  const QRect screen = window_->screen()->geometry();
  QCOMPARE(window_->frameGeometry().topLeft(),
           QPoint(screen.x() + (screen.width() - 301) / 2, screen.y() + (screen.height() - 223) / 2));
  // Minimise and close, no maximise.
  const Qt::WindowFlags flags = window_->windowFlags();
  QVERIFY(flags & Qt::WindowMinimizeButtonHint);
  QVERIFY(flags & Qt::WindowCloseButtonHint);
  QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
  // Five icon images.
  QList<QSize> sizes = window_->windowIcon().availableSizes();
  std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
  QCOMPARE(sizes, (QList<QSize>{{16, 16}, {24, 24}, {32, 32}, {48, 48}, {128, 128}}));
  // Tab visits the controls in order, Shift+Tab goes back, also out of the
  // multi-line display box.
  const QList<QWidget*> order{window_->phone_button(), window_->ip_button(),    window_->id_button(),
                              window_->postal_button(), window_->input_box(),   window_->query_button(),
                              window_->display_box()};
  order.front()->setFocus();
  QTRY_COMPARE(QApplication::focusWidget(), order.front());
  for (qsizetype i = 1; i < order.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), order[i]);
  }
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  QCOMPARE(QApplication::focusWidget(), window_->query_button());
  QCOMPARE(window_->get_content(Box::Display), Text());
}

void LookupWindowTest::edit_boxes_show_selection_only_with_focus() {
  // Both boxes paint black text on white and show a selection only while
  // they have the focus.
  QPlainTextEdit* display = window_->display_box();
  QLineEdit* input = window_->input_box();
  const QColor highlight = display->palette().color(QPalette::Active, QPalette::Highlight);
  window_->set_content(Box::Display, "WWWWWWWW\r\nWWWW");
  window_->set_content(Box::Input, "88888888");
  const std::function<void()> select_all[] = {[display] { display->selectAll(); }, [input] { input->selectAll(); }};
  QWidget* boxes[] = {display, input};
  for (int i = 0; i < 2; ++i) {
    QWidget* box = boxes[i];
    QWidget* other = boxes[1 - i];
    const QByteArray name = box->objectName().toUtf8();
    QVERIFY2(painted_pixels(box, Qt::black) > 0, name);
    QVERIFY2(painted_pixels(box, Qt::white) > box->width() * box->height() / 2, name);
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    select_all[i]();
    QVERIFY2(painted_pixels(box, highlight) > 0, name);
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    QVERIFY2(painted_pixels(box, highlight) == 0, name);
  }
}

void LookupWindowTest::mode_buttons_data() {
  QTest::addColumn<int>("button");  // 0 phone, 1 IP, 2 ID card, 3 postal
  QTest::addColumn<int>("mode");
  QTest::addColumn<QByteArray>("input");
  QTest::addColumn<int>("input_mode");
  QTest::addColumn<QString>("worker");
  // The phone button writes its hint; digits-only mode applies to typing only.
  QTest::newRow("phone") << 0 << 1 << QByteArray(chaxun::ui::kPhoneHint) << 3 << QString();
  // The IP button leaves the kind to its worker (which sets 2) and the input
  // box as it was.
  QTest::newRow("IP") << 1 << 3 << QByteArray("keep me") << 0 << QString("own_address");
  QTest::newRow("ID card") << 2 << 3 << QByteArray() << 0 << QString();
  QTest::newRow("postal") << 3 << 4 << QByteArray(chaxun::ui::kPostalSample) << 0 << QString();
}

void LookupWindowTest::mode_buttons() {
  QFETCH(int, button);
  QFETCH(int, mode);
  QFETCH(QByteArray, input);
  QFETCH(int, input_mode);
  QFETCH(QString, worker);
  // Start from the ID card kind with text in both boxes and digits-only mode.
  chaxun::LookupMode.store(3);
  window_->set_input_mode(Box::Input, 3);
  window_->set_content(Box::Input, "keep me");
  window_->set_content(Box::Display, "old answer");
  QPushButton* buttons[] = {window_->phone_button(), window_->ip_button(), window_->id_button(),
                            window_->postal_button()};
  QTest::mouseClick(buttons[button], Qt::LeftButton);
  QCOMPARE(chaxun::LookupMode.load(), mode);
  QCOMPARE(window_->get_content(Box::Display), Text());
  QCOMPARE(window_->get_content(Box::Input), input.toStdString());
  QCOMPARE(window_->input_mode(Box::Input), input_mode);
  if (worker.isEmpty()) {
    QTest::qWait(0);
    QCOMPARE(recorder_->count(), 0);
  } else {
    wait_for_workers(1);
    QCOMPARE(recorder_->names().front(), worker.toStdString());
  }
}

void LookupWindowTest::phone_mode_filters_typed_characters_only() {
  QLineEdit* input = window_->input_box();
  window_->set_content(Box::Input, {});
  input->setFocus();
  // Typed: letters, ".", a blank and a Chinese character are dropped; digits
  // and "-" (anywhere, repeated) go in.
  type_text(input, QStringLiteral("a1.2 -") + QChar(0x4E2D) + QStringLiteral("--9x"));
  QCOMPARE(input->text(), QStringLiteral("12---9"));
  // Control keys pass: Backspace deletes.
  QTest::keyClick(input, Qt::Key_Backspace);
  QCOMPARE(input->text(), QStringLiteral("12---"));
  // So does Delete, which carries DEL (127) as its text under X11.
  input->setCursorPosition(0);
  QTest::sendKeyEvent(QTest::Click, input, Qt::Key_Delete, QStringLiteral("\x7f"), Qt::NoModifier);
  QCOMPARE(input->text(), QStringLiteral("2---"));
  // A character typed with Ctrl+Alt (AltGr on some keyboards) or with Meta
  // held is typed all the same, and so filtered.
  QTest::sendKeyEvent(QTest::Click, input, Qt::Key_Q, QStringLiteral("@"), Qt::ControlModifier | Qt::AltModifier);
  QTest::sendKeyEvent(QTest::Click, input, Qt::Key_A, QStringLiteral("a"), Qt::MetaModifier);
  QTest::sendKeyEvent(QTest::Click, input, Qt::Key_1, QStringLiteral("1"), Qt::ControlModifier | Qt::AltModifier);
  QCOMPARE(input->text(), QStringLiteral("12---"));
  input->end(false);
  // What an input method commits is typed too: only its digits and "-" stay.
  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("7") + QChar(0x4E2D) + QStringLiteral("b8"));
  QApplication::sendEvent(input, &commit);
  QCOMPARE(input->text(), QStringLiteral("12---78"));
  // Pasted text goes in unfiltered.
  QApplication::clipboard()->setText(QStringLiteral("ab.") + QChar(0x6587));
  QTest::keyClick(input, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(input->text(), QStringLiteral("12---78ab.") + QChar(0x6587));
  // Text written by the program is not filtered either.
  window_->set_content(Box::Input, "x.y");
  QCOMPARE(input->text(), QStringLiteral("x.y"));
  // Input mode 0 (the ID card kind) takes every typed character.
  QTest::mouseClick(window_->id_button(), Qt::LeftButton);
  input->setFocus();
  type_text(input, QStringLiteral("1a.") + QChar(0x4E2D));
  QCOMPARE(input->text(), QStringLiteral("1a.") + QChar(0x4E2D));
  // The display box never filters.
  type_text(window_->display_box(), QStringLiteral("z."));
  QCOMPARE(window_->display_box()->toPlainText(), QStringLiteral("z."));
}

void LookupWindowTest::run_query_dispatch_data() {
  QTest::addColumn<int>("mode");
  QTest::addColumn<QByteArray>("input");
  QTest::addColumn<QString>("worker");       // empty: none starts
  QTest::addColumn<QByteArray>("message");   // empty: no message box
  QTest::addColumn<QByteArray>("display");   // what the display box holds after
  const QByteArray empty_input(chaxun::ui::kEmptyInputMessage);
  const QByteArray bad_input(chaxun::ui::kBadInputMessage);
  const QByteArray hint(chaxun::ui::kShortPhoneHint);
  // An empty input stops every kind with the same message.
  for (int mode = 1; mode <= 4; ++mode) {
    QTest::addRow("empty input, kind %d", mode) << mode << QByteArray() << QString() << empty_input << QByteArray();
  }
  // Phone: "-" picks the area-code lookup; fewer than 7 bytes add a hint but
  // still start the worker.
  QTest::newRow("phone, area code") << 1 << QByteArray("023-1234567") << "area_code" << QByteArray() << QByteArray();
  QTest::newRow("phone, short area code") << 1 << QByteArray("0-1") << "area_code" << QByteArray() << hint;
  QTest::newRow("phone, 7 digits") << 1 << QByteArray("1390000") << "mobile" << QByteArray() << QByteArray();
  QTest::newRow("phone, 6 digits") << 1 << QByteArray("139000") << "mobile" << QByteArray() << hint;
  // Chinese characters count two bytes each: 4 characters = 8 bytes, no hint.
  QTest::newRow("phone, 4 Chinese characters")
      << 1 << QByteArray("\xD6\xD0\xB9\xFA\xD6\xD0\xB9\xFA") /* 中国中国 */ << "mobile" << QByteArray() << QByteArray();
  // IP: anything not empty, blanks included.
  QTest::newRow("IP, domain") << 2 << QByteArray("example.com") << "ip" << QByteArray() << QByteArray();
  QTest::newRow("IP, blanks") << 2 << QByteArray("   ") << "ip" << QByteArray() << QByteArray();
  // ID card: exactly 15 or 18 bytes.
  QTest::newRow("ID, 15 digits") << 3 << QByteArray("110101800101001") << "id_card" << QByteArray() << QByteArray();
  QTest::newRow("ID, 17 digits and X") << 3 << QByteArray("11010119800101001X") << "id_card" << QByteArray()
                                       << QByteArray();
  QTest::newRow("ID, 16 bytes") << 3 << QByteArray("1101011980010100") << QString() << bad_input << QByteArray();
  QTest::newRow("ID, 17 bytes") << 3 << QByteArray("11010119800101001") << QString() << bad_input << QByteArray();
  // 15 characters but 16 bytes: one of them is Chinese.
  QTest::newRow("ID, 15 characters, 16 bytes")
      << 3 << QByteArray("11010119800101\xD6\xD0") /* ...中 */ << QString() << bad_input << QByteArray();
  // 14 characters but 15 bytes.
  QTest::newRow("ID, 14 characters, 15 bytes")
      << 3 << QByteArray("1101011980010\xD6\xD0") /* ...中 */ << "id_card" << QByteArray() << QByteArray();
  // Postal: an ASCII first byte fetches by code, a Chinese one by place.
  QTest::newRow("postal, code") << 4 << QByteArray("405200") << "postal_get" << QByteArray() << QByteArray();
  QTest::newRow("postal, place") << 4 << QByteArray(chaxun::ui::kPostalSample) << "postal_place" << QByteArray()
                                 << QByteArray();
  QTest::newRow("postal, blank first") << 4 << QByteArray(" \xD6\xD0") /*  中 */ << "postal_get" << QByteArray()
                                       << QByteArray();
}

void LookupWindowTest::run_query_dispatch() {
  QFETCH(int, mode);
  QFETCH(QByteArray, input);
  QFETCH(QString, worker);
  QFETCH(QByteArray, message);
  QFETCH(QByteArray, display);
  chaxun::LookupMode.store(mode);
  window_->set_content(Box::Input, input.toStdString());
  window_->set_content(Box::Display, "old answer");
  // Focus on the display box: a query moves it to the input box, a message
  // leaves it where it was.
  window_->display_box()->setFocus();
  QTRY_COMPARE(QApplication::focusWidget(), window_->display_box());

  MessageBoxAnswerer answerer;
  window_->run_query();

  QCOMPARE(window_->get_content(Box::Display), display.toStdString());
  QCOMPARE(chaxun::LookupMode.load(), mode);
  if (message.isEmpty()) {
    QCOMPARE(answerer.seen_count(), 0);
    QCOMPARE(window_->focusWidget(), static_cast<QWidget*>(window_->input_box()));
  } else {
    QCOMPARE(answerer.seen_count(), 1);
    const SeenMessage& seen = answerer.last();
    QCOMPARE(seen.text, q(message.constData()));
    QCOMPARE(seen.title, q(chaxun::ui::kErrorTitle));
    QCOMPARE(seen.icon, QMessageBox::Warning);
    QCOMPARE(seen.button_count, 1);
    QVERIFY(seen.ok_button);
    QCOMPARE(seen.modality, Qt::ApplicationModal);
    QVERIFY(!seen.has_parent);
    QCOMPARE(window_->focusWidget(), window_->display_box());
  }
  if (worker.isEmpty()) {
    QTest::qWait(20);
    QCOMPARE(recorder_->count(), 0);
  } else {
    wait_for_workers(1);
    QCOMPARE(recorder_->names(), std::vector<std::string>{worker.toStdString()});
  }
}

void LookupWindowTest::enter_in_input_box_runs_query_and_types_nothing_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
  QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
  QTest::newRow("Ctrl+Enter") << int(Qt::Key_Return) << int(Qt::ControlModifier);
  QTest::newRow("Shift+Enter") << int(Qt::Key_Return) << int(Qt::ShiftModifier);
  QTest::newRow("Alt+Enter") << int(Qt::Key_Return) << int(Qt::AltModifier);
}

void LookupWindowTest::enter_in_input_box_runs_query_and_types_nothing() {
  QFETCH(int, key);
  QFETCH(int, modifiers);
  window_->set_content(Box::Input, "1390000");
  window_->input_box()->setFocus();
  QTest::sendKeyEvent(QTest::Click, window_->input_box(), Qt::Key(key), QStringLiteral("\r"),
                      Qt::KeyboardModifiers(modifiers));
  wait_for_workers(1);
  QCOMPARE(recorder_->names(), std::vector<std::string>{"mobile"});
  QCOMPARE(window_->get_content(Box::Input), Text("1390000"));
  QCOMPARE(window_->get_content(Box::Display), Text());
}

void LookupWindowTest::enter_in_display_box_starts_new_line() {
  QPlainTextEdit* display = window_->display_box();
  display->setFocus();
  type_text(display, QStringLiteral("ab"));
  QTest::keyClick(display, Qt::Key_Return);
  type_text(display, QStringLiteral("c"));
  QCOMPARE(window_->get_content(Box::Display), Text("ab\r\nc"));
  QTest::qWait(20);
  QCOMPARE(recorder_->count(), 0);
}

void LookupWindowTest::escape_closes_window_data() {
  QTest::addColumn<int>("control");  // index into the list below
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<bool>("closes");
  const char* names[] = {"phone button", "IP button",    "ID card button", "postal button",
                         "input box",    "query button", "display box"};
  for (int i = 0; i < 7; ++i) QTest::addRow("Esc in %s", names[i]) << i << int(Qt::NoModifier) << true;
  // Only a plain Esc closes.
  QTest::newRow("Shift+Esc in input box") << 4 << int(Qt::ShiftModifier) << false;
  QTest::newRow("Ctrl+Esc in display box") << 6 << int(Qt::ControlModifier) << false;
}

void LookupWindowTest::escape_closes_window() {
  QFETCH(int, control);
  QFETCH(int, modifiers);
  QFETCH(bool, closes);
  QWidget* controls[] = {window_->phone_button(), window_->ip_button(),    window_->id_button(),
                         window_->postal_button(), window_->input_box(),  window_->query_button(),
                         window_->display_box()};
  controls[control]->setFocus();
  QTest::keyClick(controls[control], Qt::Key_Escape, Qt::KeyboardModifiers(modifiers));
  QCOMPARE(window_->isVisible(), !closes);
  QCOMPARE(recorder_->count(), 0);
}

void LookupWindowTest::two_queries_in_flight_both_write() {
  // Two workers that wait until released, then read the input box and append
  // their answer: the one started first is released last, and the second
  // query does not wait for the first.
  Gate first_gate, second_gate;
  std::atomic<int> done{0};
  std::atomic<int> started{0};
  LookupRoutines routines;
  routines.mobile = [&](LookupView& view) {
    Gate& gate = started.fetch_add(1) == 0 ? first_gate : second_gate;
    gate.wait();
    const Text input = view.get_content(Box::Input);
    view.append_text(Box::Display, {"answer ", input, "\r\n"});
    done.fetch_add(1);
  };
  auto* window = new LookupWindow(routines);
  window->show();
  window->set_content(Box::Input, "1390000");
  window->run_query();
  QTRY_COMPARE(started.load(), 1);
  window->set_content(Box::Input, "1380000");
  window->run_query();
  QTRY_COMPARE(started.load(), 2);
  second_gate.open();
  QTRY_COMPARE(done.load(), 1);
  first_gate.open();
  QTRY_COMPARE(done.load(), 2);
  // The display box was emptied at the second press only; both answers stay.
  QCOMPARE(window->get_content(Box::Display), Text("answer 1380000\r\nanswer 1380000\r\n"));
  QTextCursor cursor = window->display_box()->textCursor();
  QVERIFY(!cursor.hasSelection());
  QVERIFY(cursor.atEnd());
  delete window;
}

void LookupWindowTest::worker_operations_run_while_message_box_is_open() {
  // A worker writes while the user still has a message box open.
  Gate gate;
  std::atomic<bool> wrote{false};
  LookupRoutines routines;
  routines.ip = [&](LookupView& view) {
    gate.wait();
    view.set_content(Box::Display, "late answer");
    view.set_selection_start(Box::Display, 0);
    wrote.store(true);
  };
  auto* window = new LookupWindow(routines);
  window->show();
  chaxun::LookupMode.store(2);
  window->set_content(Box::Input, "example.com");
  window->run_query();
  window->set_content(Box::Input, {});
  bool wrote_while_open = false;
  MessageBoxAnswerer answerer([&] {
    gate.open();
    QTRY_VERIFY(wrote.load());
    wrote_while_open = true;
  });
  window->run_query();  // empty input: the message box
  QCOMPARE(answerer.seen_count(), 1);
  QVERIFY(wrote_while_open);
  // The worker's answer came after the query emptied the display box.
  QCOMPARE(window->get_content(Box::Display), Text("late answer"));
  QCOMPARE(window->display_box()->textCursor().position(), 0);
  delete window;
}

void LookupWindowTest::texts_cross_as_code_page_936() {
  QLineEdit* input = window_->input_box();
  // Characters code page 936 cannot hold come out as one "?" each, U+0000
  // too; nothing around them is lost.
  // Unpaired surrogates (pasted from a broken source) are one "?" each.
  input->setText(QStringLiteral("a") + QChar(0x05D0) + QString::fromUtf8("\xF0\x9F\x98\x80") + QChar(0x4E2D) +
                 QChar(u'\0') + QChar(0xD800) + QStringLiteral("z") + QChar(0xDC00));
  QCOMPARE(window_->get_content(Box::Input), Text("a??\xD6\xD0??z?"));  // a??中??z?
  // A text ending in the first byte of a two-byte character keeps it, as "?",
  // and the next text does not pick it up.
  window_->set_content(Box::Input, "ab\xD6");
  QCOMPARE(window_->get_content(Box::Input), Text("ab?"));
  window_->set_content(Box::Input, "\xD6\xD0");  // 中
  QCOMPARE(window_->input_box()->text(), QString(QChar(0x4E2D)));
  // A long text is never cut, in either box.
  const Text long_text(200000, '7');
  window_->set_content(Box::Input, long_text);
  QCOMPARE(window_->get_content(Box::Input), long_text);
  window_->set_content(Box::Display, long_text);
  QCOMPARE(window_->get_content(Box::Display), long_text);
  // GBK in, GBK out, from a worker thread as well.
  Text from_worker;
  std::atomic<bool> read{false};
  window_->set_content(Box::Input, chaxun::ui::kPostalSample);
  std::thread worker([&] {
    from_worker = window_->get_content(Box::Input);
    read.store(true);
  });
  QTRY_VERIFY(read.load());  // the window's thread serves the call meanwhile
  worker.join();
  QCOMPARE(from_worker, Text(chaxun::ui::kPostalSample));
  QCOMPARE(input->text(), QString::fromUtf8("\xE9\x87\x8D\xE5\xBA\x86\xE5\xB8\x82 \xE6\xA2\x81\xE5\xB9\xB3\xE5\x8E\xBF"));
}

void LookupWindowTest::display_box_line_ends() {
  QPlainTextEdit* display = window_->display_box();
  // CR LF from the workers is one line break, and comes back as CR LF.
  window_->set_content(Box::Display, "one\r\ntwo");
  QCOMPARE(display->blockCount(), 2);
  QCOMPARE(window_->get_content(Box::Display), Text("one\r\ntwo"));
  window_->append_text(Box::Display, {"\r\n", "three", "\r\n"});
  QCOMPARE(display->blockCount(), 4);
  QCOMPARE(window_->get_content(Box::Display), Text("one\r\ntwo\r\nthree\r\n"));
  // Appending keeps the end in view, however long the text grows.
  Text many;
  for (int i = 0; i < 200; ++i) many += "line\r\n";
  window_->append_text(Box::Display, {many, "last"});
  QVERIFY(display->verticalScrollBar()->value() > 0);
  QVERIFY(display->viewport()->rect().contains(display->cursorRect()));
  // set_selection_start: 0 to the top, in view; -1 and past the end to the end.
  window_->set_selection_start(Box::Display, 0);
  QCOMPARE(display->textCursor().position(), 0);
  QCOMPARE(display->verticalScrollBar()->value(), 0);
  window_->set_selection_start(Box::Display, -1);
  QVERIFY(display->textCursor().atEnd());
  window_->set_selection_start(Box::Display, 100000);
  QVERIFY(display->textCursor().atEnd());
  // The input box takes appended texts at its end.
  window_->set_content(Box::Input, "ab");
  window_->input_box()->setCursorPosition(0);
  window_->append_text(Box::Input, {"c", "d"});
  QCOMPARE(window_->get_content(Box::Input), Text("abcd"));
  QCOMPARE(window_->input_box()->cursorPosition(), 4);
}

void LookupWindowTest::process_events_on_worker_thread_leaves_window_events_alone() {
  bool handled = false;
  QMetaObject::invokeMethod(window_, [&handled] { handled = true; }, Qt::QueuedConnection);
  std::thread worker([] { chaxun::process_pending_events(); });
  worker.join();
  QVERIFY(!handled);  // a worker handles only its own (no) events
  chaxun::process_pending_events();
  QVERIFY(handled);  // on the window's thread the window's events run
}

void LookupWindowTest::start_worker_contains_exceptions() {
  std::atomic<int> ran{0};
  std::thread::id worker_id;
  QVERIFY(chaxun::start_worker([&] {
    worker_id = std::this_thread::get_id();
    ran.fetch_add(1);
    throw std::runtime_error("lookup failed");
  }));
  QVERIFY(chaxun::start_worker([&] { ran.fetch_add(1); }));
  QTRY_COMPARE(ran.load(), 2);
  QVERIFY(worker_id != std::this_thread::get_id());
}

QTEST_MAIN(LookupWindowTest)
#include "lookup_window_test.moc"
