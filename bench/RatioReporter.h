#pragma once
// A console reporter that also keeps each benchmark's time per iteration, so that a benchmark
// program can print the ratio of ours to a peer's measured in the same run. With repetitions
// the fastest run counts (the "min" statistic, which TSL_MIN_STATISTIC adds); without, the
// single run does. Times are CPU times (a loaded machine stretches wall time, not CPU time)
// unless real time is asked for.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#define TSL_MIN_STATISTIC                                                                     \
    ComputeStatistics("min", [](const std::vector<double>& v) {                               \
        return *std::min_element(v.begin(), v.end());                                         \
    })

namespace tsl::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(bool realTime = false) : m_realTime(realTime) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool aggregate = run.run_type == Run::RT_Aggregate;
            if (aggregate && run.aggregate_name != "min") continue;
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
            // A "min" aggregate wins over the single runs it summarises.
            if (!aggregate && m_fromMin.count(name)) continue;
            if (aggregate) m_fromMin[name] = true;
            m_time[name] = m_realTime ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
        }
    }
    // Time of a benchmark ("Name" or "Name/args"); negative when it did not run.
    double Time(const std::string& name) const {
        const auto it = m_time.find(name);
        return it == m_time.end() ? -1 : it->second;
    }
    // ours / peer, or negative when either did not run.
    double Ratio(const std::string& ours, const std::string& peer) const {
        const double a = Time(ours), b = Time(peer);
        return a < 0 || b <= 0 ? -1 : a / b;
    }

private:
    bool m_realTime;
    std::map<std::string, double> m_time;
    std::map<std::string, bool> m_fromMin;
};

} // namespace tsl::bench
