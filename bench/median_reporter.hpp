// The benchmarks' closing tables: keeps Google Benchmark's console output and
// remembers one time per benchmark, in the order they ran — the median when
// repetitions run, else the time of the single run — so that a program can
// print its ratios against a peer measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

struct MedianTime {
    double value = 0.0;
    bool median = false;  // false: a single run's time
};

class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            if (times_.emplace(name, MedianTime{}).second) {
                order_.push_back(name);
            }
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                times_[name] = {run.GetAdjustedRealTime(), true};
            } else if (run.run_type == Run::RT_Iteration && !times_[name].median) {
                times_[name] = {run.GetAdjustedRealTime(), false};
            }
        }
    }

    const std::map<std::string, MedianTime>& times() const { return times_; }
    const std::vector<std::string>& order() const { return order_; }

private:
    std::map<std::string, MedianTime> times_;
    std::vector<std::string> order_;  // as run
};

// Runs the registered benchmarks with the command line's options, then
// prints the table; returns main's exit status.
inline int run_benchmarks_with_table(int argc, char** argv,
                                     void (*print_table)(const MedianReporter&)) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    print_table(reporter);
    benchmark::Shutdown();
    return 0;
}
