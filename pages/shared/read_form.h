#pragma once

#include "controls/control.h"
#include "controls/memo.h"

namespace kestrel::pages {

// The "READ" text viewer that pages write their output and scripts into. A caller sets the
// memo's text and shows the window (not modally); it shows what the last writer left.
struct ReadForm {
  controls::Memo Memo1;
  controls::Panel Window{"READ", false};

  void Show() { Window.SetVisible(true); }
};

}  // namespace kestrel::pages
