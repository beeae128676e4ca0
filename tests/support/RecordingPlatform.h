#pragma once
// The platform of the tests: clocks that move only when told (or by Sleep), dialogs answered from
// a queue, and every effect recorded as one line in `Calls`.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/Platform.h"

namespace tevra {

class TRecordingPlatform : public TPlatform {
 public:
  // Wall clock in seconds (local time is taken as UTC so results do not depend on the machine).
  std::int64_t WallSeconds = 1193747696;  // 2007/10/30 12:34:56
  std::int64_t MonotonicMillis = 1000000;
  bool TrayAvailable = true;
  // Answers for MessageBox with OK/Cancel and Confirm, oldest first; true (OK) once empty.
  std::deque<bool> Answers;
  std::string FolderAnswer;
  std::string SaveFileAnswer;
  // Called inside every message box, confirmation and error dialog, as a nested event loop would.
  std::function<void()> DuringDialog;
  // Called inside every Sleep with its length: what the outside world does meanwhile (a sensor
  // sending frames).
  std::function<void(int ms)> DuringSleep;
  std::vector<std::string> Calls;

  void SetLocalNow(const TLocalDateTime& t) { WallSeconds = UtcSecondsOf(t); }
  // Moves both clocks.
  void Advance(int ms);
  // Number of recorded calls that start with `prefix`.
  int Count(const std::string& prefix) const;

  std::int64_t Time() override { return WallSeconds; }
  TLocalDateTime LocalNow() override { return UtcDateTimeOf(WallSeconds); }
  std::int64_t UtcMicros() override { return WallSeconds * 1000000 + subMillis_ * 1000; }
  std::int64_t MonotonicMs() override { return MonotonicMillis; }
  void Sleep(int ms) override;
  void SleepWithEvents(int ms) override;

  bool MessageBox(const std::string& text, const std::string& title, bool okCancel) override;
  void Notice(const std::string& text, const std::string& title, bool error) override {
    Calls.push_back((error ? "ErrorNotice " : "Notice ") + text + "|" + title);
  }
  bool Confirm(const std::string& text) override;
  void ErrorDialog(const std::string& text) override;
  std::string ChooseFolder(const std::string& start) override;
  std::string ChooseSaveFile(const std::string& suggested, const std::string& filter) override;

  void AlarmSound() override { Calls.push_back("AlarmSound"); }
  void RaiseWindow() override { Calls.push_back("RaiseWindow"); }
  bool TrayAdd(const std::string& tip) override;
  bool TrayModify(const std::string& tip) override;
  bool TrayDelete() override;
  bool TrayVisible() override { return TrayAvailable && trayShown_; }
  void TrayMessage(const std::string& title, const std::string& text) override {
    Calls.push_back("TrayMessage " + title + "|" + text);
  }

 private:
  bool NextAnswer();
  void RunDuringDialog();
  int subMillis_ = 0;
  bool inDialog_ = false;
  bool trayShown_ = false;
};

}  // namespace tevra
