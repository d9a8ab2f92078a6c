#include "ReceiveBuffer.h"

#include "OrlError.h"

namespace orl {

void ReceiveBuffer::Append(const std::uint8_t* data, std::size_t count) {
    if (count == 0)
        return;
    CompactIfWorthIt();
    storage_.insert(storage_.end(), data, data + count);
}

std::uint8_t ReceiveBuffer::operator[](std::size_t index) const {
    if (index >= size())
        ThrowSubscript();
    return storage_[offset_ + index];
}

Bytes ReceiveBuffer::Take(std::size_t count) {
    Bytes taken;
    Take(count, taken);
    return taken;
}

void ReceiveBuffer::Take(std::size_t count, Bytes& taken) {
    if (count > size())
        count = size();
    taken.assign(data(), data() + count);
    offset_ += count;
    examined_ = 0;
    if (offset_ == storage_.size())
        Clear();
}

void ReceiveBuffer::Clear() {
    storage_.clear();
    offset_ = 0;
    examined_ = 0;
}

// Moving the remainder to the front is worth it once the consumed part is at least as
// large as what remains: each byte is then moved at most a constant number of times.
void ReceiveBuffer::CompactIfWorthIt() {
    if (offset_ >= 4096 && offset_ >= size()) {
        storage_.erase(storage_.begin(), storage_.begin() + static_cast<std::ptrdiff_t>(offset_));
        offset_ = 0;
    }
}

} // namespace orl
