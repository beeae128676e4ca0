#pragma once

namespace tevra {

// Large buffers (an alarm picture, a detail file read back, a history day) go straight back to the
// system when freed. glibc otherwise raises its mapping threshold at the first such free and keeps
// later ones inside the heap, so a program that runs for months grows by a few megabytes at each of
// its first alarms and never shrinks. Call once, first thing in main.
void ReturnLargeBuffersToSystem();

}  // namespace tevra
