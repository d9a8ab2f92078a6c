// The same two devices' data in each 0xD9 device data layout: where S, W and B sit and
// whether an entry opens with its device ID depends on the mode alone.
#include "HandlerTestSupport.h"

namespace orl::test {
namespace {

using DeviceDataLayouts = HandlerTest;

// W = 3, B = 2. Device A: source 5, gain 1000, on (64); device B: source 6, gain 900, off.
const std::string kDeviceA = "05 00 00 00 68 07  00 40 ";
const std::string kDeviceB = "06 00 00 00 04 07  00 00 ";

TEST_F(DeviceDataLayouts, EveryModeStoresItsDevicesWhereTheLayoutPutsThem) {
    const struct {
        const char* what;
        std::string hex;
        int deviceA;
        int deviceB;
        const char* logged;
    } rows[] = {
        {"mode 0: S = 3 before W and B", "D9 00 00 02 00 03 00 03 02  " + kDeviceA + kDeviceB, 3, 4,
         "Received 2 Device IDs Starting with 3"},
        {"mode 1: an ID opens each entry",
         "D9 00 01 02 00 03 02  0C 00 " + kDeviceA + "01 01 " + kDeviceB, 12, 129,
         "Received 2 Device IDs Starting with 0"},
        {"mode 2: as mode 1", "D9 00 02 02 00 03 02  0D 00 " + kDeviceA + "02 01 " + kDeviceB, 13,
         130, "Received 2 Device IDs Starting with 0"},
        {"any other mode: no IDs, devices from 0", "D9 00 05 02 00 03 02  " + kDeviceA + kDeviceB,
         0, 1, "Received 2 Device IDs Starting with 0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        v.DeviceIDs[row.deviceA] = DeviceIDRecord{};
        v.DeviceIDs[row.deviceB] = DeviceIDRecord{};
        v.PendingRequestMask2 = 256; // the answer to the panel's own request is logged
        handlers->ReceiveDeviceIDInfo(Framed(row.hex));
        const DeviceIDRecord& a = v.DeviceIDs[row.deviceA];
        const DeviceIDRecord& b = v.DeviceIDs[row.deviceB];
        EXPECT_EQ(a.Source, 5);
        EXPECT_EQ(a.Gain, 1000);
        EXPECT_EQ(a.ChannelStatus, 64);
        EXPECT_EQ(b.Source, 6);
        EXPECT_EQ(b.Gain, 900);
        EXPECT_EQ(b.ChannelStatus, 0);
        ASSERT_FALSE(LogEntries().empty());
        EXPECT_EQ(LogEntries().back().message, row.logged);
    }
}

} // namespace
} // namespace orl::test
