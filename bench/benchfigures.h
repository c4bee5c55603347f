// What the real-time benches print: a spread of measured times, and the process's CPU time and
// resident memory.
#pragma once

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/resource.h>

namespace vrx::bench {

struct Spread {
    double min = 0, median = 0, p99 = 0, max = 0;
};

inline Spread SpreadOf(std::vector<double> values) {
    if (values.empty()) return {};
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) { return values[std::size_t(q * double(values.size() - 1))]; };
    return {values.front(), at(0.5), at(0.99), values.back()};
}

inline void Print(const char* what, const Spread& s, const char* unit = "ms") {
    std::printf("  %-40s min %8.3f  median %8.3f  p99 %8.3f  max %8.3f %s\n", what, s.min, s.median,
                s.p99, s.max, unit);
}

// User and system time of the process so far, in seconds.
inline double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The process's resident memory, in kB (0 where /proc does not say).
inline long RssKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

} // namespace vrx::bench
