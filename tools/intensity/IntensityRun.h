#pragma once
// What the panel would show for a record: its samples streamed through a fresh calculator.
#include <array>
#include <cstdio>
#include <vector>

#include "core/AccelSample.h"
#include "core/LongPeriod.h"

namespace tevra {

struct TIntensityRun {
  double MaxIntensity = 0.0;
  double MaxTime = 0.0;  // seconds of data fed when the maximum was first reached
  int Blocks = 0;
  // A block without a finite figure (amplitudes that overflow the computation) ends the run.
  bool Overflow = false;
};

// Feeds `samples` 50 at a time to a calculator that learns its baseline from zero and keeps no
// file; with `every` set, prints "<t> <I>" for each completed block to `out`.
TIntensityRun RunIntensity(const std::vector<TAccelSample>& samples, bool every, std::FILE* out);

// The long-period response over the whole record, X and Y exactly as read, the filter starting
// from zero (the agency's convention, so that its published figures come out).
struct TLongPeriodRun {
  std::array<double, kLongPeriodCount> Sva{};  // cm/s per period
  TLongPeriodResponse::TPeak Peak;
};
TLongPeriodRun RunLongPeriod(const std::vector<TAccelSample>& samples);
// "sva <T> <Sva>" per period, "band <b> <Sva> <class>" per band, "long-period <class> <Sva> <T>".
void PrintLongPeriod(const TLongPeriodRun& run, std::FILE* out);

// The agency's published form: rounded to two decimals, then cut to one (5.16 -> 5.1), in tenths.
int OfficialTenths(double intensity);

}  // namespace tevra
