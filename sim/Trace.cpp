#include "Trace.h"

#include "FrameReader.h"
#include "OrlError.h"
#include "Protocol.h"
#include "StdoutWriter.h"

#include <cstdio>
#include <sstream>

namespace orl::sim {

namespace {

constexpr std::size_t MaxHexBytes = 40;

std::string OnOff(int state) {
    return state == 1 ? "on" : "off";
}

std::string DescribeFields(const Bytes& frame) {
    std::ostringstream text;
    FrameReader reader(frame);
    switch (frame[0]) {
    case wire::PollAnswer:
        return "F4 poll answer";
    case wire::TypeRequest:
        return "81 type request";
    case wire::AlphaTable: {
        const int table = reader.Byte();
        const int length = reader.Byte();
        const int records = reader.Value14();
        const int first = reader.Value14();
        text << "FC " << (table == wire::InputNameTable ? "input" : "console")
             << " names: " << records << " of " << length << " characters, first " << first;
        break;
    }
    case wire::CrosspointMap: {
        reader.Byte();
        const int buses = reader.Value14();
        const int first = reader.Value14();
        text << "F6 crosspoint map: " << buses << " buses from bus " << first + 1;
        if (buses == 1) {
            const int entries = reader.Value14();
            reader.Byte();
            text << ", devices";
            for (int e = 0; e < entries; ++e) {
                text << " " << reader.Value14();
                reader.Value14();
            }
            if (entries == 0)
                text << " none";
        }
        break;
    }
    case wire::OptoRelayStates: {
        const int table = reader.Byte();
        const int entries = reader.Value14();
        text << "F7 " << (table == wire::RelayTable ? "relay" : "opto") << " states: ";
        if (entries == 1) {
            const int channel = reader.Value14();
            text << (table == wire::RelayTable ? "relay " : "opto ") << channel + 1 << " "
                 << OnOff(reader.Byte());
        } else {
            text << entries << " entries";
        }
        break;
    }
    case wire::DeviceIDInfo: {
        reader.Byte();
        const int mode = reader.Byte();
        const int devices = reader.Value14();
        if (mode == 0) {
            text << "D9 device data: " << devices << " devices from " << reader.Value14();
        } else {
            reader.Skip(2);
            const int id = reader.Value14();
            const int source = reader.Value14();
            reader.Value14();
            const int gain = reader.Value14();
            reader.Skip(3);
            text << "D9 device data: device " << id << " source "
                 << (source == None ? std::string("none") : std::to_string(source + 1)) << " gain "
                 << gain << " " << (reader.Byte() != 0 ? "on" : "off");
        }
        break;
    }
    case wire::InformationReply: {
        reader.Value14();
        const int records = reader.Value14();
        const int first = reader.Value14();
        text << "D0 input channel attributes: " << records << " from input " << first + 1;
        break;
    }
    case wire::ChannelOnOff: {
        reader.Skip(2);
        const int entries = reader.Byte();
        text << "D6 channel report:";
        for (int e = 0; e < entries; ++e) {
            const int input = reader.Value14();
            const int console = reader.Value14();
            text << " input " << input + 1 << " console "
                 << (console == None || console == wire::EveryConsole ? std::string("all")
                                                                      : std::to_string(console + 1))
                 << " " << OnOff(reader.Byte());
        }
        break;
    }
    default:
        text << "frame";
    }
    return text.str();
}

} // namespace

std::string HexOrLength(const Bytes& bytes) {
    if (bytes.size() > MaxHexBytes)
        return std::to_string(bytes.size()) + " bytes";
    return BytesToHex(bytes);
}

std::string DescribeFrame(const Bytes& frame) {
    if (frame.empty())
        return "nothing";
    std::string text;
    try {
        text = DescribeFields(frame);
    } catch (const OrlError&) {
        text = "short frame";
    }
    return text + " [" + HexOrLength(frame) + "]";
}

void Trace::Line(const std::string& text) {
    if (!quiet_)
        Event(text);
}

void Trace::Event(const std::string& text) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%9.3f ", seconds);
    StdoutWriter::Instance().Write(stamp + text);
}

void Trace::Always(const std::string& text) {
    StdoutWriter::Instance().Write(text);
}

} // namespace orl::sim
