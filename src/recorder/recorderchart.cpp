// The Recorder's chart tools in View mode: the wheel zooms the time, dragging moves it, the
// cursor reads the line under it, Reset goes back to the track bar's window, and Save image
// keeps the chart as a picture with its legend.
#include "csvexport.h"
#include "guard.h"
#include "palette.h"
#include "recorderwindow.h"

#include <QCheckBox>
#include <QToolButton>
#include <QPointer>

#include <cmath>

namespace vrx {

namespace {

// The least span, in lines: fewer would spread single lines across the whole plot.
constexpr double LeastSpanLines = 20;

} // namespace

void TVRW3::WireChartTools() {
    ChartTools =
        new ChartMouse(ResultT, {.zoom = [this](QPoint at, double steps) { ZoomChart(at, steps); },
                                 .pan = [this](int dx) { PanChart(dx); },
                                 .hover = [this](QPoint at) { ShowCursor(at); },
                                 .leave = [this] { ResultT->SetReadout({}); },
                                 .reset = [this] { ResetZoom(); },
                                 .image = [this]() -> const QImage& { return chart_->Image(); },
                                 .legend = [this] { return SavedChartLegend(); }});
}

ChartLegend TVRW3::SavedChartLegend() {
    ChartLegend legend;
    legend.paper = QColor(palette::ChartPaper);
    legend.ink = QColor(palette::ChartInk);
    const auto name = [&](const Addresses& addresses) {
        for (int p = 0; p < DevicePositions; ++p) {
            const int address = addresses[std::size_t(p)];
            if (address == 0) continue;
            legend.traces.append({tr("Device %1 (address %2)").arg(p + 1).arg(address),
                                  DeviceColors()[std::size_t(p)]});
        }
    };
    if (!DrawBt->isChecked()) {
        // Record mode: the recording's devices (one dropped since still drew its beginning)
        // over the window's samples, dated by the cycles that took them.
        if (live_.Count() == 0) return legend;
        name(recorded_);
        legend.span = ChartSpanText({windowFirst_.date(), LongTimeText(windowFirst_.time()),
                                     windowLast_.date(), LongTimeText(windowLast_.time()),
                                     qMax(1, (Engine->Timer1().interval() + 500) / 1000)});
        return legend;
    }
    if (!Viewing || !Spans.IsOpen()) return legend;
    name(Traces);
    // The lines shown: the zoomed span's whole ones, or the track bar's window.
    qint64 first = View.ViewStart;
    qint64 last = View.ViewStart + qint64(qMax(0, ViewCount - 1)) * View.Thinning(SampleSeconds);
    int seconds = SampleSeconds;
    if (Zoomed) {
        first = qint64(std::ceil(Span.first));
        last = qint64(std::ceil(Span.first + Span.count)) - 1;
        seconds = View.FileInterval();
    }
    const qint64 lines = View.RecordCount();
    first = qBound(qint64(0), first, lines - 1);
    last = qBound(first, last, lines - 1);
    // A record holds times of day only; the dates come from the file as the CSV export finds
    // them. Where the file cannot be read so far, the times stand alone.
    if (const auto dated = DateRecordLines(View.Path(), View.Layout(), first, last)) {
        legend.span = ChartSpanText({dated->firstDate, LongTimeText(dated->firstTime),
                                     dated->lastDate, LongTimeText(dated->lastTime), seconds});
        return legend;
    }
    const auto time = [this](qint64 line) {
        const auto read = Spans.Line(line);
        return read && read->time ? LongTimeText(*read->time) : QStringLiteral("?");
    };
    legend.span = ChartSpanText({std::nullopt, time(first), std::nullopt, time(last), seconds});
    return legend;
}

SpanPlace TVRW3::Place() const {
    SpanPlace place;
    place.left = chart_->PlotLeft();
    place.width = chart_->PlotWidth();
    if (Zoomed) {
        place.first = Span.first;
        place.count = Span.count;
    } else {
        // The track bar's window: a point every `thinning` lines, one design column apart.
        const int thinning = View.Thinning(SampleSeconds);
        place.first = double(View.ViewStart);
        place.count = double(WindowColumns) * thinning;
    }
    return place;
}

void TVRW3::ZoomChart(QPoint at, double steps) {
    if (!Viewing || !Spans.IsOpen()) return;
    const SpanPlace place = Place();
    const double anchor = double(ResultT->ImageX(at.x()) - place.left) / place.width;
    ShowSpan(
        ZoomSpan({place.first, place.count}, anchor, steps, LeastSpanLines, double(Spans.Lines())));
    ShowCursor(at);
}

void TVRW3::PanChart(int dx) {
    if (!Viewing || !Spans.IsOpen()) return;
    const SpanPlace place = Place();
    // The chart follows the mouse: dragging to the right brings earlier lines in.
    const double lines = -double(ResultT->ImageX(dx)) * place.count / place.width;
    ShowSpan(PanSpan({place.first, place.count}, lines, double(Spans.Lines())));
}

void TVRW3::ShowSpan(const ChartSpan& span) {
    Span = span;
    Zoomed = true;
    DrawSpanView();
}

void TVRW3::ResetZoom() {
    if (Viewing && Zoomed) RefreshView();
}

void TVRW3::DrawSpanView() {
    const UsedPositions used = UsedOf(Traces);
    // The summary's builder says from its own thread that more is built: the chart is drawn
    // again on this one, if it still shows an incomplete span by then.
    QPointer<TVRW3> self(this);
    const SpanPicture picture = Spans.Picture(Place(), chart_->TickEvery(), used, [self] {
        QMetaObject::invokeMethod(
            self,
            [self] {
                if (self && self->Viewing && self->Zoomed && !self->span_.complete)
                    self->DrawSpanView();
            },
            Qt::QueuedConnection);
    });
    span_ = picture;
    chart_->DrawSpan(span_, used);
    ShowChart();
}

void TVRW3::ShowCursor(QPoint at) {
    ChartReadout readout;
    const SpanPlace place = Place();
    const int x = ResultT->ImageX(at.x());
    if (!Viewing || !Spans.IsOpen() || x < place.left || x > place.left + place.width) {
        ResultT->SetReadout(readout);
        return;
    }
    if (Zoomed && place.count > place.width) {
        ShowColumn(x);
        return;
    }
    qint64 line = place.LineAt(x);
    if (!Zoomed) {
        // The track bar's window shows every `thinning`-th line only.
        const int thinning = View.Thinning(SampleSeconds);
        const qint64 point = std::llround(double(line - View.ViewStart) / thinning);
        if (point >= ViewCount) {
            ResultT->SetReadout(readout);
            return;
        }
        line = View.ViewStart + point * thinning;
    }
    const auto read = Spans.Line(line);
    if (!read) {
        ResultT->SetReadout(readout);
        return;
    }
    readout.x = ResultT->WidgetX(int(std::lround(place.X(double(line)))));
    readout.texts << (read->time ? LongTimeText(*read->time) : tr("Line %1").arg(line + 1));
    readout.colours << QColor(palette::ChartInk);
    for (int p = 0; p < DevicePositions; ++p) {
        if (Traces[std::size_t(p)] == 0) continue;
        const qint32 v = read->pv[std::size_t(p)];
        readout.texts << QStringLiteral("%1: %2").arg(p + 1).arg(
            v == MissingSample ? QStringLiteral("---") : TenthsText(v));
        readout.colours << DeviceColors()[std::size_t(p)];
    }
    ResultT->SetReadout(readout);
}

void TVRW3::ShowColumn(int x) {
    // A column of many lines: the times of its first and last line, and each trace's extremes.
    ChartReadout readout;
    const SpanPlace place = Place();
    const int c = x - place.left;
    const auto [from, to] = place.ColumnLines(c);
    const auto first = Spans.Line(from);
    const auto last = Spans.Line(to - 1);
    if (c < 0 || c >= int(span_.columns.size()) || !first || !last) {
        ResultT->SetReadout(readout);
        return;
    }
    const auto time = [this](const std::optional<QTime>& t) {
        return t ? LongTimeText(*t) : QStringLiteral("?");
    };
    readout.x = ResultT->WidgetX(x);
    readout.texts << QStringLiteral("%1 – %2").arg(time(first->time), time(last->time));
    readout.colours << QColor(palette::ChartInk);
    const TraceRanges& ranges = span_.columns[std::size_t(c)].ranges;
    for (int p = 0; p < DevicePositions; ++p) {
        if (Traces[std::size_t(p)] == 0) continue;
        const TraceRange& r = ranges[std::size_t(p)];
        const QString text =
            r.Empty()        ? QStringLiteral("---")
            : r.min == r.max ? TenthsText(r.min)
                             : QStringLiteral("%1 – %2").arg(TenthsText(r.min), TenthsText(r.max));
        readout.texts << QStringLiteral("%1: %2").arg(p + 1).arg(text);
        readout.colours << DeviceColors()[std::size_t(p)];
    }
    ResultT->SetReadout(readout);
}

} // namespace vrx
