#pragma once
// The platform of the command-line tools: real clocks and waits; messages go to stderr and are
// answered with OK; there is no tray and no window.
#include "base/Platform.h"

namespace tevra {

class TPlainPlatform : public TPlatform {
 public:
  std::int64_t Time() override;
  TLocalDateTime LocalNow() override;
  std::int64_t UtcMicros() override;
  std::int64_t MonotonicMs() override;
  void Sleep(int ms) override;

  bool MessageBox(const std::string& text, const std::string& title, bool okCancel) override;
  void Notice(const std::string& text, const std::string& title, bool) override {
    MessageBox(text, title, false);
  }
  bool Confirm(const std::string& text) override;
  void ErrorDialog(const std::string& text) override;
  std::string ChooseFolder(const std::string& start) override;

  void AlarmSound() override {}
  void RaiseWindow() override {}
  bool TrayAdd(const std::string&) override { return false; }
  bool TrayModify(const std::string&) override { return false; }
  bool TrayDelete() override { return false; }
  bool TrayVisible() override { return false; }
};

}  // namespace tevra
