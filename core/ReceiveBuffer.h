#pragma once
// Bytes received and not yet decoded. Appended at the end, trimmed from the front;
// trimming moves a read offset and compacts only now and then, so draining N queued
// messages costs O(N) in all.

#include "Bytes.h"

#include <cstddef>
#include <cstdint>

namespace orl {

class ReceiveBuffer {
public:
    void Append(const std::uint8_t* data, std::size_t count);
    void Append(const Bytes& bytes) { Append(bytes.data(), bytes.size()); }

    std::size_t size() const { return storage_.size() - offset_; }
    bool empty() const { return size() == 0; }
    // Byte at `index` from the front; throws OrlError 9 outside the buffer.
    std::uint8_t operator[](std::size_t index) const;
    // The undecoded bytes, contiguous; valid until the next Append or Take.
    const std::uint8_t* data() const { return storage_.data() + offset_; }

    // Removes the first `count` bytes and returns them; a count at or beyond the size
    // takes everything.
    Bytes Take(std::size_t count);
    // The same into `taken`, whose storage is reused.
    void Take(std::size_t count, Bytes& taken);
    void Clear();

    // How many bytes from the front a reader has already looked through without finding
    // the end it waits for, so that it can resume there when more bytes arrive. Reset
    // whenever the front moves or the buffer is cleared.
    std::size_t Examined() const { return examined_; }
    void SetExamined(std::size_t count) { examined_ = count < size() ? count : size(); }
    // Bytes of storage held, used or not (tests and diagnostics).
    std::size_t Capacity() const { return storage_.capacity(); }
    // A copy of the undecoded bytes (tests and diagnostics).
    Bytes Contents() const { return Bytes(data(), data() + size()); }

private:
    void CompactIfWorthIt();
    Bytes storage_;
    std::size_t offset_ = 0;
    std::size_t examined_ = 0;
};

} // namespace orl
