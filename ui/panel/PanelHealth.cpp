#include "ui/panel/PanelHealth.h"

#include <QBoxLayout>

#include "base/DateTimeText.h"
#include "base/TextFormat.h"
#include "history/HistoryFile.h"

namespace tevra {
namespace {

QStatusBar* NewRow(QWidget* area) {
  auto* bar = new QStatusBar(area);
  bar->setSizeGripEnabled(false);
  if (auto* layout = qobject_cast<QBoxLayout*>(area->layout())) layout->addWidget(bar);
  return bar;
}

QLabel* NewPanel(QStatusBar* bar, int stretch) {
  auto* label = new QLabel(bar);
  label->setContentsMargins(2, 0, 2, 0);
  bar->addWidget(label, stretch);
  return label;
}

void Show(QLabel* panel, const std::string& text, bool flagged) {
  panel->setText(QString::fromStdString(text));
  panel->setStyleSheet(flagged ? QStringLiteral("background-color: #ff9c9c; color: black;") : QString());
}

}  // namespace

std::vector<std::string> RecordFolders(const TPanelSettings& settings, const TDataOutputSettings& output) {
  const std::string historyBase = HistoryBaseFolder(settings);
  // The history folder is made at its first minute: until then its parent tells the disk.
  std::vector<std::string> folders = {settings.EventFolder, settings.DetailFolder, historyBase,
                                      HistoryFolder(historyBase)};
  if (output.Archive) folders.push_back(output.ArchiveFolder);
  return folders;
}

TPanelHealth::TPanelHealth(QWidget* area, const TPanelSettings& settings, const TDataOutputSettings& output,
                           TPlatform& platform, TLogLine log)
    : Bar(NewRow(area)),
      LinePanel(NewPanel(Bar, 0)),
      ClockPanel(NewPanel(Bar, 0)),
      DiskPanel(NewPanel(Bar, 1)),
      settings_(settings),
      output_(output),
      platform_(platform),
      log_(std::move(log)) {}

void TPanelHealth::Episode(bool active, bool& logged, const std::string& line) {
  if (active && !logged && log_) log_(line);
  logged = active;
}

void TPanelHealth::Refresh() {
  const std::int64_t now = platform_.MonotonicMs();
  const std::string time = DateTimeText(platform_.LocalNow());

  const bool rate = Line.RateFlagged();
  const bool frozen = Line.Frozen();
  std::string lineText = LineHealthPanelText(Line, now);
  if (ReconnectTries > 0) lineText += Printf(" 再接続試行 %d回", ReconnectTries);
  Show(LinePanel, lineText, rate || frozen || ReconnectTries > 0);
  Episode(rate, rateLogged_,
          OperationLine(time, Printf("受信フレーム数異常　%.1f フレーム/秒", Line.JudgedRate())));
  Episode(frozen, frozenLogged_, OperationLine(time, "センサ値固定（10秒間変化なし）"));

  clock_ = ReadClockHealth(ClockQuery);
  Show(ClockPanel, ClockHealthText(clock_), clock_.Known && !clock_.Synchronised);

  const std::vector<std::string> folders = RecordFolders(settings_, output_);
  if (disk_.Due(now) || folders != checkedFolders_) {
    disk_.Check(now, folders, FreeSpaceQuery);
    checkedFolders_ = folders;
  }
  const bool low = disk_.Low();
  Show(DiskPanel, DiskSpaceText(disk_), low);
  const TFolderSpace* tightest = disk_.Tightest();
  if (tightest) {
    Episode(low, diskLogged_,
            OperationLine(time, Printf("ディスク空き容量不足　%s　%.0f MB", tightest->Folder.c_str(),
                                       static_cast<double>(tightest->FreeBytes) / 1e6)));
  }
}

}  // namespace tevra
