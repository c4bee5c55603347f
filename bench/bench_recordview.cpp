// Viewing record files of 8 devices: opening a file of 1,000 data lines and one of 1,000,000,
// and redrawing the chart at track bar places all over the big one, every line and every 120th.
// Opening is the first load and the first chart; a refresh is the block read when one is
// needed, the window's range and the full redraw. The files are generated in a temporary folder.
//
// bench_recordview [lines of the big file]   (default 1000000)
#include "chartgeometry.h"
#include "recordview.h"
#include "trendchart.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vrx;

namespace {

const Addresses EightDevices{1, 2, 3, 4, 5, 6, 7, 8};

QString Generate(const QTemporaryDir& dir, qint64 lines) {
    const QString path = dir.filePath(QStringLiteral("rec%1.txt").arg(lines));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(HeaderLine(EightDevices, 1) + "\r\n");
    QByteArray chunk;
    Readings readings{};
    for (qint64 r = 0; r < lines; ++r) {
        for (int p = 0; p < DevicePositions; ++p)
            readings[std::size_t(p)] = {true, int(250 + p * 40 + (r * (p + 3)) % 300 - 150), 300};
        chunk += DataLine(EightDevices, readings, QTime(0, 0).addSecs(int(r % 86400))) + "\r\n";
        if (chunk.size() > (1 << 20)) file.write(std::exchange(chunk, {}));
    }
    file.write(chunk + "End\r\n");
    return path;
}

double Ms(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

struct Figures {
    double median = 0, max = 0;
};
Figures FiguresOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.back()};
}

// Opening as the window does it: load, then the first window drawn.
double Open(const QString& path, TrendChart& chart) {
    QElapsedTimer t;
    t.start();
    RecordView view;
    if (!view.Load(path)) std::printf("broken: %s\n", qPrintable(path));
    const int count = qMin(view.LoadedPoints(), ViewPoints);
    const UsedPositions used = UsedOf(view.FileDeviceAddr());
    chart.FindWindowRange(view.Samples, used, 0, count);
    chart.RedrawChart(view.Samples, used, 0, count,
                      [&](int k) { return view.PointTimeText(k, 1); });
    return Ms(t);
}

Figures OpenFigures(const QString& path, TrendChart& chart, int rounds) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i)
        times.push_back(Open(path, chart));
    return FiguresOf(times);
}

// Refreshes at random track bar places; every place is far from the last, so most need a read.
void Refreshes(const QString& path, TrendChart& chart, int sampleSeconds, int places) {
    RecordView view;
    view.Load(path);
    const UsedPositions used = UsedOf(view.FileDeviceAddr());
    view.IntervalChanged = true;
    std::vector<double> times;
    int reads = 0;
    QRandomGenerator random(42);
    for (int i = 0; i < places; ++i) {
        const int position = int(random.bounded(601));
        QElapsedTimer t;
        t.start();
        const RecordView::Refresh r = view.RefreshView(position, 600, sampleSeconds);
        chart.FindWindowRange(view.Samples, used, r.start, r.sampleCount);
        chart.RedrawChart(view.Samples, used, r.start, r.sampleCount,
                          [&](int k) { return view.PointTimeText(k, sampleSeconds); });
        times.push_back(Ms(t));
        reads += r.blockRead;
        if (r.broken) std::printf("broken block\n");
    }
    const Figures f = FiguresOf(times);
    std::printf("  refresh, every %3d line(s): %d places, %d block reads: median %6.2f ms, "
                "max %6.2f ms\n",
                view.Thinning(sampleSeconds), places, reads, f.median, f.max);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const qint64 big = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    QTemporaryDir dir;
    QElapsedTimer t;
    t.start();
    const QString small = Generate(dir, 1000);
    const QString large = Generate(dir, big);
    std::printf("Generated 1,000 and %lld lines of 8 devices (%.0f MB) in %.1f s\n", big,
                double(QFile(large).size()) / 1e6, Ms(t) / 1000);

    TrendChart chart(1024);
    Open(small, chart); // warms the file cache and the fonts
    Open(large, chart);
    const Figures smallOpen = OpenFigures(small, chart, 21);
    const Figures largeOpen = OpenFigures(large, chart, 21);
    std::printf("Opening and drawing the first window (ScreenWidth 1024), 21 rounds:\n");
    std::printf("  1,000 lines:   median %6.2f ms, max %6.2f ms\n", smallOpen.median,
                smallOpen.max);
    std::printf("  %lld lines: median %6.2f ms, max %6.2f ms  (%.2f x the 1,000-line file)\n", big,
                largeOpen.median, largeOpen.max, largeOpen.median / smallOpen.median);
    std::printf("Moving the track bar over the %lld-line file:\n", big);
    Refreshes(large, chart, 1, 200);
    Refreshes(large, chart, 120, 200);
    return 0;
}
