// Arbitrary contents of "orlntpnl.ini" read into a fresh panel state. A failure must be
// an OrlError (the caller reports it), never a crash or undefined behaviour.

#include "Configuration.h"
#include "FuzzFolder.h"
#include "OrlError.h"

#include <cstddef>
#include <cstdint>
#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string folder = orl::fuzz::ScratchFolder();
    {
        std::ofstream file(folder + orl::ConfigurationFileName, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    orl::Variables v;
    orl::ProgramSetup(v, folder);
    try {
        orl::ReadConfiguration(v);
    } catch (const orl::OrlError&) {
        return 0;
    }
    // Whatever was read must leave the per-fader arrays in step with the fader count.
    if (v.FaderCount < 1 || v.FaderCount > 20 ||
        v.FaderSource.size() != static_cast<std::size_t>(v.FaderCount))
        __builtin_trap();
    return 0;
}
