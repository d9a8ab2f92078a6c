#include "Describe.h"

#include "CommandLayouts.h"
#include "FrameReader.h"
#include "Framing.h"
#include "OrlError.h"
#include "Protocol.h"
#include "TableLayouts.h"

#include <sstream>

namespace orl::wire {

namespace {

constexpr std::size_t WholeHexBytes = 40;   // a frame up to this long shows whole
constexpr std::size_t ExcerptHexBytes = 16; // a longer one shows this many first

std::string OnOff(int state) {
    return state == 1 ? "on" : state == 0 ? "off" : "state " + std::to_string(state);
}

std::string ConsoleText(int console) {
    return console == None || console == EveryConsole ? std::string("all")
                                                      : std::to_string(console + 1);
}

std::string SourceText(int source) {
    return source == None ? std::string("none") : "input " + std::to_string(source + 1);
}

void NameTable(FrameReader& reader, std::ostringstream& text) {
    const int table = reader.Byte();
    const int length = reader.Byte();
    const int records = reader.Value14();
    const int first = reader.Value14();
    text << (table == InputNameTable ? "input" : "console") << " names: " << records << " of "
         << length << " characters, first " << first;
}

void Crosspoints(FrameReader& reader, std::ostringstream& text) {
    reader.Byte();
    const int buses = reader.Value14();
    const int first = reader.Value14();
    text << "crosspoint map: " << buses << " buses from bus " << first + 1;
    if (buses != 1)
        return;
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

void States(FrameReader& reader, std::ostringstream& text) {
    const int table = reader.Byte();
    const char* kind = table == RelayTable ? "relay" : "opto";
    const int entries = reader.Value14();
    text << kind << " states: ";
    if (entries != 1) {
        text << entries << " entries";
        return;
    }
    const int channel = reader.Value14();
    text << kind << " " << channel + 1 << " " << OnOff(reader.Byte());
}

void DeviceData(FrameReader& reader, std::ostringstream& text) {
    reader.Byte();
    const int mode = reader.Byte();
    if (mode == d9::DeviceListMode || mode == d9::DeviceListWithByteMode) {
        reader.Value14();
        text << "device list: " << reader.Value14() << " devices";
        return;
    }
    const int devices = reader.Value14();
    if (mode == d9::DeviceRangeMode) {
        text << "device data: " << devices << " devices from " << reader.Value14();
        return;
    }
    const int words = reader.Byte();
    const int bytes = reader.Byte();
    if (devices != 1 || words < d9::SmallestWords || bytes < d9::SmallestBytes) {
        text << "device data: " << devices << " devices";
        return;
    }
    const int id = reader.Value14();
    const int source = reader.Value14();
    reader.Value14();
    const int gain = reader.Value14();
    reader.Skip(d9::WordSize * static_cast<std::size_t>(words - d9::SmallestWords) +
                d9::StatusByte);
    const int status = reader.Byte();
    text << "device data: device " << id << " source "
         << (source == None ? std::string("none") : std::to_string(source + 1)) << " gain " << gain
         << " "
         << (status == ChannelOnStatus ? std::string("on")
             : status == 0             ? std::string("off")
                                       : "status " + std::to_string(status));
}

void Reply(FrameReader& reader, std::ostringstream& text) {
    const int subType = reader.Value14();
    if (subType != InputChannelAttributes) {
        text << "information reply of sub-type " << subType;
        return;
    }
    const int records = reader.Value14();
    const int first = reader.Value14();
    text << "input channel attributes: " << records << " from input " << first + 1;
}

void ChannelStates(FrameReader& reader, std::ostringstream& text) {
    reader.Skip(2);
    const int entries = reader.Byte();
    text << "channel on/off:";
    for (int e = 0; e < entries; ++e) {
        const int input = reader.Value14();
        const int console = reader.Value14();
        text << " input " << input + 1 << " console " << ConsoleText(console) << " "
             << OnOff(reader.Byte());
    }
}

void InfoRequestWords(const Bytes& frame, FrameReader& reader, std::ostringstream& text) {
    if (frame.size() != f2::Length) {
        text << "information request of " << frame.size() << " bytes";
        return;
    }
    const std::int32_t word1 = reader.Value28();
    const std::int32_t word2 = reader.Value14();
    const int count = reader.Value14();
    const int first = reader.Value14();
    text << "information request: words " << word1 << " " << word2 << ", count " << count
         << ", first " << first << ":";
    struct Table {
        const std::int32_t& word;
        std::int32_t bit;
        const char* name;
    };
    const Table tables[] = {
        {word1, RequestInputNames, "input names"},
        {word1, RequestCrosspointMap, "crosspoint map"},
        {word1, RequestRelayStates, "relay states"},
        {word1, RequestOptoStates, "opto states"},
        {word2, RequestConsoleNames, "console names"},
        {word2, RequestChannelAttributes, "input channel attributes"},
        {word2, RequestDeviceData, "device data"},
    };
    std::int32_t unknown1 = word1;
    std::int32_t unknown2 = word2;
    for (const Table& table : tables) {
        if ((table.word & table.bit) == 0)
            continue;
        text << " " << table.name;
        (&table.word == &word1 ? unknown1 : unknown2) &= ~table.bit;
    }
    if (word1 == 0 && word2 == 0)
        text << " nothing asked";
    if (unknown1 != 0 || unknown2 != 0)
        text << " (unknown bits " << unknown1 << " " << unknown2 << ")";
}

void Gain(const Bytes& frame, FrameReader& reader, std::ostringstream& text) {
    reader.Byte();
    const int parameter = reader.Byte();
    reader.Value14();
    const int device = reader.Value14();
    const int value = reader.Value14();
    text << "gain: parameter " << parameter << ", device " << device << ", value " << value;
    if (frame.size() == e3::LengthWithExtra)
        text << ", extra " << reader.Value14();
}

void Source(FrameReader& reader, std::ostringstream& text) {
    reader.SetPosition(d3::DeviceID);
    const int device = reader.Value14();
    text << "source change: device " << device << " to " << SourceText(reader.Value14());
}

void Crosspoint(FrameReader& reader, std::ostringstream& text) {
    const int mode = reader.Value14();
    const int source = reader.Value14();
    const int bus = reader.Value14();
    const int device = reader.Value14();
    const int action = mode & ~(CrosspointModeBit | CrosspointAssignFlag);
    if (action != CrosspointAssign && action != CrosspointRemove) {
        text << "crosspoint change: mode " << mode << " not known";
        return;
    }
    const bool assign = action == CrosspointAssign;
    text << "crosspoint change: mode " << mode << (assign ? " assign" : " remove") << " device "
         << device << " (source " << source + 1 << ") " << (assign ? "to" : "from") << " bus "
         << bus + 1;
}

void ShortTake(FrameReader& reader, std::ostringstream& text) {
    const int code = reader.Value14();
    const int channel = reader.Value14();
    switch (code) {
    case IFBPress:
    case IFBRelease:
        text << "simple take " << code << (code == IFBPress ? " (IFB press)" : " (IFB release)")
             << ": source " << channel + 1 << " to output " << static_cast<int>(reader.Byte());
        return;
    case Code(OptoChange::RelayOff):
    case Code(OptoChange::RelayOn):
    case Code(OptoChange::RelayPulse): {
        const int relay = reader.Value14(); // relays travel in the value field
        text << "relay change " << code << ": relay " << relay + 1
             << (code == Code(OptoChange::RelayPulse) ? " pulse"
                 : code == Code(OptoChange::RelayOn)  ? " on"
                                                      : " off");
        return;
    }
    case Code(OptoChange::OptoOff):
    case Code(OptoChange::OptoOn): // optos travel in the channel field
        text << "opto change " << code << ": opto " << channel + 1
             << (code == Code(OptoChange::OptoOn) ? " on" : " off");
        return;
    default:
        text << "take code " << code << ": not known";
    }
}

std::string Fields(const Bytes& frame) {
    std::ostringstream text;
    FrameReader reader(frame);
    switch (frame[0]) {
    case Poll:
        return "poll";
    case PollAnswer:
        return "poll answer";
    case SwitcherOffline:
        return "offline";
    case LinkNoOp:
        return "no operation";
    case EndOfMessage:
        return "end byte alone";
    case TypeRequest:
        if (frame.size() != TypeReplyLength)
            return "type request";
        text << "type reply: panel type " << static_cast<int>(reader.Byte()) << ", value "
             << static_cast<int>(reader.Byte());
        break;
    case AlphaTable:
        NameTable(reader, text);
        break;
    case CrosspointMap:
        Crosspoints(reader, text);
        break;
    case OptoRelayStates:
        States(reader, text);
        break;
    case DeviceIDInfo:
        DeviceData(reader, text);
        break;
    case InformationReply:
        Reply(reader, text);
        break;
    case ChannelOnOff:
        ChannelStates(reader, text);
        break;
    case InfoRequest:
        InfoRequestWords(frame, reader, text);
        break;
    case GainChange:
        Gain(frame, reader, text);
        break;
    case SourceChange:
        Source(reader, text);
        break;
    case SwitcherType:
        if (frame.size() == e5::Length && reader.Byte() == e5::AcceptedFormat) {
            reader.Skip(2);
            text << "switcher type " << reader.Value14();
        } else {
            text << "switcher type, not readable";
        }
        break;
    case Take:
        if (frame.size() == crosspoint::Length)
            Crosspoint(reader, text);
        else if (frame.size() == take::Length)
            ShortTake(reader, text);
        else
            text << "take of " << frame.size() << " bytes: not known";
        break;
    default:
        text << (IsCommand(frame[0]) ? "command not known" : "data bytes without a command");
    }
    return text.str();
}

} // namespace

std::string DescribeFrame(const Bytes& frame) {
    if (frame.empty())
        return "nothing";
    std::string text;
    try {
        text = Fields(frame);
    } catch (const OrlError&) {
        text = "frame cut short";
    }
    if (frame.size() > 1 && IsCommand(frame[0]) && !ChecksumMatches(frame))
        text += " (checksum wrong)";
    return text;
}

std::string HexExcerpt(const Bytes& bytes) {
    if (bytes.size() <= WholeHexBytes)
        return BytesToHex(bytes);
    return BytesToHex(Bytes(bytes.begin(), bytes.begin() + ExcerptHexBytes)) + " ... (" +
           std::to_string(bytes.size()) + " bytes)";
}

} // namespace orl::wire
