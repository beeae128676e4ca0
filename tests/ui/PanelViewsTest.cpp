// The windows of the 表示 menu over the panel's records, and what the cycle writes for them: the
// per-minute history and the picture of each alarm.
#include <gtest/gtest.h>

#include <QAreaSeries>
#include <QCoreApplication>
#include <QLineSeries>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "base/AtomicFile.h"
#include "base/Cp932.h"
#include "base/TextFormat.h"
#include "core/WindowAmplitudes.h"
#include "alarm/AlarmCriteria.h"
#include "ui/views/AlarmRecordsForm.h"
#include "ui/views/BackgroundVibrationForm.h"
#include "ui/kit/ChartParts.h"
#include "ui/views/HistoryForm.h"
#include "ui/PanelFixture.h"
#include "ui/panel/PanelViews.h"

namespace tevra::test {
namespace {

template <typename T>
std::vector<T*> SeriesOf(QChart* chart) {
  std::vector<T*> found;
  for (QAbstractSeries* s : chart->series()) {
    if (auto* t = qobject_cast<T*>(s)) found.push_back(t);
  }
  return found;
}

QLineSeries* Named(QChart* chart, const QString& name) {
  for (QLineSeries* s : SeriesOf<QLineSeries>(chart)) {
    if (s->name() == name) return s;
  }
  return nullptr;
}

TEST_F(PanelTest, AlarmEndWritesItsPictureAndMeasuringWritesTheMinutes) {
  CreatePanel({.AlarmKind = akCompositeAcceleration, .AlarmAcceleration = 20});
  Start();
  for (int i = 0; i < 20; ++i) Tick(10);
  source_.SwingGal = 60.0;
  for (int i = 0; i < 4; ++i) Tick(50);
  ASSERT_TRUE(panel_->AlarmState.Active);
  source_.SwingGal = 0.0;
  ASSERT_TRUE(TickUntil([&] { return !panel_->AlarmState.Active; }, 200));
  const auto details = FilesMatching("_TEST01.csv");
  ASSERT_EQ(details.size(), 1u);
  EXPECT_TRUE(FilesMatching(".png").empty()) << "drawn after the tick, not inside it";
  QCoreApplication::processEvents();
  const auto pictures = FilesMatching(".png");
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0], details[0].substr(0, details[0].size() - 4) + ".png");
  EXPECT_GT(std::filesystem::file_size(pictures[0]), 10000u);

  // The minutes that ended while measuring, the one in progress at the stop.
  panel_->N1Click();
  const auto minutes = ReadHistory(dir_, {2007, 10, 30, 12, 0, 0}, {2007, 10, 30, 13, 0, 0});
  ASSERT_GE(minutes.size(), 2u);
  EXPECT_EQ(minutes[0].Minute, (TLocalDateTime{2007, 10, 30, 12, 34, 0}));
  EXPECT_GT(std::max(minutes[0].Composite, minutes[1].Composite), 20.0);
  EXPECT_EQ(minutes.back().Minute.Minute, platform_.LocalNow().Minute);
}

// The program ends during an alarm: the minute in progress, the maximum line and the picture are
// written as the alarm's end and a stop would, but no stop line.
TEST_F(PanelTest, AnExitDuringAnAlarmWritesTheMinuteTheMaximumLineAndThePicture) {
  CreatePanel({.AlarmKind = akCompositeAcceleration, .AlarmAcceleration = 20});
  Start();
  for (int i = 0; i < 20; ++i) Tick(10);
  source_.SwingGal = 60.0;
  Tick(50);
  ASSERT_TRUE(panel_->AlarmState.Active);
  panel_->OnQueryEndSession();
  const std::string log = FileUtf8(JoinPath(dir_, "Tevra_TEST01.csv"));
  EXPECT_NE(log.find(",最大震度,"), std::string::npos) << log;
  EXPECT_EQ(log.find(",計測終了"), std::string::npos);
  const auto minutes = ReadHistory(dir_, {2007, 10, 30, 12, 0, 0}, {2007, 10, 30, 13, 0, 0});
  ASSERT_EQ(minutes.size(), 1u);
  EXPECT_GT(minutes[0].Composite, 20.0);
  const auto details = FilesMatching("_TEST01.csv");
  ASSERT_EQ(details.size(), 1u);
  EXPECT_EQ(FilesMatching(".png"),
            std::vector<std::string>{details[0].substr(0, details[0].size() - 4) + ".png"})
      << "drawn before the program ends, not after the next tick";
}

TEST_F(PanelTest, HistoryFailureIsOneLineOfTheLogThatANewMaximumLeavesAlone) {
  CreatePanel({.AlarmKind = akCompositeAcceleration, .AlarmAcceleration = 20, .SaveEventLog = false});
  ASSERT_TRUE(WriteFileAtomically(JoinPath(dir_, "history"), "a file where the folder goes"));
  const auto failureLines = [&] {
    const auto lines = ListLines();
    return std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
      return l.find("履歴ファイル書き込みエラー") != std::string::npos;
    });
  };
  Start();
  source_.SwingGal = 40.0;
  Tick(10);
  ASSERT_TRUE(panel_->AlarmState.Active);
  platform_.Advance(60000);  // a minute ends during the alarm
  Tick(10);
  EXPECT_EQ(failureLines(), 1);
  source_.SwingGal = 200.0;  // a new maximum replaces the top line, not the failure's
  Tick(10);
  Tick(10);
  for (int i = 0; i < 3; ++i) {  // the outage goes on: no more lines
    platform_.Advance(60000);
    Tick(10);
  }
  EXPECT_TRUE(panel_->Measuring());
  EXPECT_EQ(failureLines(), 1);
  EXPECT_GE(panel_->Views->History.Waiting(), 4u);
}

TEST_F(PanelTest, PictureThatCannotBeWrittenIsALineOfTheLog) {
  CreatePanel({.SensorId = "ABC"});
  const std::string detail = JoinPath(dir_, "20071030123456_ABC.csv");
  std::filesystem::copy_file(TEVRA_TEST_DATA "/output/20071030123456_ABC.csv", detail);
  std::filesystem::create_directory(JoinPath(dir_, "20071030123456_ABC.png"));  // in the picture's way
  panel_->Views->AlarmEnded(detail);
  QCoreApplication::processEvents();
  EXPECT_NE(ListLines().front().find("　警報画像の保存に失敗しました"), std::string::npos);
}

TEST_F(PanelTest, HistoryWindowDrawsRunsBandsCriterionAndAlarmPeriods) {
  CreatePanel({.AlarmKind = akInstrumentalIntensity, .AlarmIntensity = 3.0});
  // The recording platform's clock stands at 2007/10/30 12:34:56. A gap from 12:03 to 12:09, a
  // damaged line, and one alarm in the event log.
  std::filesystem::create_directories(JoinPath(dir_, "history"));
  std::string lines = "2007/10/30 11:30,0.50,1.0\n";  // within the day, not the hour
  for (int m = 0; m < 30; ++m) {
    if (m >= 3 && m < 10) continue;
    lines += Printf("2007/10/30 12:%02d,%.2f,%.1f\n", m, 0.1 * m, 2.0 * m);
  }
  lines += "2007/10/30 12:3x,1.0,1.0\n";
  ASSERT_TRUE(WriteFileAtomically(JoinPath(dir_, "history/20071030.csv"), lines));
  ASSERT_TRUE(WriteFileAtomically(JoinPath(dir_, "Tevra_TEST01.csv"),
                                  Utf8ToCp932(" 2007/10/30 12:20:05,検出震度,3.1,検出加速度,40.0\n"
                                              " 2007/10/30 12:20:30,最大震度,3.4,最大加速度,58.0\n")));
  panel_->Views->HistoryAction->trigger();
  THistoryForm* form = panel_->Views->HistoryForm();
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->RefreshTimer.isActive());
  EXPECT_EQ(form->Minutes.size(), 24u);
  ASSERT_EQ(form->Runs.size(), 3u);

  QChart* intensity = form->IntensityView->chart();
  ASSERT_NE(Named(intensity, "計測震度"), nullptr);
  std::size_t traced = 0;
  for (QLineSeries* s : SeriesOf<QLineSeries>(intensity)) {
    if (s->name() == "計測震度") traced += static_cast<std::size_t>(s->count());
  }
  EXPECT_EQ(traced, 24u) << "one series per run, so a gap stays open";
  QLineSeries* criterion = Named(intensity, "警報基準 3.0");
  ASSERT_NE(criterion, nullptr);
  EXPECT_EQ(criterion->at(0).y(), 3.0);
  // Class bands up to the axis top (4.0: the criterion and a half), then the one alarm period.
  const auto areas = SeriesOf<QAreaSeries>(intensity);
  ASSERT_EQ(areas.size(), 5u + 1u);
  EXPECT_EQ(areas.back()->name(), "警報");
  EXPECT_EQ(SeriesOf<QAreaSeries>(form->CompositeView->chart()).size(), 1u);

  const QString hover = form->MinuteText(ChartMsecs({2007, 10, 30, 12, 12, 20}));
  EXPECT_EQ(hover.toStdString(), "2007/10/30 12:12　計測震度 1.20（震度１）　合成加速度 24.0 gal");
  form->RangeBox->setCurrentIndex(0);  // the last hour
  EXPECT_EQ(form->Minutes.size(), 23u);
  EXPECT_EQ(form->Runs.size(), 2u);
  // A refresh reads only what the event log gained.
  std::ofstream(JoinPath(dir_, "Tevra_TEST01.csv"), std::ios::app)
      << Utf8ToCp932(" 2007/10/30 12:25:00,検出震度,3.0,検出加速度,30.0\n");
  form->Refresh();
  EXPECT_EQ(form->Alarms.size(), 2u);
  EXPECT_EQ(form->EventLog.BytesRead(), std::filesystem::file_size(JoinPath(dir_, "Tevra_TEST01.csv")));
  form->hide();
  EXPECT_FALSE(form->RefreshTimer.isActive()) << "no cost while closed";
}

TEST_F(PanelTest, BackgroundVibrationWindowHoldsTheBaselineAndTheNewestWindow) {
  CreatePanel();
  Start();
  source_.SwingGal = 30.0;  // 2 Hz on X
  // Two learning steps from here: the window is full of the sine and the baseline has seen it.
  const long long steps = panel_->Calculator.BaselineSteps();
  ASSERT_TRUE(TickUntil([&] { return panel_->Calculator.BaselineSteps() >= steps + 2; }));
  panel_->Views->BackgroundVibrationAction->trigger();
  TBackgroundVibrationForm* form = panel_->Views->BackgroundVibrationForm();
  ASSERT_NE(form, nullptr);
  EXPECT_NE(form->LearnedLabel->text().toStdString().find("2007/10/30 12:3"), std::string::npos);

  // The series hold the calculator's figures bin by bin.
  TWindowAmplitudes expected;
  expected.Compute(panel_->Calculator.NewestWindow());
  QLineSeries* learned = form->BaselineSeries[0];
  QLineSeries* newest = form->NewestSeries[0];
  ASSERT_GT(learned->count(), 1000);
  int peak = 0;
  for (int i = 0; i < newest->count(); ++i) {
    const int k = static_cast<int>(std::lround(newest->at(i).x() * 20.48));
    ASSERT_EQ(newest->at(i).y(), FourierAmplitude(expected.Amplitudes()[k].X)) << k;
    if (newest->at(i).y() > newest->at(peak).y()) peak = i;
  }
  EXPECT_NEAR(newest->at(peak).x(), 2.0, 0.05) << "the sine peaks at its bin";
  const int k = static_cast<int>(std::lround(learned->at(40).x() * 20.48));
  EXPECT_EQ(learned->at(40).y(), FourierAmplitude(panel_->Calculator.Baseline()[k].X));
  EXPECT_GT(form->GainSeries[0]->count(), 1000);

  // A new intensity refreshes it after the tick; the reset asks first, as the menu does.
  Tick(50);
  ASSERT_TRUE(panel_->Tick.IntensityUpdated);
  EXPECT_TRUE(form->RefreshTimer.isActive());
  QCoreApplication::processEvents();
  EXPECT_FALSE(form->RefreshTimer.isActive());
  platform_.Answers = {false};
  form->ResetButton->click();
  EXPECT_EQ(platform_.Count("MessageBox 環境振動情報をリセットしますか？"), 1);
  EXPECT_GT(form->BaselineSeries[0]->count(), 1000);
  platform_.Answers = {true};
  form->ResetButton->click();
  EXPECT_EQ(form->BaselineSeries[0]->count(), 0) << "a cleared baseline has nothing to draw on a log scale";
  form->hide();
  Tick(50);
  EXPECT_FALSE(form->RefreshTimer.isActive());
}

TEST_F(PanelTest, AlarmRecordsListTheEventLogAndChartTheDetailFile) {
  CreatePanel({.SensorId = "ABC"});
  for (const char* name : {"Tevra_ABC.csv", "20071030123456_ABC.csv"}) {
    std::filesystem::copy_file(std::string(TEVRA_TEST_DATA "/output/") + name, JoinPath(dir_, name));
  }
  panel_->Views->AlarmRecordsAction->trigger();
  TAlarmRecordsForm* form = panel_->Views->AlarmRecordsForm();
  ASSERT_NE(form, nullptr);
  ASSERT_EQ(form->AlarmList->topLevelItemCount(), 1);
  const QTreeWidgetItem* row = form->AlarmList->topLevelItem(0);
  EXPECT_EQ(row->text(0).toStdString(), "2007/10/30 12:34:56");
  EXPECT_EQ(row->text(1).toStdString(), "5.2");
  EXPECT_EQ(row->text(2).toStdString(), "234.6");

  EXPECT_EQ(form->DetailPath, JoinPath(dir_, "20071030123456_ABC.csv"));
  QChart* chart = form->ChartView->chart();
  QLineSeries* x = Named(chart, "X");
  ASSERT_NE(x, nullptr);
  ASSERT_EQ(x->count(), 4);
  EXPECT_DOUBLE_EQ(x->at(0).x(), -0.02) << "seconds from the detection";
  EXPECT_EQ(x->at(2).y(), 10.0);
  EXPECT_EQ(Named(chart, "計測震度")->at(3).y(), 4.46);
  EXPECT_EQ(Named(chart, "合成加速度")->at(3).y(), 1000000.0);
  EXPECT_EQ(Named(chart, "検出")->at(0).x(), 0.0);

  platform_.SaveFileAnswer = JoinPath(dir_, "export.png");
  form->ExportClick();
  EXPECT_EQ(platform_.Count("ChooseSaveFile " + JoinPath(dir_, "20071030123456_ABC.png")), 1);
  EXPECT_GT(std::filesystem::file_size(platform_.SaveFileAnswer), 10000u);
  platform_.SaveFileAnswer = JoinPath(dir_, "missing/export.png");
  form->ExportClick();
  EXPECT_EQ(platform_.Count("MessageBox PNG ファイルを保存できません。"), 1);
}

}  // namespace
}  // namespace tevra::test
