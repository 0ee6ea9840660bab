// Where the time of a backup and a restore goes: each stage's work, its wall time less the wizards'
// deliberate pauses within it. When VELNOR_STAGE_LOG names a file, every stage that ends appends
// "name<TAB>seconds" to it, for the benchmark; otherwise the clock costs two counter reads.
#pragma once

class StageClock {
 public:
  explicit StageClock(const char* name);
  ~StageClock();
  StageClock(const StageClock&) = delete;
  StageClock& operator=(const StageClock&) = delete;

 private:
  const char* name_;
  long long start_;
  unsigned long long pausedAtStart_;
};

// Adds a deliberate pause to the running total (the seam's Sleep calls it); the total also goes to the file
// VELNOR_PAUSE_LOG names, when it names one.
void gAddPause(unsigned long milliseconds);
// The deliberate pauses so far, in milliseconds.
unsigned long long gGetPausedMilliseconds();
