// The picture of an alarm is drawn on the GUI thread right after the tick that ended it: the time
// it takes is the delay the next tick sees (its samples wait in the serial line meanwhile).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/AtomicFile.h"
#include "alarm/AlarmFileLines.h"
#include "ui/views/AlarmChart.h"

namespace {

using namespace tevra;

// A detail file of `seconds` of samples at 100 a second, shaking in its middle.
std::string WriteDetailFile(int seconds) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("20071030123456_BENCH" + std::to_string(seconds) + ".csv"))
          .string();
  // Written as the recorder writes them.
  std::string text = DetailHeaderLine("BENCH");
  for (int i = 0; i < seconds * 100; ++i) {
    const int t = 12 * 3600 + 34 * 60 + 56 - 60 + i / 100;
    const double a = (i > 6000 && i < 8000 ? 80.0 : 1.0) * std::sin(0.3 * i);
    TDetailRecord r;
    std::snprintf(r.TimeText, sizeof r.TimeText, " %02d:%02d:%02d", t / 3600, t / 60 % 60, t % 60);
    r.X = a;
    r.Y = 0.8 * a;
    r.Z = 0.5 * a;
    r.Intensity = 3.21;
    r.Composite = std::fabs(a) * 1.37;
    AppendDetailLine(text, r);
  }
  WriteFileAtomically(path, text);
  return path;
}

void BM_AlarmPicture(benchmark::State& state) {
  const std::string path = WriteDetailFile(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    if (!WriteAlarmPicture(path)) state.SkipWithError("picture not written");
  }
  std::filesystem::remove(path);
  std::filesystem::remove(AlarmPicturePath(path));
}
// 2 minutes (a short alarm after its 60 s of lead-in) and 10 minutes (a long one).
BENCHMARK(BM_AlarmPicture)->Arg(120)->Arg(600)->Unit(benchmark::kMillisecond);

// The reading part of it.
void BM_ReadDetailFile(benchmark::State& state) {
  const std::string path = WriteDetailFile(static_cast<int>(state.range(0)));
  TDetailSamples samples;
  for (auto _ : state) benchmark::DoNotOptimize(ReadDetailFile(path, samples));
  std::filesystem::remove(path);
}
BENCHMARK(BM_ReadDetailFile)->Arg(120)->Arg(600)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
