// The window as the lookups see it: the two edit boxes and the operations a
// worker uses on them. The window layer implements it so that each operation
// runs on the window's thread while the calling worker waits; tests implement
// it in memory.
#pragma once

#include <vector>

#include "text/text.h"

namespace chaxun {

enum class Box {
  Input,    // the input box
  Display,  // the display box
};

class LookupView {
 public:
  virtual ~LookupView() = default;

  // The box's current text (code page 936).
  virtual Text get_content(Box box) = 0;
  // Replaces the box's whole text.
  virtual void set_content(Box box, const Text& text) = 0;
  // For each text in turn: caret to the end (nothing selected), scroll it into
  // view, insert the text. Afterwards the caret stands after the last text.
  virtual void append_text(Box box, const std::vector<Text>& texts) = 0;
  // Caret to `position` (0 = before the first character, -1 = at the end),
  // nothing selected, scrolled into view.
  virtual void set_selection_start(Box box, int position) = 0;
};

}  // namespace chaxun
