#include "DeviceListing.h"

#include "Values.h"

#include <fstream>

namespace orl {

void PrintDeviceIDs(const Variables& v) {
    try {
        std::ofstream out(v.AppPath + DeviceListingFileName, std::ios::binary | std::ios::trunc);
        if (!out)
            return;
        for (long long d = 0; d <= MaxDeviceID; ++d) {
            if (!v.DeviceIDs.Contains(d))
                return;
            out << "ID:" << FormatDigits(d, 4)
                << " - Src:" << FormatDigits(v.DeviceIDs[d].Source, 4) << "\r\n";
            if (!out)
                return;
        }
    } catch (...) {
        // A diagnostic aid: a listing that cannot be written ends without a report.
    }
}

} // namespace orl
