#pragma once
// Long-period ground motion (長周期地震動階級): the absolute velocity response of 5 %-damped
// oscillators of 1.6 ... 7.8 s to the two horizontal axes, after the 20-s high-pass, streamed
// sample by sample at 100 samples/s without allocating.
#include <array>

namespace tevra {

constexpr int kLongPeriodCount = 32;
constexpr double kLongPeriodDamping = 0.05;
constexpr double kLongPeriodStep = 0.01;  // s

// Natural period of oscillator k (0 ... 31): 1.6 + 0.2 k seconds.
constexpr double LongPeriodSeconds(int k) {
  return 1.6 + 0.2 * k;
}
// The published band of oscillator k: 1 (1.6, 1.8 s), 2 (2.0-2.8 s) ... 7 (7.0-7.8 s).
constexpr int LongPeriodBand(int k) {
  return k < 2 ? 1 : 2 + (k - 2) / 5;
}
constexpr int kLongPeriodBandCount = 7;

// Class 0 ... 4 of a largest absolute velocity in cm/s (each lower bound belongs to its class).
int LongPeriodClass(double svaCmS);
// The smallest velocity of class 1 ... 4 (5, 15, 50, 100 cm/s); 0 for class 0 or below.
double LongPeriodClassFloor(int longPeriodClass);

// The 20-s high-pass of one axis: y[t] = a[t] - 2a[t-1] + a[t-2] - b1 y[t-1] - b2 y[t-2], f = G0 y.
class TLongPeriodHighPass {
 public:
  static constexpr double B1 = -1.995438545842;
  static constexpr double B2 = 0.995448925627;
  static constexpr double G0 = 0.997721867867;

  // Past inputs `rest`, past outputs 0: a steady input at `rest` gives 0.
  void Prime(double rest) { a1_ = a2_ = rest, y1_ = y2_ = 0.0; }
  double Add(double a) {
    const double y = a - 2.0 * a1_ + a2_ - B1 * y1_ - B2 * y2_;
    a2_ = a1_, a1_ = a, y2_ = y1_, y1_ = y;
    return G0 * y;
  }

 private:
  double a1_ = 0.0, a2_ = 0.0, y1_ = 0.0, y2_ = 0.0;
};

// One step of x'' + 2hw x' + w^2 x = -f for f linear over the step: (x, v) <- A (x, v) + B (f0, f1).
struct TOscillatorStep {
  double A11, A12, A21, A22;
  double B11, B12, B21, B22;
};
TOscillatorStep OscillatorStep(double periodSeconds, double damping, double dt);

// The absolute velocity of the oscillators (relative velocity plus ground velocity), horizontal
// vector sum of X and Y, in cm/s for input in gal.
class TLongPeriodResponse {
 public:
  struct TPeak {
    double Sva = 0.0;  // cm/s
    int Period = 0;    // oscillator index
  };

  TLongPeriodResponse();

  // A new record: the filters primed with each axis's rest level, oscillators and ground at rest,
  // the peaks cleared.
  void Start(double restX, double restY);
  // One sample in gal; returns the largest absolute velocity over the periods at this sample.
  TPeak Add(double x, double y);
  // Largest absolute velocity per period since Start.
  double PeakSva(int k) const;
  TPeak Peak() const;

 private:
  struct TAxis {
    TLongPeriodHighPass Filter;
    double F = 0.0;   // filtered acceleration of the previous sample
    double Vg = 0.0;  // ground velocity
    std::array<double, kLongPeriodCount> X{}, V{};
  };
  void Step(TAxis& axis, double a);

  std::array<TOscillatorStep, kLongPeriodCount> steps_;
  TAxis x_, y_;
  bool started_ = false;
  std::array<double, kLongPeriodCount> peakSquare_{};
};

// The largest value of the last `Capacity` samples, with its period (a monotonic queue in a fixed
// ring: constant time per sample, nothing allocated after construction).
class TLongPeriodWindow {
 public:
  static constexpr int Capacity = 6000;  // 60 s
  void Clear() { head_ = count_ = 0, index_ = 0; }
  void Add(TLongPeriodResponse::TPeak peak);
  TLongPeriodResponse::TPeak Max() const;

 private:
  struct TEntry {
    long long Index;
    TLongPeriodResponse::TPeak Peak;
  };
  std::array<TEntry, Capacity> ring_{};
  int head_ = 0, count_ = 0;
  long long index_ = 0;
};

}  // namespace tevra
