// The Monitor's trend chart on a 1024-pixel screen, timed per operation and printed with its
// goals: one new sample before the history wraps (a segment) and after it (the block copy that
// scrolls the plot, then the segment), against 1 ms; a full drawing of 720 samples, against
// 10 ms. Also the repaint of DrawIme's whole image, which follows each of them on screen.
#include "trendcanvas.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace vrx;

namespace {

constexpr int Screen = 1024;

using History = std::array<int, TrendPositions + 1>;

// A process value drifting around 150.0 by up to two degrees, with a little noise: what a
// settled controller shows.
History Trace(int offset) {
    History h{};
    for (int p = 0; p <= TrendPositions; ++p) {
        const int t = p + offset;
        h[std::size_t(p)] = 1500 + int(std::lround(20 * std::sin(t / 37.0))) + (t * 7 % 5) - 2;
    }
    return h;
}

TrendSamples Samples(const History& h, int index, bool wrapped) {
    const auto [low, high] = std::minmax_element(h.begin(), h.begin() + TrendPositions);
    return {std::span<const int>(h.data(), h.size()), index, wrapped, *high, *low, {}};
}

struct Spread {
    double median = 0, p90 = 0, max = 0;
};

Spread SpreadOf(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back()};
}

void Print(const char* what, const Spread& s, double goalMs, std::size_t count) {
    std::printf("  %-44s median %.4f ms  p90 %.4f ms  max %.3f ms  goal < %g ms  (%zu runs)\n",
                what, s.median, s.p90, s.max, goalMs, count);
}

// Times `op` once per run; `op` gets the run's number.
template <typename Op> std::vector<double> Time(int runs, Op op) {
    std::vector<double> ms;
    ms.reserve(std::size_t(runs));
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        op(i);
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const History h = Trace(0);
    std::printf("Monitor trend chart, %d-pixel screen (image %dx%d)\n", Screen,
                TrendGeometry::For(Screen).W, TrendGeometry::For(Screen).H);

    constexpr int Points = 20000;
    {
        // Before the wrap: samples 1 to 719 in turn, drawn afresh after each pass.
        TrendCanvas canvas(Screen);
        canvas.DrawTrend(Samples(h, 1, false));
        std::vector<double> ms;
        QElapsedTimer timer;
        for (int i = 0; i < Points; ++i) {
            const int a = 2 + i % (TrendPositions - 2);
            if (a == 2) canvas.DrawTrend(Samples(h, 1, false));
            timer.start();
            const bool drawn = canvas.AddTrendPoint(Samples(h, a, false));
            ms.push_back(double(timer.nsecsElapsed()) / 1e6);
            if (!drawn) std::printf("  (a point left the band)\n");
        }
        Print("new sample, segment", SpreadOf(ms), 1, ms.size());
    }
    {
        // After the wrap: every sample scrolls the plot by its width first.
        TrendCanvas canvas(Screen);
        canvas.DrawTrend(Samples(h, 0, true));
        const auto ms = Time(Points, [&](int i) {
            if (!canvas.AddTrendPoint(Samples(h, (i + 1) % TrendPositions, true)))
                std::printf("  (a point left the band)\n");
        });
        Print("new sample once wrapped, block copy + segment", SpreadOf(ms), 1, ms.size());
    }
    {
        TrendCanvas canvas(Screen);
        const auto ms =
            Time(2000, [&](int i) { canvas.DrawTrend(Samples(h, i % TrendPositions, true)); });
        Print("full drawing of 720 samples", SpreadOf(ms), 10, ms.size());
    }
    {
        // What the screen update adds: DrawIme repainting its whole image.
        TrendImage view;
        view.resize(TrendGeometry::For(Screen).W, TrendGeometry::For(Screen).H);
        view.Canvas().SetScreenWidth(Screen);
        view.Canvas().DrawTrend(Samples(h, 0, true));
        // Painted into an image of the window's format, as the window's backing store is.
        QImage screen(view.size(), QImage::Format_RGB32);
        const auto ms = Time(2000, [&](int) { view.render(&screen); });
        Print("repaint of DrawIme's whole image", SpreadOf(ms), 1, ms.size());
    }
    return 0;
}
