#pragma once
// The one seam through which the program reaches every effect that would block a test or leave
// the process: clocks, waits, dialogs, the alarm sound, the tray and raising the window.
// The windows implement it with Qt; tools use PlainPlatform; tests use the recording platform of
// tests/support. Code outside the windows takes only the part it uses (TMonotonicClock,
// TSteadyClock, TBoxes).
#include <cstdint>
#include <string>

#include "base/DateTimeText.h"

namespace tevra {

// The monotonic clock alone: what the alarm's hold time needs, unmoved by steps of the wall clock.
class TMonotonicClock {
 public:
  virtual ~TMonotonicClock() = default;
  // Monotonic clock in milliseconds; only differences mean anything.
  virtual std::int64_t MonotonicMs() = 0;
};

// The monotonic clock and the blocking wait: all the frame reader needs of the platform.
class TSteadyClock : public TMonotonicClock {
 public:
  // Blocking wait (the reader's pauses).
  virtual void Sleep(int ms) = 0;
};

// The boxes that tell a person something or ask: all the alarm's packet sender needs.
class TBoxes {
 public:
  virtual ~TBoxes() = default;
  // Message box with an OK button, or OK and Cancel; true when the answer is OK.
  virtual bool MessageBox(const std::string& text, const std::string& title, bool okCancel) = 0;
  // A box with an OK button that does not wait: the caller runs on while it is open. Raised by
  // the measurement cycle, which must not stop for a person; a text already showing is not
  // shown a second time.
  // `error` gives it the look of the error dialog.
  virtual void Notice(const std::string& text, const std::string& title, bool error) = 0;
  // Confirmation dialog with OK and Cancel; true when the answer is OK.
  virtual bool Confirm(const std::string& text) = 0;
  // Error dialog with a single Yes button.
  virtual void ErrorDialog(const std::string& text) = 0;
};

class TPlatform : public TSteadyClock, public TBoxes {
 public:
  // Wall clock: whole seconds of `time`, and the local date and time of it.
  virtual std::int64_t Time() = 0;
  virtual TLocalDateTime LocalNow() = 0;
  // Wall clock in microseconds since 1970 UTC: the time of each sample of the continuous record.
  virtual std::int64_t UtcMicros() { return Time() * 1000000; }
  // Wait that keeps the event loop running (the tray registration's pauses).
  virtual void SleepWithEvents(int ms) { Sleep(ms); }

  // Folder selection starting at `start`; empty when cancelled.
  virtual std::string ChooseFolder(const std::string& start) = 0;
  // Save-file dialog proposing `suggested`, with a filter such as "PNG (*.png)"; empty when
  // cancelled. Without a dialog there is no choice.
  virtual std::string ChooseSaveFile(const std::string& /*suggested*/, const std::string& /*filter*/) {
    return {};
  }

  virtual void AlarmSound() = 0;
  virtual void RaiseWindow() = 0;

  // Notification area: add the icon, change its tip, remove it; false when refused.
  virtual bool TrayAdd(const std::string& tip) = 0;
  virtual bool TrayModify(const std::string& tip) = 0;
  virtual bool TrayDelete() = 0;
  // The icon is shown in a notification area now (one may go away after the icon was added).
  virtual bool TrayVisible() = 0;
  // A message from the notification-area icon that nobody has to answer; nothing without one.
  virtual void TrayMessage(const std::string& /*title*/, const std::string& /*text*/) {}
};

}  // namespace tevra
