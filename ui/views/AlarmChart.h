#pragma once
// The chart of one alarm's detail file: X, Y, Z and the composite acceleration over time with the
// intensity on its own axis and the detection marked; shown by the alarm records window and
// written as a PNG beside the detail file when an alarm ends.
#include <QChart>
#include <QString>
#include <string>

#include "history/AlarmLog.h"

namespace tevra {

// Size of the pictures written at an alarm's end and by the export button.
inline constexpr int kAlarmPictureWidth = 1200;
inline constexpr int kAlarmPictureHeight = 700;
// Points per series at most: a long alarm is drawn from each bucket's extremes.
inline constexpr int kAlarmChartBuckets = 1000;

// Time axis in seconds from the detection (from the file's first sample when `detection` < 0).
// The caller owns the chart.
QChart* BuildAlarmChart(const TDetailSamples& samples, int detection, const QString& title);

// "<detail file without .csv>.png"
std::string AlarmPicturePath(const std::string& detailPath);

// Reads a detail file and writes its picture beside it; the detection is the file's start stamp.
// `longPeriod` is the alarm's long-period record for the title ("" leaves it out). False when
// the file cannot be read or the picture not written.
bool WriteAlarmPicture(const std::string& detailPath, const std::string& longPeriod = {});

}  // namespace tevra
