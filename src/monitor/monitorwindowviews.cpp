// The Monitor window's two views of the selected station: the settings and the trend of its
// process value, switched by DrawBt and drawn at each tick of Timer1.
#include "guard.h"
#include "monitorwindow.h"
#include "screenwidth.h"
#include "trendcanvas.h"

#include <QPushButton>

namespace vrx {

namespace {

TrendSamples SamplesOf(const PollEngine& poll, int st) {
    const MonitorState& engine = poll.State();
    const auto& history = engine.TrendHistory[std::size_t(st)];
    return {std::span<const int>(history.data(), history.size()), engine.TrendIndex[st],
            engine.TrendWrapped[st], engine.TrendMax[st], engine.TrendMin[st]};
}

} // namespace

void TVRW2::WireViews() {
    connect(DrawBt, &QPushButton::clicked, this, GuardedSlot(this, &TVRW2::DrawBtClick));
    connect(&Engine, &PollEngine::trendSampled, this, [this](bool full) {
        Guarded([&] {
            if (!TrendView) return;
            if (full) {
                DrawTrend();
            } else {
                AddTrendPoint();
            }
        });
    });
    // The chart's geometry follows the screen the window was laid out for; a chart of the
    // stations before is not shown again.
    connect(&Engine, &PollEngine::monitorReset, this,
            [this] { DrawIme->Canvas().SetScreenWidth(ScreenWidth); });
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
    DrawBt->setText(tr("View Record"));
    DrawIme->hide();
    if (Engine.State().ConnectedCount == 0) return;
    SetPanelsShown(true);
    // The boxes were not kept up to date under the chart.
    Engine.RequestSettingsReread();
}

void TVRW2::DrawTrend() {
    const int sel = Engine.State().SelStation;
    Engine.TrendDrawn(sel);
    DrawIme->Canvas().DrawTrend(SamplesOf(Engine, sel));
    DrawIme->update();
}

void TVRW2::AddTrendPoint() {
    if (!DrawIme->Canvas().AddTrendPoint(SamplesOf(Engine, Engine.State().SelStation))) {
        // Off the band: the chart is drawn again on a scale that holds the new value.
        DrawTrend();
        return;
    }
    DrawIme->update();
}

} // namespace vrx
