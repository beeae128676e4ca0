#pragma once
// Instrumental seismic intensity of the newest 2048 samples, recomputed every 50 samples, with
// the site's background spectrum learned and removed.
#include <array>
#include <limits>
#include <string>
#include <vector>

#include "core/AccelSample.h"
#include "core/FFT.h"

namespace tevra {

class Tevra_Base {
 public:
  static constexpr int WindowExponent = 11;
  static constexpr double SampleInterval = 0.01;  // 100 samples per second
  static constexpr int BlockLength = 50;          // a new result every 0.5 s of data
  static constexpr int N = 1 << WindowExponent;   // 20.48 s

  Tevra_Base();
  Tevra_Base(const Tevra_Base&) = delete;
  Tevra_Base& operator=(const Tevra_Base&) = delete;

  // Appends `count` samples in gal and computes every completed block; returns ResultReady.
  int AddSamples(const TAccelSample* samples, int count);
  double GetIntensity() const { return result_; }
  // The samples the newest result was computed from, oldest first (read between ticks).
  const std::vector<TAccelSample>& NewestWindow() const { return window_; }
  // The filter's gain per frequency bin (N entries).
  const std::vector<double>& GainTable() const { return gain_; }

  int ResultReady = 0;

 protected:
  ~Tevra_Base() = default;
  virtual double Compute() = 0;

  double result_ = 0.0;
  FFT transform_;
  std::vector<double> gain_;
  std::vector<TAccelSample> window_;    // oldest at 0, newest at N-1
  std::vector<TAccelSample> filtered_;  // per-axis filtered amplitude
  std::vector<double> composite_;       // filtered vector amplitude, gal
  TAccelSample block_[BlockLength];
  int blockFill_ = 0;
};

class Tevra final : public Tevra_Base {
 public:
  static constexpr const char* BaselineFileName = "NoiseData.csv";

  // Loads the baseline from "NoiseData.csv" in the working directory and saves it there at
  // destruction.
  Tevra();
  // The same with another file; an empty path keeps the baseline in memory only.
  explicit Tevra(std::string baselinePath);
  ~Tevra();

  int AddSamples(const TAccelSample* samples, int count);

  // Clears entries 1..N-1 of the baseline; entry 0 keeps its value.
  void ResetBaseline();
  // Writes the baseline to `fileName` in the working directory (a name with '/' is a path).
  bool SaveBaselineAs(const std::string& fileName) const;

  const std::string& BaselinePath() const { return baselinePath_; }
  const std::vector<TAccelSample>& Baseline() const { return baseline_; }
  std::vector<TAccelSample>& Baseline() { return baseline_; }
  // How many learning steps the baseline has taken since construction: a change tells a step.
  long long BaselineSteps() const { return baselineSteps_; }
  int BaselineUpdateDue = 0;

 protected:
  double Compute() override;

 private:
  void FilterAxis(double TAccelSample::*axis);

  std::string baselinePath_;
  int sampleCounter_ = 0;
  long long baselineSteps_ = 0;
  std::vector<TAccelSample> baseline_;
  std::vector<double> axisScratch_;
};

// Lower edge of the highest of 4001 histogram bins over [0, peak] that, counted from the top, holds
// at least `durationCount` of the n amplitudes.
double ThresholdAmplitude(const double* composite, int n, double peak, int durationCount);

// Baseline file text: one "x, y, z" line per entry, each value "%g".
std::string FormatBaseline(const std::vector<TAccelSample>& table);
// Reads a baseline file into `table` (already zero); false when it cannot be opened.
bool LoadBaseline(const std::string& path, std::vector<TAccelSample>& table);
bool SaveBaseline(const std::string& path, const std::vector<TAccelSample>& table);

// Intensity class (震度階級) of an instrumental intensity: "０" ... "７".
const char* IntensityClassName(double intensity);

// The class table: each class holds the intensities above the previous row's bound up to its
// own; the last row ("７") has no upper bound.
struct TIntensityClassRow {
  double UpperBound;
  const char* Name;
};
inline constexpr std::array<TIntensityClassRow, 10> kIntensityClasses = {{
    {0.4, "０"},
    {1.4, "１"},
    {2.4, "２"},
    {3.4, "３"},
    {4.4, "４"},
    {4.9, "５弱"},
    {5.4, "５強"},
    {5.9, "６弱"},
    {6.4, "６強"},
    {std::numeric_limits<double>::infinity(), "７"},
}};

}  // namespace tevra
