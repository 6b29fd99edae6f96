#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// Keeps each benchmark's real time per iteration (the fastest of its repetitions), for a summary
// of ratios at the end.
class TimesReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration)
                continue;
            // Of repetitions, the fastest: the one other work on the machine disturbed least.
            const std::string name = run.run_name.function_name +
                                     (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
            const auto known = times.find(name);
            if (known == times.end() || run.GetAdjustedRealTime() < known->second)
                times[name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // One summary line: how many times slower ours ran than plain; nothing if either failed.
    void printRatio(const char *what, const std::string &ours, const std::string &plain) const
    {
        const auto a = times.find(ours);
        const auto b = times.find(plain);
        if (a != times.end() && b != times.end() && b->second > 0)
            std::printf("%-52s %.2fx\n", what, a->second / b->second);
    }

    std::map<std::string, double> times;
};
