#pragma once
// The health panels of the main window, a second status-bar row under the first so that the window
// keeps its width: the sensor line, the clock and the free disk space, coloured while something is
// wrong, with one operation-log line when a problem begins.
#include <QLabel>
#include <QStatusBar>
#include <functional>
#include <string>
#include <vector>

#include "base/Platform.h"
#include "station/ClockHealth.h"
#include "settings/DataOutputSettings.h"
#include "station/DiskSpace.h"
#include "settings/PanelSettings.h"
#include "sensor/LineHealth.h"

namespace tevra {

// The folders whose free space counts: where the records of these settings go (the archive's
// only while it is kept).
std::vector<std::string> RecordFolders(const TPanelSettings& settings, const TDataOutputSettings& output);

class TPanelHealth {
 public:
  using TLogLine = std::function<void(const std::string& line)>;

  // Adds its row at the end of `area`'s layout (a box layout).
  TPanelHealth(QWidget* area, const TPanelSettings& settings, const TDataOutputSettings& output,
               TPlatform& platform, TLogLine log);

  // Fed by the measurement: Start, Frames and Failure each tick, Stop.
  TLineHealth Line;
  TClockQuery ClockQuery = KernelClockQuery;
  TFreeSpaceQuery FreeSpaceQuery = KernelFreeSpace;
  // Tries of the waiting for the sensor so far; 0 when not waiting.
  int ReconnectTries = 0;

  // Rewrites the three panels; checks the disk when it is due or the folders changed.
  void Refresh();
  // As the last Refresh found them.
  const TClockHealth& Clock() const { return clock_; }
  bool DiskLow() const { return disk_.Low(); }
  // The record folder with the least free space; nullptr when none could be asked.
  const TFolderSpace* LeastFree() const { return disk_.Tightest(); }

  QStatusBar* Bar;
  QLabel* LinePanel;
  QLabel* ClockPanel;
  QLabel* DiskPanel;

 private:
  // Writes `line` when a problem begins; a problem that lasts is written once.
  void Episode(bool active, bool& logged, const std::string& line);

  const TPanelSettings& settings_;
  const TDataOutputSettings& output_;
  TPlatform& platform_;
  TLogLine log_;
  TDiskCheck disk_;
  TClockHealth clock_;
  std::vector<std::string> checkedFolders_;
  bool rateLogged_ = false;
  bool frozenLogged_ = false;
  bool diskLogged_ = false;
};

}  // namespace tevra
