// The Monitor window's two views of the selected station: the settings and the trend of its
// process value, switched by DrawBt and drawn at each tick of Timer1.
#include "clock.h"
#include "guard.h"
#include "monitorwindow.h"
#include "palette.h"
#include "screenwidth.h"
#include "trendcanvas.h"

#include <QDateTime>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTime>

#include <cmath>

namespace vrx {

namespace {

TrendSamples SamplesOf(const PollEngine& poll, int st) {
    const MonitorState& engine = poll.State();
    const auto& history = engine.TrendHistory[std::size_t(st)];
    const auto& setValues = engine.TrendSvHistory[std::size_t(st)];
    return {std::span<const int>(history.data(), history.size()),
            engine.TrendIndex[st],
            engine.TrendWrapped[st],
            engine.TrendMax[st],
            engine.TrendMin[st],
            std::span<const int>(setValues.data(), setValues.size())};
}

// The least span, in samples.
constexpr double LeastTrendSpan = 20;

} // namespace

void TVRW2::WireViews() {
    connect(DrawBt, &QPushButton::clicked, this, GuardedSlot(this, &TVRW2::DrawBtClick));
    connect(&Engine, &PollEngine::trendSampled, this, [this](bool full) {
        Guarded([&] {
            if (!TrendView) return;
            const QScopedValueRollback sampling(trendSampling_, true);
            const int sel = Engine.State().SelStation;
            // A history begun again (the station connected anew) has left the zoomed samples.
            if (SampleCountOf(ShownTrend(sel)) < trendSamplesSeen_) TrendZoomed = false;
            if (TrendZoomed && TrendZoomStation == sel) {
                FollowTrendSample();
                DrawTrendSpan();
                return;
            }
            TrendZoomed = false;
            if (full) {
                DrawTrend();
            } else {
                AddTrendPoint();
            }
        });
    });
    // The chart's geometry follows the screen the window was laid out for; a chart of the
    // stations before is not shown again.
    connect(&Engine, &PollEngine::monitorReset, this, [this] {
        TrendZoomed = false;
        DrawIme->Canvas().SetScreenWidth(ScreenWidth);
    });

    TrendTools = new ChartMouse(
        DrawIme, {.zoom = [this](QPoint at, double steps) { ZoomTrend(at, steps); },
                  .pan = [this](int dx) { PanTrend(dx); },
                  .hover = [this](QPoint at) { ShowTrendCursor(at); },
                  .leave = [this] { DrawIme->SetReadout({}); },
                  .reset = [this] { ResetTrendZoom(); },
                  .image = [this]() -> const QImage& { return DrawIme->Canvas().Image(); },
                  .legend = [this] { return TrendLegend(); }});
}

ChartLegend TVRW2::TrendLegend() const {
    ChartLegend legend;
    legend.paper = QColor(palette::TrendField);
    legend.ink = QColor(palette::TrendInk);
    const int sel = Engine.State().SelStation;
    const TrendSamples samples = ShownTrend(sel);
    const int n = SampleCountOf(samples);
    if (!TrendView || n == 0) return legend;
    const MonitorState& state = Engine.State();
    const QString station = tr("Station %1 (address %2)").arg(sel).arg(state.StationAddr[sel]);
    legend.traces.append({QStringLiteral("%1 PV").arg(station), QColor(palette::PvTrace)});
    legend.traces.append({QStringLiteral("%1 SV").arg(station), QColor(palette::SvTrace)});
    // The samples the chart shows: a zoomed span's whole ones, or the whole history.
    int first = 0;
    int last = n - 1;
    if (TrendZoomed) {
        first = qBound(0, int(std::ceil(TrendSpan.first)), n - 1);
        last = qBound(first, int(std::floor(TrendSpan.first + TrendSpan.count)), n - 1);
    }
    // A sample's date and time: now less its age on the line's clock, as the cursor says it.
    const QDateTime now = QDateTime::currentDateTime();
    const auto taken = [&](int k) {
        const int p = RingPositionOf(samples, k);
        const quint32 age =
            Clock::Current().Milliseconds() - state.TrendStamps[sel][std::size_t(p)];
        return now.addMSecs(-qint64(age));
    };
    const QDateTime from = taken(first);
    const QDateTime to = taken(last);
    const QString format = QStringLiteral("HH:mm:ss");
    // A sample is taken at each tick of Timer1.
    const int seconds = qMax(1, (Engine.Timer1().interval() + 500) / 1000);
    legend.span = ChartSpanText({from.date(), from.time().toString(format), to.date(),
                                 to.time().toString(format), seconds});
    return legend;
}

TrendSamples TVRW2::ShownTrend(int st) const {
    TrendSamples samples = SamplesOf(Engine, st);
    if (!trendSampling_) samples.index = qMax(0, samples.index - 1);
    return samples;
}

ChartSpan TVRW2::ShownTrendSpan() const {
    // The first view puts the samples at their columns of the whole history.
    return TrendZoomed ? TrendSpan : ChartSpan{-1, double(TrendPositions)};
}

void TVRW2::ZoomTrend(QPoint at, double steps) {
    const int sel = Engine.State().SelStation;
    const int n = SampleCountOf(ShownTrend(sel));
    if (!TrendView || n < 2) return;
    const TrendGeometry& g = DrawIme->Canvas().Geometry();
    const double anchor = double(at.x() - g.X0) / qMax(1, g.X1 - g.X0);
    ShowTrendSpan(ZoomSpan(ShownTrendSpan(), anchor, steps, LeastTrendSpan, double(n)), sel, n);
    ShowTrendCursor(at);
}

void TVRW2::PanTrend(int dx) {
    const int sel = Engine.State().SelStation;
    const int n = SampleCountOf(ShownTrend(sel));
    if (!TrendView || n < 2) return;
    const TrendGeometry& g = DrawIme->Canvas().Geometry();
    const ChartSpan span = ShownTrendSpan();
    // The chart follows the mouse: dragging to the right brings older samples in.
    ShowTrendSpan(PanSpan(span, -double(dx) * span.count / qMax(1, g.X1 - g.X0), n), sel, n);
}

void TVRW2::ShowTrendSpan(const ChartSpan& span, int st, int samples) {
    TrendSpan = span;
    TrendZoomed = true;
    TrendZoomStation = st;
    trendSamplesSeen_ = samples;
    DrawTrendSpan();
}

void TVRW2::FollowTrendSample() {
    const TrendSamples samples = ShownTrend(Engine.State().SelStation);
    const int n = SampleCountOf(samples);
    // At the newest sample the span moves on with it; elsewhere it stays on its samples, which
    // move one place older in a full history, until they leave it.
    const bool newest = TrendSpan.first + TrendSpan.count >= trendSamplesSeen_ - 0.5;
    const int added = qMax(0, n - trendSamplesSeen_);
    if (newest) {
        TrendSpan.first = qMax(0.0, n - TrendSpan.count);
    } else if (added == 0 && samples.wrapped) {
        TrendSpan.first = qMax(0.0, TrendSpan.first - 1);
    }
    trendSamplesSeen_ = n;
}

void TVRW2::DrawTrendSpan() {
    DrawIme->Canvas().DrawSpan(ShownTrend(TrendZoomStation), TrendSpan);
    DrawIme->update();
}

void TVRW2::ResetTrendZoom() {
    if (!TrendView || !TrendZoomed) return;
    TrendZoomed = false;
    DrawTrend();
}

void TVRW2::ShowTrendCursor(QPoint at) {
    ChartReadout readout;
    const int sel = Engine.State().SelStation;
    const TrendSamples samples = ShownTrend(sel);
    const int k = TrendView ? DrawIme->Canvas().SampleAt(samples, at.x()) : -1;
    if (k < 0) {
        DrawIme->SetReadout(readout);
        return;
    }
    const int p = RingPositionOf(samples, k);
    const MonitorState& state = Engine.State();
    // The sample's time of day: now less the time since it was taken on the line's clock.
    const quint32 age = Clock::Current().Milliseconds() - state.TrendStamps[sel][std::size_t(p)];
    readout.x = DrawIme->Canvas().XOf(k);
    readout.texts
        << QTime::currentTime().addMSecs(-qint64(age)).toString(QStringLiteral("HH:mm:ss"))
        << QStringLiteral("PV %1").arg(TenthsText(samples.history[std::size_t(p)]))
        << QStringLiteral("SV %1").arg(TenthsText(samples.sv[std::size_t(p)]));
    readout.colours << QColor(palette::TrendInk) << QColor(palette::PvTrace)
                    << QColor(palette::SvTrace);
    DrawIme->SetReadout(readout);
}

void TVRW2::DrawBtClick() {
    if (!TrendView) {
        SetPanelsShown(false);
        DrawIme->show();
        DrawBt->setText(tr("View Setting"));
        DrawBt->show();
        // Drawn in full at the next tick.
        Engine.RedrawTrend();
        TrendView = true;
        return;
    }
    TrendView = false;
    // Coming back, the chart shows its first view again.
    TrendZoomed = false;
    DrawIme->SetReadout({});
    DrawBt->setText(tr("View Record"));
    DrawIme->hide();
    if (Engine.State().ConnectedCount == 0) return;
    SetPanelsShown(true);
    // The boxes were not kept up to date under the chart.
    Engine.RequestSettingsReread();
}

void TVRW2::DrawTrend() {
    TrendZoomed = false;
    const int sel = Engine.State().SelStation;
    Engine.TrendDrawn(sel);
    DrawIme->Canvas().DrawTrend(ShownTrend(sel));
    DrawIme->update();
}

void TVRW2::AddTrendPoint() {
    if (!DrawIme->Canvas().AddTrendPoint(ShownTrend(Engine.State().SelStation))) {
        // Off the band: the chart is drawn again on a scale that holds the new value.
        DrawTrend();
        return;
    }
    DrawIme->update();
}

} // namespace vrx
