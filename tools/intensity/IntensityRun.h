#pragma once
// What the panel would show for a record: its samples streamed through a fresh calculator.
#include <cstdio>
#include <vector>

#include "core/AccelSample.h"

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

// The agency's published form: rounded to two decimals, then cut to one (5.16 -> 5.1), in tenths.
int OfficialTenths(double intensity);

}  // namespace tevra
