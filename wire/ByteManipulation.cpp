#include "ByteManipulation.h"

#include "Protocol.h"
#include "Values.h"

#include <cstring>

namespace orl {

std::int16_t BytesToValue(std::uint8_t low, std::uint8_t high) {
    return ToInteger(static_cast<long long>(low) + 128LL * high);
}

std::uint8_t CheckSum(const Bytes& message, int excluded) {
    std::uint8_t sum = 0;
    const long long last = static_cast<long long>(message.size()) - 1 - excluded;
    for (long long i = 1; i <= last; ++i)
        sum = static_cast<std::uint8_t>((sum + message[static_cast<std::size_t>(i)]) &
                                        wire::DataMask);
    return sum;
}

long FindEOM(const ReceiveBuffer& buffer) {
    if (buffer.empty())
        return 0; // an empty buffer may have no storage at all: never hand memchr a null
    const void* end = std::memchr(buffer.data(), wire::EndOfMessage, buffer.size());
    if (end == nullptr)
        return 0;
    return static_cast<long>(static_cast<const std::uint8_t*>(end) - buffer.data()) + 1;
}

Bytes TrimBuffer(ReceiveBuffer& buffer, long count) {
    return buffer.Take(count < 0 ? 0 : static_cast<std::size_t>(count));
}

} // namespace orl
