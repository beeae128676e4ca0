#pragma once
// When the connection to the X server breaks, Qt warns and calls exit() from inside its event
// handling. exit() runs the static destructors first: the text converters the settings file needs
// are gone before anything could save, and the windows are never closed. The warning is the last
// moment at which everything still works, so the program ends there, as a stop signal ends it.
#include <functional>

namespace tevra {

// While it exists, Qt's warning of a lost display runs `end` on the GUI thread and then ends the
// process with status 0 at once, before Qt's exit() can.
class TDisplayLossEnd {
 public:
  explicit TDisplayLossEnd(std::function<void()> end);
  ~TDisplayLossEnd();
  TDisplayLossEnd(const TDisplayLossEnd&) = delete;
  TDisplayLossEnd& operator=(const TDisplayLossEnd&) = delete;
};

}  // namespace tevra
