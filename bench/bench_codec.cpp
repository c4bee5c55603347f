// Frame handling per exchange: compose a read request, its LRC and RTU form, check the reply.
#include "framecodec.h"

#include <benchmark/benchmark.h>

namespace {

// The recorder's sample request: two registers from 4700 hex.
QByteArray ComposeRead(int address) {
    QByteArray frame = ":" + vrx::ByteToHex(address) + "0347" + vrx::ByteToHex(0x00) + "0002";
    frame += vrx::AsciiLrc(frame);
    frame += "\r\n";
    return frame;
}

void BM_AsciiExchange(benchmark::State& state) {
    const QByteArray reply = ":01030400FAFF837C\r\n";
    for (auto _ : state) {
        QByteArray request = ComposeRead(1);
        benchmark::DoNotOptimize(request);
        vrx::ReadReply checked = vrx::CheckAsciiReply(reply, 1);
        benchmark::DoNotOptimize(checked);
    }
}
BENCHMARK(BM_AsciiExchange);

void BM_RtuExchange(benchmark::State& state) {
    const QByteArray reply = QByteArray::fromHex("01030400FAFF83DA53");
    for (auto _ : state) {
        QByteArray request = vrx::AsciiToRtu(ComposeRead(1));
        benchmark::DoNotOptimize(request);
        vrx::ReadReply checked = vrx::CheckRtuReply(reply, 1);
        benchmark::DoNotOptimize(checked);
    }
}
BENCHMARK(BM_RtuExchange);

// The largest reply the monitor reads: eight registers.
void BM_RtuEightWordReply(benchmark::State& state) {
    QByteArray reply = QByteArray::fromHex("010310") + QByteArray(16, '\x41');
    reply += vrx::ModbusCrc(reply);
    for (auto _ : state) {
        vrx::ReadReply checked = vrx::CheckRtuReply(reply, 1);
        benchmark::DoNotOptimize(checked);
    }
}
BENCHMARK(BM_RtuEightWordReply);

} // namespace

BENCHMARK_MAIN();
