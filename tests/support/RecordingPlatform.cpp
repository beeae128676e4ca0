#include "support/RecordingPlatform.h"

namespace tevra {

void TRecordingPlatform::Advance(int ms) {
  MonotonicMillis += ms;
  subMillis_ += ms;
  WallSeconds += subMillis_ / 1000;
  subMillis_ %= 1000;
}

int TRecordingPlatform::Count(const std::string& prefix) const {
  int n = 0;
  for (const auto& c : Calls) {
    if (c.compare(0, prefix.size(), prefix) == 0) ++n;
  }
  return n;
}

void TRecordingPlatform::Sleep(int ms) {
  Calls.push_back("Sleep " + std::to_string(ms));
  Advance(ms);
  if (DuringSleep) DuringSleep(ms);
}

void TRecordingPlatform::SleepWithEvents(int ms) {
  Calls.push_back("SleepWithEvents " + std::to_string(ms));
  Advance(ms);
}

bool TRecordingPlatform::NextAnswer() {
  if (Answers.empty()) return true;
  const bool answer = Answers.front();
  Answers.pop_front();
  return answer;
}

void TRecordingPlatform::RunDuringDialog() {
  // A dialog inside the hook's own dialog would recurse without end; real nested loops nest too,
  // but a test needs only one level.
  if (!DuringDialog || inDialog_) return;
  inDialog_ = true;
  DuringDialog();
  inDialog_ = false;
}

bool TRecordingPlatform::MessageBox(const std::string& text, const std::string& title, bool okCancel) {
  Calls.push_back("MessageBox " + text + "|" + title + (okCancel ? "|OKCANCEL" : "|OK"));
  RunDuringDialog();
  return okCancel ? NextAnswer() : true;
}

bool TRecordingPlatform::Confirm(const std::string& text) {
  Calls.push_back("Confirm " + text);
  RunDuringDialog();
  return NextAnswer();
}

void TRecordingPlatform::ErrorDialog(const std::string& text) {
  Calls.push_back("ErrorDialog " + text);
  RunDuringDialog();
}

std::string TRecordingPlatform::ChooseFolder(const std::string& start) {
  Calls.push_back("ChooseFolder " + start);
  return FolderAnswer;
}

std::string TRecordingPlatform::ChooseSaveFile(const std::string& suggested, const std::string&) {
  Calls.push_back("ChooseSaveFile " + suggested);
  return SaveFileAnswer;
}

bool TRecordingPlatform::TrayAdd(const std::string& tip) {
  Calls.push_back("TrayAdd " + tip);
  trayShown_ = TrayAvailable;
  return TrayAvailable;
}

bool TRecordingPlatform::TrayModify(const std::string& tip) {
  Calls.push_back("TrayModify " + tip);
  return TrayAvailable;
}

bool TRecordingPlatform::TrayDelete() {
  Calls.push_back("TrayDelete");
  trayShown_ = false;
  return TrayAvailable;
}

}  // namespace tevra
