#pragma once

#include <string>
#include <vector>

// One whole process, its output to /dev/null: the wall time and the CPU
// time (user and system) in seconds, and the peak resident memory in
// megabytes; a negative time when it could not run or did not exit with 0.
struct ProcessRun {
  double seconds, cpuSeconds, peakMegabytes;
};
ProcessRun RunProcess(const std::string& program, const std::vector<std::string>& words);

// ruvel-route, as built beside the benchmarks, with the words given.
ProcessRun RunRuvelRoute(const std::vector<std::string>& words);

// The processor time this thread has used, in seconds: what a route costs
// on a machine shared with other work.
double ThreadSeconds();
