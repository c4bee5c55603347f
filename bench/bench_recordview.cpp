// Viewing record files of 8 devices: opening a file of 1,000 data lines and one of 1,000,000,
// and redrawing the chart at track bar places all over the big one, every line and every 120th.
// Opening is the first load and the first chart; a refresh is the block read when one is
// needed, the window's range and the full redraw. Then the chart tools: zoomed views of random
// spans (20 lines to the whole record) at random places, each the span's reading and its
// drawing, while the summary is being built (columns sampled where it is not yet) and after;
// and the summary's building itself. The files are generated in a temporary folder.
//
// bench_recordview [lines of the big file]   (default 1000000; 10000000 makes about 1.4 GB)
#include "chartgeometry.h"
#include "recordview.h"
#include "trendchart.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cmath>
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
    double median = 0, max = 0, p99 = 0;
};
Figures FiguresOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.back(), v[std::min(v.size() - 1, v.size() * 99 / 100)]};
}

// Opening as the window does it: load, then the first window drawn.
double Open(const QString& path, TrendChart& chart) {
    QElapsedTimer t;
    t.start();
    RecordView view;
    if (!view.Load(path)) std::printf("broken: %s\n", qPrintable(path));
    RecordSpans spans; // opened with the view, as the window does
    spans.Open(path, view.Layout());
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
                "p99 %6.2f ms, max %6.2f ms\n",
                view.Thinning(sampleSeconds), places, reads, f.median, f.p99, f.max);
}

// Zoomed views: spans of 20 lines to the whole record, spread evenly on a logarithmic scale,
// at random places. Before the summary is built its builder runs beside the views, as it does
// in the window.
void Zooms(const QString& path, TrendChart& chart, int views) {
    RecordView view;
    view.Load(path);
    const UsedPositions used = UsedOf(view.FileDeviceAddr());
    const double lines = double(view.RecordCount());
    RecordSpans spans;
    spans.Open(path, view.Layout());
    QRandomGenerator random(7);
    const auto round = [&](const char* what) {
        std::vector<double> times;
        int summarized = 0, sampled = 0;
        for (int i = 0; i < views; ++i) {
            const double count = 20 * std::pow(lines / 20, random.generateDouble());
            const double first = random.generateDouble() * (lines - count);
            QElapsedTimer t;
            t.start();
            const SpanPicture picture = spans.Picture(
                {first, count, chart.PlotLeft(), chart.PlotWidth()}, chart.TickEvery(), used, {});
            chart.DrawSpan(picture, used);
            times.push_back(Ms(t));
            summarized += picture.summary;
            sampled += !picture.complete;
        }
        const Figures f = FiguresOf(times);
        std::printf("  %s: %d views (%d from the summary, %d of them with sampled columns): "
                    "median %6.2f ms, p99 %6.2f ms, max %6.2f ms\n",
                    what, views, summarized, sampled, f.median, f.p99, f.max);
    };
    // The first span past a block starts the builder.
    spans.Picture({0, lines, chart.PlotLeft(), chart.PlotWidth()}, chart.TickEvery(), used, {});
    QElapsedTimer build;
    build.start();
    round("while the summary is built");
    while (!spans.Summary()->Done())
        QThread::msleep(50);
    const double built = Ms(build) / 1000;
    round("summary built            ");
    const double bytes = lines / RecordSummary::RunLines * sizeof(TraceRanges) * 8 / 7;
    std::printf(
        "  the summary of %.0f lines: built in %.1f s beside the views, %.1f MB in memory\n", lines,
        built, bytes / 1e6);
    QElapsedTimer alone;
    alone.start();
    RecordSummary summary(path, view.Layout());
    summary.BuildNow();
    const double seconds = Ms(alone) / 1000;
    std::printf("  built again alone (file in the page cache): %.2f s, %.0f MB/s\n", seconds,
                double(QFile(path).size()) / 1e6 / seconds);
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
    std::printf("Zoomed views of the %lld-line file (ScreenWidth 1024):\n", big);
    Zooms(large, chart, 1000);
    return 0;
}
