// Decoder throughput: a queue of 11-byte channel on/off reports drained one message per
// DecodeBuffer call, at 1,000 and at 100,000 queued messages. The per-message cost must
// not grow with the queue.

#include "Fakes.h"
#include "Frames.h"
#include "TCPComm.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

// A window that shows nothing: what the benchmark measures is the decoder and the handler,
// not a recording fake.
class SilentWindow : public orl::IPanelWindow {
public:
    void SetCaption(const std::string&) override {}
    void EnablePollTimer(bool) override {}
    void EnableDecodeTimer() override {}
    void SetStayOnTop(std::int32_t) override {}
    void InitSlider(int) override {}
    void InitAllSliders() override {}
    void UpdateActiveSource(int) override {}
    void UpdateBussButtonTally() override {}
    void UpdateUserButtonTally() override {}
    void ShowChannelState(int) override { ++shown; }
    void ShowLinkState(orl::LinkState) override {}
    long long shown = 0;
};

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
    SilentWindow window;
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
    if (v.FaderOnState[0] != 1 || window.shown == 0)
        state.SkipWithError("the reports were not applied");
}

// 4 MB of command bytes that no end byte closes, then an end byte and a poll: every
// broken-off byte is dropped in one pass, and the poll is answered.
void DropBrokenOffBytes(benchmark::State& state) {
    constexpr std::size_t Size = 4 << 20;
    orl::Bytes junk(Size, 0x80);
    junk.push_back(0xFF);
    junk.push_back(0xF5);

    orl::Variables v;
    orl::ProgramSetup(v, std::filesystem::temp_directory_path().string());
    orl::ErrorLog log(v);
    SilentWindow window;
    orl::test::FakeSocket socket;
    orl::TCPComm link(v, log, socket, window);
    socket.connected = true;
    v.SocketConnected = true;

    for (auto _ : state) {
        state.PauseTiming();
        v.ReceiveBuffer.Clear();
        v.ReceiveBuffer.Append(junk);
        socket.written.clear();
        state.ResumeTiming();
        while (!v.ReceiveBuffer.empty())
            link.DecodeBuffer();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Size));
    if (socket.written.size() != 1)
        state.SkipWithError("the poll behind the bytes was not answered");
}

} // namespace

BENCHMARK(DrainChannelReports)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(DropBrokenOffBytes)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
