#include "ByteManipulation.h"

#include "Protocol.h"

namespace orl {

std::uint8_t CheckSum(const Bytes& message, int excluded) {
    std::uint8_t sum = 0;
    const long long last = static_cast<long long>(message.size()) - 1 - excluded;
    for (long long i = 1; i <= last; ++i)
        sum = static_cast<std::uint8_t>((sum + message[static_cast<std::size_t>(i)]) &
                                        wire::DataMask);
    return sum;
}

Bytes TrimBuffer(ReceiveBuffer& buffer, long count) {
    return buffer.Take(count < 0 ? 0 : static_cast<std::size_t>(count));
}

} // namespace orl
