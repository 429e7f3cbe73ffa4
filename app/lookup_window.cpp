#include "app/lookup_window.h"

#include <limits>

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QWindow>

#include "app/gbk.h"
#include "app/start_worker.h"
#include "app/ui_texts.h"
#include "lookups/globals.h"
#include "lookups/lookups.h"

namespace chaxun {

// ------------------------------------------------------------- routines

LookupRoutines LookupRoutines::standard() {
  return LookupRoutines{lookup_area_code, lookup_mobile,  lookup_own_address, lookup_ip,
                        lookup_id_card,   lookup_postal_get, lookup_postal_place};
}

// ------------------------------------------------------- typed characters

namespace {
// The input mode that lets only digits and "-" through.
constexpr int kDigitsOnly = 3;

bool is_accepted_in_digits_mode(QChar c) {
  return c.unicode() < 32 || (c >= u'0' && c <= u'9') || c == u'-';
}
}  // namespace

bool TypedCharacterFilter::accepts_all(const QString& typed) {
  for (QChar c : typed) {
    if (!is_accepted_in_digits_mode(c)) return false;
  }
  return true;
}

bool TypedCharacterFilter::types_text(const QKeyEvent& key) {
  // The edit boxes' own rule for when a key press inserts its text.
  const QString text = key.text();
  if (text.isEmpty()) return false;
  const QChar first = text.front();
  // Joiners and direction marks are typed with Ctrl+Shift on some systems.
  if (first.category() == QChar::Other_Format) return true;
  // Ctrl and Ctrl+Shift make a command (copy, paste, select all). Ctrl+Alt
  // is AltGr on some keyboards and types its character.
  const Qt::KeyboardModifiers modifiers = key.modifiers();
  if (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) return false;
  // Control characters are never typed: the Delete key carries DEL (127) on
  // some systems and must still delete.
  return first.isPrint() || first.category() == QChar::Other_PrivateUse ||
         (first.isHighSurrogate() && text.size() > 1 && text[1].isLowSurrogate());
}

bool TypedCharacterFilter::eventFilter(QObject* /*watched*/, QEvent* event) {
  if (mode_ != kDigitsOnly) return false;
  if (event->type() == QEvent::KeyPress) {
    const auto& key = *static_cast<QKeyEvent*>(event);
    return types_text(key) && !accepts_all(key.text());  // true drops the key
  }
  if (event->type() == QEvent::InputMethod) {
    // What an input method commits is typed text too: keep its accepted
    // characters only. The composition shown meanwhile is left alone.
    auto* input = static_cast<QInputMethodEvent*>(event);
    const QString committed = input->commitString();
    if (accepts_all(committed)) return false;
    QString kept;
    for (QChar c : committed) {
      if (is_accepted_in_digits_mode(c)) kept.append(c);
    }
    input->setCommitString(kept, input->replacementStart(), input->replacementLength());
  }
  return false;
}

// ---------------------------------------------------------------- window

namespace {

struct ControlPlace {
  int left, top, width, height;
};
// Group box within the client area; the rest within the group box.
constexpr ControlPlace kGroupPlace{8, 7, 279, 182};
constexpr ControlPlace kPhonePlace{12, 23, 64, 25};
constexpr ControlPlace kIpPlace{76, 23, 64, 25};
constexpr ControlPlace kIdPlace{140, 23, 64, 25};
constexpr ControlPlace kPostalPlace{204, 23, 64, 25};
constexpr ControlPlace kInputPlace{13, 59, 177, 23};
constexpr ControlPlace kQueryPlace{200, 58, 65, 25};
constexpr ControlPlace kDisplayPlace{13, 93, 253, 79};

void place(QWidget* control, const ControlPlace& p) { control->setGeometry(p.left, p.top, p.width, p.height); }

QPushButton* make_button(QWidget* parent, const char* name, const char* caption, const ControlPlace& p) {
  auto* button = new QPushButton(gbk_to_qstring(caption), parent);
  button->setObjectName(gbk_to_qstring(name));
  // No default button: Enter never clicks one.
  button->setAutoDefault(false);
  button->setDefault(false);
  place(button, p);
  return button;
}

// Black text on white; the selection is hidden while the box has no focus.
void set_edit_colours(QWidget* box) {
  QPalette palette = box->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Base, Qt::white);
    palette.setColor(group, QPalette::Text, Qt::black);
  }
  palette.setColor(QPalette::Inactive, QPalette::Highlight, Qt::white);
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
  box->setPalette(palette);
}

// Display-box lines: CR LF (or a lone CR) is one line break.
QString to_display_lines(QString s) {
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QChar(u'\r'), QChar(u'\n'));
  return s;
}

// The five images of the window icon (drawn by scripts/make_icon).
QIcon window_icon() {
  QIcon icon;
  for (int size : {128, 48, 32, 24, 16}) {
    icon.addFile(QStringLiteral(":/chaxun/chaxun_%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

constexpr int kCtrl = 1;
constexpr int kShift = 2;
constexpr int kAlt = 4;
constexpr int kEnterKeyCode = 13;

int modifier_sum(Qt::KeyboardModifiers m) {
  return (m & Qt::ControlModifier ? kCtrl : 0) + (m & Qt::ShiftModifier ? kShift : 0) +
         (m & Qt::AltModifier ? kAlt : 0);
}

}  // namespace

LookupWindow::LookupWindow(LookupRoutines routines)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      routines_(std::move(routines)) {
  setObjectName(QStringLiteral("LookupWindow"));
  setWindowTitle(gbk_to_qstring(ui::kCaption));
  setWindowIcon(window_icon());

  // Dialog background: the button-face colour of the palette.
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  setPalette(palette);
  setAutoFillBackground(true);

  group_ = new QGroupBox(gbk_to_qstring(ui::kGroupCaption), this);
  group_->setObjectName(gbk_to_qstring(ui::kGroupName));
  place(group_, kGroupPlace);

  phone_button_ = make_button(group_, ui::kPhoneButtonName, ui::kPhoneCaption, kPhonePlace);
  ip_button_ = make_button(group_, ui::kIpButtonName, ui::kIpCaption, kIpPlace);
  id_button_ = make_button(group_, ui::kIdButtonName, ui::kIdCaption, kIdPlace);
  postal_button_ = make_button(group_, ui::kPostalButtonName, ui::kPostalCaption, kPostalPlace);

  input_ = new QLineEdit(group_);
  input_->setObjectName(gbk_to_qstring(ui::kInputBoxName));
  input_->setMaxLength(std::numeric_limits<int>::max());  // no length limit
  set_edit_colours(input_);
  place(input_, kInputPlace);

  query_button_ = make_button(group_, ui::kQueryButtonName, ui::kQueryCaption, kQueryPlace);

  display_ = new QPlainTextEdit(group_);
  display_->setObjectName(gbk_to_qstring(ui::kDisplayBoxName));
  display_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  display_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  display_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  display_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  display_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  display_->setTabChangesFocus(true);
  set_edit_colours(display_);
  place(display_, kDisplayPlace);

  input_filter_ = new TypedCharacterFilter(input_);
  display_filter_ = new TypedCharacterFilter(display_);
  input_->installEventFilter(input_filter_);
  display_->installEventFilter(display_filter_);

  // Esc from every control, Enter in the input box: installed after the
  // typed-character filters, so these run first.
  for (QWidget* control : std::initializer_list<QWidget*>{this, phone_button_, ip_button_, id_button_,
                                                           postal_button_, input_, query_button_, display_, group_}) {
    control->installEventFilter(this);
  }

  setTabOrder(phone_button_, ip_button_);
  setTabOrder(ip_button_, id_button_);
  setTabOrder(id_button_, postal_button_);
  setTabOrder(postal_button_, input_);
  setTabOrder(input_, query_button_);
  setTabOrder(query_button_, display_);

  connect(phone_button_, &QPushButton::clicked, this, &LookupWindow::select_phone_mode);
  connect(ip_button_, &QPushButton::clicked, this, &LookupWindow::select_ip_mode);
  connect(id_button_, &QPushButton::clicked, this, &LookupWindow::select_id_mode);
  connect(postal_button_, &QPushButton::clicked, this, &LookupWindow::select_postal_mode);
  connect(query_button_, &QPushButton::clicked, this, &LookupWindow::run_query);

  set_content_here(Box::Input, ui::kInitialInput);
  set_input_mode(Box::Input, kDigitsOnly);
  input_->setFocus();

  fit_to_frame();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - kOuterWidth) / 2, area.y() + (area.height() - kOuterHeight) / 2);
  }

  init_lookup_mode();
}

LookupWindow::~LookupWindow() { closed_.store(true); }

// ------------------------------------------------------ window operations

Text LookupWindow::get_content(Box box) {
  return on_window_thread([this, box] { return content_here(box); });
}

void LookupWindow::set_content(Box box, const Text& text) {
  on_window_thread([this, box, &text] { set_content_here(box, text); });
}

void LookupWindow::append_text(Box box, const std::vector<Text>& texts) {
  on_window_thread([this, box, &texts] { append_text_here(box, texts); });
}

void LookupWindow::set_selection_start(Box box, int position) {
  on_window_thread([this, box, position] { set_selection_start_here(box, position); });
}

Text LookupWindow::content_here(Box box) const {
  if (box == Box::Input) return qstring_to_gbk(input_->text());
  QString s = display_->toPlainText();
  s.replace(QChar(u'\n'), QStringLiteral("\r\n"));
  return qstring_to_gbk(s);
}

void LookupWindow::set_content_here(Box box, const Text& text) {
  if (box == Box::Input) {
    input_->setText(gbk_to_qstring(text));
    input_->setCursorPosition(0);
  } else {
    display_->setPlainText(to_display_lines(gbk_to_qstring(text)));
  }
}

void LookupWindow::append_text_here(Box box, const std::vector<Text>& texts) {
  // Inserting the texts one after another at the end, with nothing else
  // changing the box in between, leaves the same content, caret and view as
  // inserting them joined: each is decoded on its own, then all go in at once.
  QString joined;
  for (const Text& text : texts) joined += gbk_to_qstring(text);
  if (box == Box::Input) {
    input_->end(false);
    input_->insert(joined);
    return;
  }
  QTextCursor cursor = display_->textCursor();
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(to_display_lines(std::move(joined)));
  display_->setTextCursor(cursor);
  display_->ensureCursorVisible();
}

void LookupWindow::set_selection_start_here(Box box, int position) {
  if (box == Box::Input) {
    const int length = static_cast<int>(input_->text().size());
    input_->deselect();
    input_->setCursorPosition(position < 0 || position > length ? length : position);
    return;
  }
  QTextCursor cursor = display_->textCursor();
  cursor.movePosition(QTextCursor::End);
  if (position >= 0 && position < cursor.position()) cursor.setPosition(position);
  display_->setTextCursor(cursor);
  display_->ensureCursorVisible();
}

void LookupWindow::set_input_mode(Box box, int mode) {
  (box == Box::Input ? input_filter_ : display_filter_)->set_mode(mode);
}

int LookupWindow::input_mode(Box box) const {
  return (box == Box::Input ? input_filter_ : display_filter_)->mode();
}

void LookupWindow::set_focus(QWidget* control) { control->setFocus(Qt::OtherFocusReason); }

void LookupWindow::show_message(const char* text, const char* title) {
  QMessageBox box(QMessageBox::Warning, gbk_to_qstring(title), gbk_to_qstring(text), QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

// --------------------------------------------------------------- handlers

void LookupWindow::init_lookup_mode() { LookupMode.store(1); }

void LookupWindow::select_phone_mode() {
  LookupMode.store(1);
  set_content(Box::Display, {});
  set_content(Box::Input, {});
  set_input_mode(Box::Input, kDigitsOnly);
  set_content(Box::Input, ui::kPhoneHint);
}

void LookupWindow::select_ip_mode() {
  // The own-address worker sets the IP kind itself when it starts.
  start(routines_.own_address);
  set_content(Box::Display, {});
  set_input_mode(Box::Input, 0);
}

void LookupWindow::select_id_mode() {
  LookupMode.store(3);
  set_content(Box::Display, {});
  set_content(Box::Input, {});
  set_input_mode(Box::Input, 0);
}

void LookupWindow::select_postal_mode() {
  LookupMode.store(4);
  set_content(Box::Display, {});
  set_content(Box::Input, {});
  set_content(Box::Input, ui::kPostalSample);
  set_input_mode(Box::Input, 0);
}

void LookupWindow::run_query() {
  set_content(Box::Display, {});
  if (get_content(Box::Input).empty()) {
    show_message(ui::kEmptyInputMessage, ui::kErrorTitle);
    return;
  }
  // Read once: the own-address worker may change it meanwhile, and one query
  // starts one worker.
  switch (LookupMode.load()) {
    case 1:
      if (text_length(get_content(Box::Input)) < 7) set_content(Box::Display, ui::kShortPhoneHint);
      start(find_text(get_content(Box::Input), "-") != kNotFound ? routines_.area_code : routines_.mobile);
      break;
    case 2:
      start(routines_.ip);
      break;
    case 3: {
      const int length = text_length(get_content(Box::Input));
      if (length != 15 && length != 18) {
        show_message(ui::kBadInputMessage, ui::kErrorTitle);
        return;
      }
      start(routines_.id_card);
      break;
    }
    case 4:
      start(char_code(get_content(Box::Input), 1) > 0 ? routines_.postal_get : routines_.postal_place);
      break;
    default:
      break;
  }
  set_focus(input_);
}

bool LookupWindow::input_key_down(int key_code, int /*modifiers*/) {
  if (key_code != kEnterKeyCode) return false;
  run_query();
  return true;
}

void LookupWindow::start(const LookupRoutines::Routine& routine) {
  // The result is not used: when no thread can be made, the display box shows
  // only what the handler wrote itself.
  start_worker([this, routine] {
    if (routine) routine(*this);
  });
}

// ---------------------------------------------------------------- events

bool LookupWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  const int modifiers = modifier_sum(key->modifiers());
  if (key->key() == Qt::Key_Escape && modifiers == 0) {
    close();
    return true;
  }
  if (watched == input_) {
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    return input_key_down(enter ? kEnterKeyCode : key->key(), modifiers);
  }
  return false;
}

bool LookupWindow::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Expose:
    case QEvent::PlatformSurface:
      fit_to_frame();
      break;
    default:
      break;
  }
  return handled;
}

void LookupWindow::closeEvent(QCloseEvent* event) {
  closed_.store(true);
  QWidget::closeEvent(event);
}

void LookupWindow::fit_to_frame() {
  if (const QWindow* window = windowHandle()) {
    const QMargins reported = window->frameMargins();
    if (!reported.isNull()) frame_ = reported;
  }
  const QSize client(kOuterWidth - frame_.left() - frame_.right(), kOuterHeight - frame_.top() - frame_.bottom());
  if (client != size() || minimumSize() != maximumSize()) setFixedSize(client);
}

}  // namespace chaxun
