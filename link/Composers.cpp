// Outgoing commands. Each composer builds its message completely before anything is
// written, so a field out of range fails the whole message and nothing is sent.
#include "TCPComm.h"

#include "FrameWriter.h"
#include "Protocol.h"

namespace orl {

namespace {

// Sources, buses and consoles count from 1 in the panel and from 0 on the wire; 16383
// (none or all) is never reduced. A 0 gives -1, which the writer refuses.
long long LessOne(int number) {
    return number == None ? None : number - 1LL;
}

} // namespace

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

void TCPComm::SendChannelOnOff(int source, int state, int flags, int console) {
    try {
        const Bytes message = FrameWriter(wire::ChannelOnOff)
                                  .Byte(flags)
                                  .Byte(0)
                                  .Byte(1) // one entry
                                  .Value14(LessOne(source))
                                  .Value14(LessOne(console))
                                  .Byte(state)
                                  .Finish();
        SendToSwitcher(message);
    } catch (...) {
        log_.ReportError("Error Sending Channel On Off", "Switcher Command Error");
    }
}

void TCPComm::SendGainChange(int parameter, int value, int deviceID, int extra) {
    try {
        FrameWriter writer(wire::GainChange);
        writer.Byte(2).Byte(parameter).Value14(1).Value14(deviceID).Value14(value);
        if (extra != None)
            writer.Value14(extra);
        SendToSwitcher(writer.Finish());
    } catch (...) {
        log_.WriteErrorLog("Error Sending Gain Message", "Switcher Message Error");
    }
}

void TCPComm::SendSourceChange(int source, int deviceID) {
    try {
        // Source 0 means none; 16383 has no special case here and goes out as 16382.
        const long long wireSource = source == 0 ? None : source - 1LL;
        const Bytes message = FrameWriter(wire::SourceChange)
                                  .Byte(1)
                                  .Value14(1)
                                  .Byte(5)
                                  .Value14(deviceID)
                                  .Value14(wireSource)
                                  .Byte(0)
                                  .Finish();
        SendToSwitcher(message);
    } catch (...) {
        log_.WriteErrorLog("Error Sending Source Change", "Switcher Message Error");
    }
}

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
                                  .Value14(None)
                                  .Byte(0x7F)
                                  .Byte(0x7F)
                                  .Byte(0x7F)
                                  .Byte(0x04)
                                  .Byte(record.OnFlag & wire::DataMask)
                                  .Byte(record.AfterOnFlag & wire::DataMask)
                                  .Value28(record.ExtraWord)
                                  .Value14(1024) // in place of level 1
                                  .Value14(record.Gain)
                                  .Value14(record.Level3)
                                  .Value14(record.Level2)
                                  .Finish();
        SendToSwitcher(message);
    } catch (...) {
        log_.WriteErrorLog("Error Sending Crosspoint Change", "Switcher Message Error");
    }
}

void TCPComm::SendSimpleTake(int first, int second, int code) {
    try {
        const Bytes message =
            FrameWriter(wire::Take).Value14(code).Value14(first).Byte(second).Byte(0).Finish();
        SendToSwitcher(message);
    } catch (...) {
        log_.WriteErrorLog("Error Sending Simple Take", "Switcher Message Error");
    }
}

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
