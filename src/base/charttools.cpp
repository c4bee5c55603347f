// The cursor's readout, the chart's mouse, and the picture a chart is saved as.
#include "charttools.h"

#include "dialogs.h"
#include "guard.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QImageWriter>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace vrx {

namespace {

const char* const ChartContext = "vrx::ChartMouse";

// The legend strip, in pixels: its own size whatever the screen, as the charts' labels are.
constexpr int LegendFontPixels = 12;
constexpr int LegendPad = 6;
constexpr int SwatchWidth = 18;
constexpr int SwatchHeight = 6;
constexpr int SwatchGap = 4;
constexpr int TraceGap = 16;

QFont LegendFont() {
    QFont font;
    font.setPixelSize(LegendFontPixels);
    return font;
}

// A trace's place in the strip: its swatch's left edge and the row it stands in.
struct LegendPlace {
    int x = 0;
    int row = 0;
    QString text; // elided where a name is wider than the strip
};

// The traces flow left to right, a row at a time, in the order given.
std::vector<LegendPlace> PlaceTraces(const ChartLegend& legend, const QFontMetrics& metrics,
                                     int width) {
    std::vector<LegendPlace> places;
    const int textRoom = std::max(1, width - 2 * LegendPad - SwatchWidth - SwatchGap);
    int x = LegendPad;
    int row = 0;
    for (const ChartLegend::Trace& trace : legend.traces) {
        const QString text = metrics.elidedText(trace.name, Qt::ElideRight, textRoom);
        const int itemWidth = SwatchWidth + SwatchGap + metrics.horizontalAdvance(text);
        if (x > LegendPad && x + itemWidth > width - LegendPad) {
            x = LegendPad;
            ++row;
        }
        places.push_back({x, row, text});
        x += itemWidth + TraceGap;
    }
    return places;
}

} // namespace

void PaintReadout(QPainter& painter, const QRect& area, const ChartReadout& readout,
                  const QColor& line, const QColor& box, const QColor& frame) {
    if (!readout.Shown()) return;
    painter.save();
    painter.setPen(QPen(line, 1, Qt::DashLine));
    painter.drawLine(readout.x, area.top(), readout.x, area.bottom());
    const QFontMetrics metrics = painter.fontMetrics();
    int width = 0;
    for (const QString& text : readout.texts)
        width = std::max(width, metrics.horizontalAdvance(text));
    constexpr int Pad = 4;
    const QSize size(width + 2 * Pad, int(readout.texts.size()) * metrics.height() + 2 * Pad);
    const bool right = area.right() - readout.x >= readout.x - area.left();
    const int left = right ? readout.x + 6 : readout.x - 6 - size.width();
    const QRect boxRect(QPoint(std::max(area.left(), left), area.top() + 4), size);
    painter.setPen(frame);
    painter.setBrush(box);
    painter.drawRect(boxRect);
    for (qsizetype i = 0; i < readout.texts.size(); ++i) {
        painter.setPen(i < readout.colours.size() ? readout.colours[i] : frame);
        painter.drawText(boxRect.left() + Pad,
                         boxRect.top() + Pad + int(i) * metrics.height() + metrics.ascent(),
                         readout.texts[i]);
    }
    painter.restore();
}

QString ChartSpanText(const ChartTimeSpan& span) {
    const auto tr = [](const char* text) {
        return QCoreApplication::translate(ChartContext, text);
    };
    const auto at = [](const std::optional<QDate>& date, const QString& time) {
        return date ? date->toString(Qt::ISODate) + QLatin1Char(' ') + time : time;
    };
    const bool sameDay = span.fromDate && span.toDate && *span.fromDate == *span.toDate;
    return tr("%1 – %2, a sample every %3 s")
        .arg(at(span.fromDate, span.from), sameDay ? span.to : at(span.toDate, span.to))
        .arg(span.seconds);
}

QImage ImageWithLegend(const QImage& chart, const ChartLegend& legend) {
    if (legend.Empty() || chart.isNull()) return chart;
    const QFont font = LegendFont();
    const QFontMetrics metrics(font);
    const int width = chart.width();
    const int rowHeight = metrics.height();
    const std::vector<LegendPlace> places = PlaceTraces(legend, metrics, width);
    const int traceRows = places.empty() ? 0 : places.back().row + 1;
    const QRect spanRoom(LegendPad, 0, std::max(1, width - 2 * LegendPad), 1 << 16);
    const int spanHeight =
        legend.span.isEmpty()
            ? 0
            : metrics.boundingRect(spanRoom, Qt::TextWordWrap, legend.span).height();
    const int strip = 1 + LegendPad + traceRows * rowHeight +
                      (traceRows > 0 && spanHeight > 0 ? LegendPad / 2 : 0) + spanHeight +
                      LegendPad;

    QImage image(width, chart.height() + strip, QImage::Format_RGB32);
    image.fill(legend.paper);
    QPainter painter(&image);
    // The chart's pixels as they are: the strip only adds below them.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, chart);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setFont(font);
    const int top = chart.height();
    // Dotted as the charts' grids are, so that no trace's swatch is mistaken for it.
    painter.setPen(QPen(legend.ink, 1, Qt::DotLine));
    painter.drawLine(0, top, width - 1, top);
    const int tracesTop = top + 1 + LegendPad;
    for (std::size_t i = 0; i < places.size(); ++i) {
        const LegendPlace& place = places[i];
        const QColor colour = legend.traces[qsizetype(i)].colour;
        const int y = tracesTop + place.row * rowHeight;
        // A swatch of the trace's colour says it plainly, whatever the text's smoothing does.
        painter.fillRect(place.x, y + (rowHeight - SwatchHeight) / 2, SwatchWidth, SwatchHeight,
                         colour);
        painter.setPen(colour);
        painter.drawText(place.x + SwatchWidth + SwatchGap, y + metrics.ascent(), place.text);
    }
    if (spanHeight > 0) {
        painter.setPen(legend.ink);
        const int y = tracesTop + traceRows * rowHeight + (traceRows > 0 ? LegendPad / 2 : 0);
        painter.drawText(spanRoom.translated(0, y), Qt::TextWordWrap, legend.span);
    }
    return image;
}

void SaveChartImage(QWidget* parent, const QImage& image, const ChartLegend& legend) {
    const auto tr = [](const char* text) {
        return QCoreApplication::translate(ChartContext, text);
    };
    QString path =
        Dialogs::Current().SaveFileName(parent, tr("Save image"), tr("PNG images (*.png *.PNG)"));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".png");
    QImageWriter writer(path, "png");
    if (!writer.write(ImageWithLegend(image, legend))) {
        Dialogs::Current().Message(parent, tr("Save image"),
                                   tr("The image could not be saved as %1: %2")
                                       .arg(QDir::toNativeSeparators(path), writer.errorString()));
    }
}

ChartMouse::ChartMouse(QWidget* chart, ChartHandlers handlers) : QObject(chart), chart_(chart) {
    chart->setMouseTracking(true);
    chart->installEventFilter(this);
    chart->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* reset = new QAction(tr("Reset"), chart);
    reset->setObjectName(QStringLiteral("ResetViewAction"));
    connect(reset, &QAction::triggered, this, &ChartMouse::resetAsked);
    auto* save = new QAction(tr("Save image"), chart);
    save->setObjectName(QStringLiteral("SaveImageAction"));
    connect(save, &QAction::triggered, this, &ChartMouse::saveAsked);
    chart->addAction(reset);
    chart->addAction(save);

    // Each handler on its own signal, guarded; an empty one is left unconnected.
    const auto on = [this](auto signal, const auto& handler) {
        if (handler)
            connect(this, signal, this,
                    [handler](auto... args) { Guarded([&] { handler(args...); }); });
    };
    on(&ChartMouse::zoomed, handlers.zoom);
    on(&ChartMouse::panned, handlers.pan);
    on(&ChartMouse::hovered, handlers.hover);
    on(&ChartMouse::left, handlers.leave);
    on(&ChartMouse::resetAsked, handlers.reset);
    if (handlers.image) {
        on(&ChartMouse::saveAsked,
           std::function<void()>([chart, image = handlers.image, legend = handlers.legend] {
               SaveChartImage(chart, image(), legend ? legend() : ChartLegend{});
           }));
    }
}

bool ChartMouse::eventFilter(QObject* watched, QEvent* event) {
    if (watched != chart_) return false;
    switch (event->type()) {
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        // 120 eighths of a degree are one notch; a touchpad gives less at a time.
        const double steps = wheel->angleDelta().y() / 120.0;
        if (steps != 0) emit zoomed(wheel->position().toPoint(), steps);
        return true;
    }
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        dragging_ = true;
        dragX_ = mouse->position().toPoint().x();
        chart_->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        if (dragging_ && at.x() != dragX_) {
            emit panned(at.x() - dragX_);
            dragX_ = at.x();
        }
        emit hovered(at);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
        dragging_ = false;
        chart_->unsetCursor();
        return true;
    case QEvent::Leave:
        dragging_ = false;
        emit left();
        return false;
    default:
        return false;
    }
}

} // namespace vrx
