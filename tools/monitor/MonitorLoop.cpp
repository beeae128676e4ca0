#include "tools/monitor/MonitorLoop.h"

#include <cstdint>
#include <limits>

#include "base/DateTimeText.h"
#include "base/TextFormat.h"
#include "core/Tevra.h"

namespace tevra {
namespace {

constexpr int TickMs = 100;
constexpr int StartWaitMs = 300;
constexpr int RetryMs = 1000;
constexpr std::int64_t HealthEveryMs = 60000;

class TRun {
 public:
  TRun(VXTRRR& reader, TPlatform& platform, double seconds, const volatile std::sig_atomic_t* stop,
       std::FILE* out, TDataOutput* record, TErrorText errorText, const TMonitorObservers& observers)
      : reader_(reader),
        platform_(platform),
        stop_(stop),
        out_(out),
        record_(record),
        errorText_(std::move(errorText)),
        observers_(observers),
        calculator_("") {
    end_ = seconds > 0 ? platform.MonotonicMs() + static_cast<std::int64_t>(seconds * 1000.0)
                       : std::numeric_limits<std::int64_t>::max();
    nextHealthMs_ = platform.MonotonicMs() + HealthEveryMs;
  }

  TMonitorCounts Run() {
    bool primed = false;
    while (!Done()) {
      if (!CheckUntilGood()) break;
      if (!primed) {
        platform_.Sleep(StartWaitMs);
        if (!reader_.ReadFrames()) {
          Failure(reader_.ReaderStatus());
          continue;
        }
        counts_.Frames += reader_.SampleCount();
        // A first batch without samples gives no offset to start from: as good as no data.
        if (!processor_.Start(reader_.Samples(), reader_.SampleCount(), calculator_)) {
          Failure(VXTRRR::ReaderNoData);
          continue;
        }
        Record();
        primed = true;
      }
      // Every good check starts the rate afresh, as a new measurement does in the panel.
      health_.Start(platform_.MonotonicMs());
      for (TMonitorObserver* o : observers_) o->Measuring(true);
      Ticks();
    }
    if (record_) record_->Stop();
    std::fprintf(out_, "frames %lld format-errors %lld value-errors %lld no-data %lld overflows %lld\n",
                 counts_.Frames, counts_.FormatErrors, counts_.ValueErrors, counts_.NoData,
                 counts_.Overflows);
    std::fflush(out_);
    return counts_;
  }

 private:
  bool Done() const { return (stop_ && *stop_) || platform_.MonotonicMs() >= end_; }

  // Waits in short steps so that a signal or the end of the run is noticed soon.
  void WaitUntil(std::int64_t when) {
    while (!Done()) {
      const std::int64_t left = when - platform_.MonotonicMs();
      if (left <= 0) return;
      platform_.Sleep(static_cast<int>(left < TickMs ? left : TickMs));
    }
  }

  // The batch just read goes into the continuous record, timed by the clock of its read.
  void Record() {
    if (record_) record_->Feed(reader_.Samples(), reader_.SampleCount(), platform_.UtcMicros());
  }

  void Failure(int status) {
    // Whatever the reader threw away leaves a gap in the record.
    if (record_) record_->BatchLost();
    health_.Failure(status);
    for (TMonitorObserver* o : observers_) o->Measuring(false);
    // One line per failure: the reason a text gives on its own line follows a dash.
    const std::string text = OnOneLine(errorText_ ? errorText_(status) : SensorErrorText(status), " — ");
    std::fprintf(out_, "error %d %s\n", status, text.c_str());
    std::fflush(out_);
    switch (status) {
      case VXTRRR::ReaderFormatError:
        ++counts_.FormatErrors;
        break;
      case VXTRRR::ReaderValueError:
        ++counts_.ValueErrors;
        break;
      case VXTRRR::ReaderNoData:
        ++counts_.NoData;
        break;
      case VXTRRR::ReaderOverflow:
        ++counts_.Overflows;
        break;
      default:
        break;
    }
    // As the panel does: only a format error keeps the port; every other failure reopens it.
    if (status != VXTRRR::ReaderFormatError) reader_.ReopenPort();
  }

  bool CheckUntilGood() {
    while (!Done()) {
      const std::int64_t started = platform_.MonotonicMs();
      if (reader_.CheckSensor()) return true;
      Failure(reader_.ReaderStatus());
      for (TMonitorObserver* o : observers_) o->CheckFailed(health_);
      WaitUntil(started + RetryMs);
    }
    return false;
  }

  void Ticks() {
    std::int64_t next = platform_.MonotonicMs() + TickMs;
    while (!Done()) {
      WaitUntil(next);
      if (Done()) return;
      // A late tick is not made up for: the reader then simply returns more frames.
      next = std::max(next + TickMs, platform_.MonotonicMs() + 1);
      if (!reader_.ReadFrames()) {
        Failure(reader_.ReaderStatus());
        return;
      }
      counts_.Frames += reader_.SampleCount();
      Record();
      const std::int64_t now = platform_.MonotonicMs();
      health_.Frames(now, reader_.Samples(), reader_.SampleCount());
      processor_.Process(reader_.Samples(), reader_.SampleCount(), &calculator_);
      for (TMonitorObserver* o : observers_) o->Tick(processor_, health_, platform_.UtcMicros());
      if (processor_.IntensityUpdated) {
        const TLongPeriodMeter::TPeak lp = processor_.LongPeriod.LastMinute();
        std::fprintf(out_, "%s %.2f %.1f lp %d %.1f\n", TimeText(platform_.LocalNow()).c_str(),
                     processor_.CurrentIntensity, processor_.TickMaxComposite, LongPeriodClass(lp.Sva),
                     lp.Sva);
        std::fflush(out_);
      }
      if (now >= nextHealthMs_) {
        std::fprintf(out_, "%s\n", LineHealthMonitorText(health_, now).c_str());
        std::fflush(out_);
        nextHealthMs_ = now + HealthEveryMs;
      }
    }
  }

  VXTRRR& reader_;
  TPlatform& platform_;
  const volatile std::sig_atomic_t* stop_;
  std::FILE* out_;
  TDataOutput* record_;
  TErrorText errorText_;
  const TMonitorObservers observers_;
  std::int64_t end_;
  std::int64_t nextHealthMs_;
  TLineHealth health_;
  Tevra calculator_;
  TickProcessor processor_;
  TMonitorCounts counts_;
};

}  // namespace

TMonitorCounts RunMonitor(VXTRRR& reader, TPlatform& platform, double seconds,
                          const volatile std::sig_atomic_t* stop, std::FILE* out, TDataOutput* record,
                          TErrorText errorText, const TMonitorObservers& observers) {
  return TRun(reader, platform, seconds, stop, out, record, std::move(errorText), observers).Run();
}

}  // namespace tevra
