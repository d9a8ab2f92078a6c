// Arbitrary bytes arrive in arbitrary chunks and are drained through the decoder and
// every handler behind it, for a panel of 1 to 20 faders in either panel mode.
//
// Input: byte 0 chooses the fader count (1..20) and the panel mode; then repeatedly a
// length byte and that many bytes of a chunk.

#include "Fakes.h"
#include "FuzzFolder.h"
#include "TCPComm.h"

#include <cstddef>
#include <cstdint>

namespace {

// A connected socket that takes every write and keeps nothing.
class DiscardSocket : public orl::test::FakeSocket {
public:
    DiscardSocket() { connected = true; }
    long Write(const std::uint8_t*, long length) override { return length; }
    long BytesTaken() const override { return 0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    orl::Variables v;
    orl::ProgramSetup(v, orl::fuzz::ScratchFolder());
    orl::ErrorLog log(v);
    const int faders = 1 + data[0] % 20;
    v.PanelMode = (data[0] & 0x80) ? orl::PanelModeConsole : orl::PanelModeDeviceID;
    v.FaderCount = static_cast<std::int16_t>(faders);
    orl::RecreateFaderArrays(v, static_cast<std::size_t>(faders));
    for (int i = 0; i < faders; ++i) {
        v.FaderDeviceID[i] = static_cast<std::int16_t>((i * 409) % 8193);
        v.FaderSource[i] = static_cast<std::int16_t>(i == 3 ? orl::None : i + 1);
    }
    v.ProgramBus = 1;
    v.OfflineBus = 2;
    v.CueBus = 3;
    v.ConsoleNumber = 1;
    orl::InitDeviceIDs(v);

    orl::test::FakeWindow window;
    DiscardSocket socket;
    orl::TCPComm link(v, log, socket, window);
    v.SocketConnected = true;

    std::size_t position = 1;
    while (position < size) {
        std::size_t chunk = 1 + data[position++] % 128;
        if (chunk > size - position)
            chunk = size - position;
        v.ReceiveBuffer.Append(data + position, chunk);
        position += chunk;
        // Drain: each call removes at most one message; an incomplete one waits.
        for (;;) {
            const std::size_t before = v.ReceiveBuffer.size();
            link.DecodeBuffer();
            if (v.ReceiveBuffer.empty() || v.ReceiveBuffer.size() == before)
                break;
        }
    }
    return 0;
}
