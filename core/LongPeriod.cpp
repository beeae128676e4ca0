#include "core/LongPeriod.h"

#include <cmath>
#include <numbers>

namespace tevra {
namespace {

constexpr double kClassFloors[] = {5.0, 15.0, 50.0, 100.0};

}  // namespace

int LongPeriodClass(double svaCmS) {
  int c = 0;
  while (c < 4 && svaCmS >= kClassFloors[c]) ++c;
  return c;
}

double LongPeriodClassFloor(int longPeriodClass) {
  if (longPeriodClass <= 0) return 0.0;
  return kClassFloors[longPeriodClass > 4 ? 3 : longPeriodClass - 1];
}

TOscillatorStep OscillatorStep(double periodSeconds, double h, double dt) {
  const double w = 2.0 * std::numbers::pi / periodSeconds;
  const double wd = w * std::sqrt(1.0 - h * h);
  const double e = std::exp(-h * w * dt);
  const double c = std::cos(wd * dt);
  const double s = std::sin(wd * dt);
  TOscillatorStep m{};
  m.A11 = e * (c + h * w / wd * s);
  m.A12 = e * s / wd;
  m.A21 = -e * w * w / wd * s;
  m.A22 = e * (c - h * w / wd * s);
  // The forcing -f0 - (f1 - f0) t/dt has the particular solution alpha + beta t; the free motion
  // carries the difference from it.
  const auto forced = [&](double f0, double f1, double& x1, double& v1) {
    const double beta = -(f1 - f0) / (w * w * dt);
    const double alpha = -f0 / (w * w) - 2.0 * h * beta / w;
    x1 = alpha + beta * dt - m.A11 * alpha - m.A12 * beta;
    v1 = beta - m.A21 * alpha - m.A22 * beta;
  };
  forced(1.0, 0.0, m.B11, m.B21);
  forced(0.0, 1.0, m.B12, m.B22);
  return m;
}

TLongPeriodResponse::TLongPeriodResponse() {
  for (int k = 0; k < kLongPeriodCount; ++k) {
    steps_[k] = OscillatorStep(LongPeriodSeconds(k), kLongPeriodDamping, kLongPeriodStep);
  }
}

void TLongPeriodResponse::Start(double restX, double restY) {
  x_ = TAxis{};
  y_ = TAxis{};
  x_.Filter.Prime(restX);
  y_.Filter.Prime(restY);
  started_ = false;
  peakSquare_.fill(0.0);
}

void TLongPeriodResponse::Step(TAxis& axis, double a) {
  const double f = axis.Filter.Add(a);
  if (!started_) {
    axis.X.fill(0.0);
    axis.V.fill(-f * kLongPeriodStep);
    axis.Vg = 0.0;
  } else {
    const double f0 = axis.F;
    for (int k = 0; k < kLongPeriodCount; ++k) {
      const TOscillatorStep& m = steps_[k];
      const double x = axis.X[k], v = axis.V[k];
      axis.X[k] = m.A11 * x + m.A12 * v + m.B11 * f0 + m.B12 * f;
      axis.V[k] = m.A21 * x + m.A22 * v + m.B21 * f0 + m.B22 * f;
    }
    axis.Vg += kLongPeriodStep * (f0 + f) / 2.0;
  }
  axis.F = f;
}

TLongPeriodResponse::TPeak TLongPeriodResponse::Add(double x, double y) {
  Step(x_, x);
  Step(y_, y);
  started_ = true;
  double best = -1.0;
  int bestK = 0;
  for (int k = 0; k < kLongPeriodCount; ++k) {
    const double ax = x_.V[k] + x_.Vg, ay = y_.V[k] + y_.Vg;
    const double sq = ax * ax + ay * ay;
    if (sq > peakSquare_[k]) peakSquare_[k] = sq;
    if (sq > best) best = sq, bestK = k;
  }
  return {std::sqrt(best), bestK};
}

double TLongPeriodResponse::PeakSva(int k) const {
  return std::sqrt(peakSquare_[k]);
}

TLongPeriodResponse::TPeak TLongPeriodResponse::Peak() const {
  TPeak p;
  for (int k = 0; k < kLongPeriodCount; ++k) {
    if (PeakSva(k) > p.Sva) p = {PeakSva(k), k};
  }
  return p;
}

void TLongPeriodWindow::Add(TLongPeriodResponse::TPeak peak) {
  // The oldest leaves first, so that a full ring of falling values has room for the new one.
  if (count_ > 0 && ring_[head_].Index <= index_ - Capacity) head_ = (head_ + 1) % Capacity, --count_;
  // Entries no larger than the new one can never be the maximum again.
  while (count_ > 0 && ring_[(head_ + count_ - 1) % Capacity].Peak.Sva <= peak.Sva) --count_;
  ring_[(head_ + count_) % Capacity] = {index_, peak};
  ++count_;
  ++index_;
}

TLongPeriodResponse::TPeak TLongPeriodWindow::Max() const {
  return count_ > 0 ? ring_[head_].Peak : TLongPeriodResponse::TPeak{};
}

}  // namespace tevra
