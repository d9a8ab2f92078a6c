// Outgoing commands. Each composer builds its message completely before anything is
// written, so a field out of range fails the whole message and nothing is sent.
//
// The table above each composer lists every byte of its frame by position. A 14-bit
// field takes two bytes, low 7-bit group first; a 28-bit field four groups, least
// significant first. The checksum is the 7-bit sum of the bytes between the command byte
// and the checksum itself. The fixed bytes are named in wire/CommandLayouts.h.
#include "TCPComm.h"

#include "CommandLayouts.h"
#include "FrameWriter.h"
#include "Protocol.h"
#include "ReportLayouts.h"

namespace orl {

namespace {

// Sources, buses and consoles count from 1 in the panel and from 0 on the wire; 16383
// (none or all) is never reduced. A 0 gives -1, which the writer refuses.
long long LessOne(int number) {
    return number == None ? None : number - 1LL;
}

namespace d6 = wire::d6;
namespace e3 = wire::e3;
namespace d3 = wire::d3;
namespace crosspoint = wire::crosspoint;
namespace take = wire::take;
constexpr int OneEntry = 1; // the panel switches one channel at a time

} // namespace

// F2 information request, 13 bytes:
//   0      F2
//   1-4    request word 1, 28-bit
//   5-6    request word 2, 14-bit (Console mode: without the device data and attribute bits)
//   7-8    count, 14-bit (16383: the whole table)
//   9-10   first index, 14-bit, 0-based, sent as given
//   11     checksum
//   12     FF
void TCPComm::SendInfoRequest(std::int32_t word1, std::int32_t word2, int count, int firstIndex) {
    try {
        if (v_.PanelMode == PanelModeConsole)
            word2 &= ~(wire::RequestChannelAttributes | wire::RequestDeviceData);
        const Bytes message = FrameWriter(wire::InfoRequest)
                                  .Value28(word1)
                                  .Value14(word2)
                                  .Value14(count)
                                  .Value14(firstIndex)
                                  .Finish();
        SendToSwitcher(message);
        v_.PendingRequestMask1 = word1;
        v_.PendingRequestMask2 = word2;
    } catch (...) {
        log_.ReportError("Error Sending Info Request", "Message Error");
    }
}

// D6 channel on/off, 11 bytes (the layout of the switcher's report, with one entry):
//   0      D6
//   1      flags
//   2      00
//   3      01, the number of entries
//   4-5    source - 1, 14-bit (16383 stays 16383)
//   6-7    console - 1, 14-bit (16383 stays 16383)
//   8      state: 0 off, 1 on
//   9      checksum
//   10     FF
void TCPComm::SendChannelOnOff(int source, int state, int flags, int console) {
    try {
        const Bytes message = FrameWriter(wire::ChannelOnOff)
                                  .Byte(flags)
                                  .Byte(d6::Fixed2)
                                  .Byte(OneEntry)
                                  .Value14(LessOne(source))
                                  .Value14(LessOne(console))
                                  .Byte(state)
                                  .Finish();
        SendToSwitcher(message);
    } catch (...) {
        log_.ReportError("Error Sending Channel On Off", "Switcher Command Error");
    }
}

// E3 gain, 11 bytes, or 13 with an extra value:
//   0      E3
//   1      02
//   2      parameter (the gain slider sends 20)
//   3-4    1, 14-bit (01 00)
//   5-6    device ID, 14-bit, sent as given
//   7-8    value, 14-bit (1024: 0 dB)
//   9-10   extra value, 14-bit; left out when it is 16383
//   next   checksum
//   last   FF
void TCPComm::SendGainChange(int parameter, int value, int deviceID, int extra) {
    try {
        FrameWriter writer(wire::GainChange);
        writer.Byte(e3::Fixed1)
            .Byte(parameter)
            .Value14(e3::Fixed3)
            .Value14(deviceID)
            .Value14(value);
        if (extra != None)
            writer.Value14(extra);
        SendToSwitcher(writer.Finish());
    } catch (...) {
        log_.WriteErrorLog("Error Sending Gain Message", "Switcher Message Error");
    }
}

// D3 source change, 12 bytes:
//   0      D3
//   1      01
//   2-3    1, 14-bit (01 00)
//   4      05
//   5-6    device ID, 14-bit, sent as given
//   7-8    source - 1, 14-bit; source 0 (none) goes out as 16383
//   9      00
//   10     checksum
//   11     FF
void TCPComm::SendSourceChange(int source, int deviceID) {
    try {
        // Source 0 means none; 16383 has no special case here and goes out as 16382.
        const long long wireSource = source == 0 ? None : source - 1LL;
        const Bytes message = FrameWriter(wire::SourceChange)
                                  .Byte(d3::Fixed1)
                                  .Value14(d3::Fixed2)
                                  .Byte(d3::Fixed4)
                                  .Value14(deviceID)
                                  .Value14(wireSource)
                                  .Byte(d3::Fixed9)
                                  .Finish();
        SendToSwitcher(message);
    } catch (...) {
        log_.WriteErrorLog("Error Sending Source Change", "Switcher Message Error");
    }
}

// FE crosspoint change, 33 bytes:
//   0      FE
//   1-2    mode word, 14-bit: the record's mode + 2048, + 1024 to assign
//   3-4    source - 1, 14-bit
//   5-6    bus - 1, 14-bit
//   7-8    device ID, 14-bit
//   9-10   spare value, 14-bit
//   11-12  16383, 14-bit (7F 7F)
//   13-15  7F 7F 7F
//   16     04
//   17     on flag, 7 bits (64 on, 0 off)
//   18     the byte after the on flag, 7 bits
//   19-22  extra word, 28-bit
//   23-24  1024, 14-bit, in place of level 1 (which is not sent)
//   25-26  gain, 14-bit
//   27-28  level 3, 14-bit
//   29-30  level 2, 14-bit
//   31     checksum
//   32     FF
void TCPComm::SendCrosspointChange(const CrosspointChange& record, bool assign) {
    try {
        int mode = record.Mode | wire::CrosspointModeBit;
        if (assign)
            mode |= wire::CrosspointAssignFlag;
        const Bytes message = FrameWriter(wire::Take)
                                  .Value14(mode)
                                  .Value14(LessOne(record.Source))
                                  .Value14(LessOne(record.Bus))
                                  .Value14(record.DeviceID)
                                  .Value14(record.Spare)
                                  .Value14(crosspoint::Fixed11)
                                  .Byte(crosspoint::Fixed13)
                                  .Byte(crosspoint::Fixed14)
                                  .Byte(crosspoint::Fixed15)
                                  .Byte(crosspoint::Fixed16)
                                  .Byte(record.OnFlag & wire::DataMask)
                                  .Byte(record.AfterOnFlag & wire::DataMask)
                                  .Value28(record.ExtraWord)
                                  .Value14(crosspoint::Level1)
                                  .Value14(record.Gain)
                                  .Value14(crosspoint::Level3)
                                  .Value14(crosspoint::Level2)
                                  .Finish();
        SendToSwitcher(message);
    } catch (...) {
        log_.WriteErrorLog("Error Sending Crosspoint Change", "Switcher Message Error");
    }
}

// FE simple take, 9 bytes:
//   0      FE
//   1-2    code, 14-bit (the IFB button: 37 press, 33 release)
//   3-4    first argument, 14-bit, sent as given
//   5      second argument, one byte
//   6      00
//   7      checksum
//   8      FF
void TCPComm::SendSimpleTake(int first, int second, int code) {
    try {
        const Bytes message = FrameWriter(wire::Take)
                                  .Value14(code)
                                  .Value14(first)
                                  .Byte(second)
                                  .Byte(take::Fixed6)
                                  .Finish();
        SendToSwitcher(message);
    } catch (...) {
        log_.WriteErrorLog("Error Sending Simple Take", "Switcher Message Error");
    }
}

// FE opto change, 9 bytes:
//   0      FE
//   1-2    code, 14-bit (relay 64 off, 68 on, 72 pulse; opto 96 off, 100 on)
//   3-4    channel, 14-bit, 0-based, sent as given
//   5-6    value, 14-bit, sent as given
//   7      checksum
//   8      FF
void TCPComm::SendOptoChange(int value, int channel, wire::OptoChange code) {
    try {
        const Bytes message = FrameWriter(wire::Take)
                                  .Value14(wire::Code(code))
                                  .Value14(channel)
                                  .Value14(value)
                                  .Finish();
        SendToSwitcher(message);
    } catch (...) {
        log_.WriteErrorLog("Error Sending Opto Change", "Switcher Message Error");
    }
}

} // namespace orl
