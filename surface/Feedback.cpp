#include "Feedback.h"

#include <lo/lo.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace orl::surface {

std::vector<std::uint8_t> FeedbackDatagram(const FeedbackItem& item) {
    const std::unique_ptr<std::remove_pointer_t<lo_message>, void (*)(lo_message)> message(
        lo_message_new(), lo_message_free);
    if (!message)
        return {};
    int added = -1;
    if (const int* i = std::get_if<int>(&item.value))
        added = lo_message_add_int32(message.get(), *i);
    else if (const float* f = std::get_if<float>(&item.value))
        added = lo_message_add_float(message.get(), *f);
    else if (const std::string* s = std::get_if<std::string>(&item.value))
        added = lo_message_add_string(message.get(), s->c_str());
    if (added != 0)
        return {};
    std::size_t size = 0;
    void* bytes = lo_message_serialise(message.get(), item.address.c_str(), nullptr, &size);
    if (bytes == nullptr)
        return {};
    const auto* begin = static_cast<const std::uint8_t*>(bytes);
    std::vector<std::uint8_t> datagram(begin, begin + size);
    std::free(bytes);
    return datagram;
}

std::string FeedbackText(const FeedbackValue& value) {
    if (const int* i = std::get_if<int>(&value))
        return "i " + std::to_string(*i);
    if (const float* f = std::get_if<float>(&value)) {
        char text[32];
        std::snprintf(text, sizeof text, "f %g", static_cast<double>(*f));
        return text;
    }
    return "s " + std::get<std::string>(value);
}

} // namespace orl::surface
