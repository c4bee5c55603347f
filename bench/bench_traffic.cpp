// What keeping the traffic costs each frame: a request and its reply (in two chunks) through a
// port's log into the traffic feed, with the traffic window closed and the vrx.line log off, as
// on every exchange of every tool; and the same with the window's model taking the frames in.
#include "framecodec.h"
#include "linelog.h"
#include "trafficwindow.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

const QByteArray Request = vrx::ReadRequest(1, 0x4700, 2);
const QByteArray ReplyHead = ":01030400";
const QByteArray ReplyTail = "FA012CD1\r\n";

// Per iteration: two frames (the request, the reply).
void BM_FramesWindowClosed(benchmark::State& state) {
    vrx::LineLog log;
    for (auto _ : state) {
        log.Sent(1, Request);
        log.Received(1, ReplyHead);
        log.Received(1, ReplyTail);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_FramesWindowClosed);

void BM_FramesWindowOpen(benchmark::State& state) {
    vrx::LineLog log;
    vrx::TrafficModel model(vrx::TrafficFeed::Instance());
    int n = 0;
    for (auto _ : state) {
        log.Sent(1, Request);
        log.Received(1, ReplyHead);
        log.Received(1, ReplyTail);
        // The window takes what is new five times a second: about every 20th exchange on a
        // busy line.
        if (++n % 20 == 0) model.Refresh();
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_FramesWindowOpen);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
