// Decoder throughput: a queue of 11-byte channel on/off reports drained one message per
// DecodeBuffer call, at 1,000 and at 100,000 queued messages. The per-message cost must
// not grow with the queue.

#include "Fakes.h"
#include "Frames.h"
#include "TCPComm.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

void DrainChannelReports(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const orl::Bytes report = orl::HexToBytes("D6 7F 00 01 04 00 01 00 01 06 FF");
    orl::Bytes queue;
    queue.reserve(report.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        queue.insert(queue.end(), report.begin(), report.end());

    orl::Variables v;
    orl::ProgramSetup(v, std::filesystem::temp_directory_path().string());
    v.ConsoleNumber = 2;
    v.FaderSource[0] = 5;
    orl::ErrorLog log(v);
    orl::test::FakeWindow window;
    orl::test::FakeSocket socket;
    orl::TCPComm link(v, log, socket, window);

    for (auto _ : state) {
        state.PauseTiming();
        v.ReceiveBuffer.Clear();
        v.ReceiveBuffer.Append(queue);
        state.ResumeTiming();
        while (!v.ReceiveBuffer.empty())
            link.DecodeBuffer();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * count));
    if (v.FaderOnState[0] != 1)
        state.SkipWithError("the reports were not applied");
}

} // namespace

BENCHMARK(DrainChannelReports)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
