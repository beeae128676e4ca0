#include "ui/views/AlarmRecordsForm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>

#include "base/TextFormat.h"
#include "alarm/AlarmFileNames.h"
#include "ui/views/AlarmChart.h"
#include "ui/kit/ChartParts.h"
#include "ui/kit/QtPlatform.h"

namespace tevra {

TAlarmRecordsForm::TAlarmRecordsForm(TPlatform& platform, const TPanelSettings& settings, QWidget* parent)
    : QWidget(parent), platform_(platform), settings_(settings) {
  setWindowTitle(QStringLiteral("警報記録"));
  setWindowIcon(ApplicationIcon());
  auto* layout = new QVBoxLayout(this);
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  AlarmList = new QTreeWidget(splitter);
  AlarmList->setHeaderLabels({QStringLiteral("検出時刻"), QStringLiteral("最大震度"),
                              QStringLiteral("最大加速度(gal)"), QStringLiteral("長周期")});
  AlarmList->setRootIsDecorated(false);
  AlarmList->setSelectionMode(QAbstractItemView::SingleSelection);
  AlarmList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  ChartView = new QChartView(splitter);
  ChartView->setRenderHint(QPainter::Antialiasing);
  splitter->addWidget(AlarmList);
  splitter->addWidget(ChartView);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({460, 780});  // room for the four columns
  auto* bottom = new QHBoxLayout;
  FileLabel = new QLabel(this);
  FileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  ExportButton = new QPushButton(QStringLiteral("PNG 保存..."), this);
  ExportButton->setEnabled(false);
  bottom->addWidget(FileLabel, 1);
  bottom->addWidget(ExportButton);
  layout->addWidget(splitter, 1);
  layout->addLayout(bottom);
  resize(1240, 640);

  connect(AlarmList, &QTreeWidget::currentItemChanged, this,
          [this] { ShowAlarm(AlarmList->indexOfTopLevelItem(AlarmList->currentItem())); });
  connect(ExportButton, &QPushButton::clicked, this, &TAlarmRecordsForm::ExportClick);
}

void TAlarmRecordsForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Reload();
}

void TAlarmRecordsForm::Reload() {
  Alarms = ReadAlarmLog(EventLogPath(settings_.EventFolder, settings_.SensorId));
  std::reverse(Alarms.begin(), Alarms.end());
  const std::vector<TLongPeriodEntry> longPeriod =
      ReadLongPeriodLog(LongPeriodLogPath(settings_.EventFolder, settings_.SensorId));
  LongPeriodTexts.clear();
  const QSignalBlocker quiet(AlarmList);
  AlarmList->clear();
  for (const TAlarmEntry& a : Alarms) {
    LongPeriodTexts.push_back(LongPeriodEntryText(FindLongPeriodEntry(longPeriod, a.Detected)));
    auto* item = new QTreeWidgetItem(AlarmList);
    item->setText(0, Q(DateTimeText(a.Detected)));
    item->setText(1, Q(Printf("%1.1f", a.LargestIntensity())));
    item->setText(2, Q(Printf("%.1f", a.LargestComposite())));
    item->setText(3, Q(LongPeriodTexts.back()));
    if (!a.HasMaximum) item->setToolTip(0, QStringLiteral("終了の記録がありません（警報中の計測終了など）"));
    for (int c = 1; c < 3; ++c) item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
  }
  if (!Alarms.empty()) AlarmList->setCurrentItem(AlarmList->topLevelItem(0));
  ShowAlarm(Alarms.empty() ? -1 : 0);
}

void TAlarmRecordsForm::ShowAlarm(int row) {
  DetailPath.clear();
  Samples = {};
  Detection = -1;
  QString title;
  if (row < 0 || row >= static_cast<int>(Alarms.size())) {
    FileLabel->setText(Alarms.empty() ? QStringLiteral("警報の記録がありません。") : QString());
  } else {
    const TAlarmEntry& a = Alarms[static_cast<std::size_t>(row)];
    title =
        QStringLiteral("警報 %1 検出　最大震度 %2　最大加速度 %3 gal　長周期 %4")
            .arg(Q(DateTimeText(a.Detected)), Q(Printf("%1.1f", a.LargestIntensity())),
                 Q(Printf("%.1f", a.LargestComposite())), Q(LongPeriodTexts[static_cast<std::size_t>(row)]));
    const std::string path = FindDetailFile(settings_.DetailFolder, settings_.SensorId, a.Detected);
    if (!path.empty() && ReadDetailFile(path, Samples)) {
      DetailPath = path;
      Detection = DetectionIndex(Samples, a.Detected);
      FileLabel->setText(Q(path));
    } else {
      FileLabel->setText(QStringLiteral("この警報の詳細データファイルがありません。"));
    }
  }
  ExportButton->setEnabled(!DetailPath.empty());
  QChart* old = ChartView->chart();
  ChartView->setChart(BuildAlarmChart(Samples, Detection, title));
  delete old;
}

void TAlarmRecordsForm::ExportClick() {
  if (DetailPath.empty()) return;
  const std::string path = platform_.ChooseSaveFile(AlarmPicturePath(DetailPath), "PNG (*.png)");
  if (path.empty()) return;
  const QSize size = ChartView->size().expandedTo(QSize(kAlarmPictureWidth, kAlarmPictureHeight));
  // The picture is drawn from a chart of its own, so the window's chart stays where it is.
  QChart* chart = BuildAlarmChart(Samples, Detection, ChartView->chart()->title());
  const bool saved = SaveChartPng(chart, Q(path), size.width(), size.height());
  delete chart;
  if (!saved) platform_.MessageBox("PNG ファイルを保存できません。\r" + path, "", false);
}

}  // namespace tevra
