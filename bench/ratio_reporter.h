//===- ratio_reporter.h - Benchmark times kept for ratios -------*- C++ -*-===//
//
// Every benchmark program here measures its subject beside a peer in the
// same run and prints the ratio at the end. The reporter prints as usual and
// remembers each run's processor time per iteration: on a shared machine it
// is steadier than the wall clock.
//
//===----------------------------------------------------------------------===//
#ifndef LECTORIN_BENCH_RATIO_REPORTER_H
#define LECTORIN_BENCH_RATIO_REPORTER_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run> &runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs)
      if (run.run_type == Run::RT_Iteration)
        times[run.benchmark_name()] = run.GetAdjustedCPUTime();
  }
  /// Processor time per iteration, by benchmark name.
  std::map<std::string, double> times;

  /// The subject's time over the peer's; 0 when either did not run.
  double ratio(const std::string &subject, const std::string &peer) const {
    auto s = times.find(subject);
    auto p = times.find(peer);
    if (s == times.end() || p == times.end() || p->second <= 0)
      return 0;
    return s->second / p->second;
  }
};

#endif // LECTORIN_BENCH_RATIO_REPORTER_H
