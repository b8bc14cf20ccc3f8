#include "velcore/rules/SizeValue.h"

namespace velor::rules {

SizeEntry SizeForDialog(std::uint32_t bytes) {
    SizeEntry entry{bytes, SizeUnit::Bytes};
    while (entry.number >= 10001 && entry.unit != SizeUnit::Megabytes) {
        entry.number /= 1024;
        entry.unit = static_cast<SizeUnit>(static_cast<int>(entry.unit) + 1);
    }
    return entry;
}

SizeRead BytesFromEntry(std::string_view typed, SizeUnit unit, std::uint32_t& bytes) {
    std::uint64_t number = 0;
    for (char c : typed) {
        if (c < '0' || c > '9') return SizeRead::NotDigits;
        number = number * 10 + static_cast<unsigned>(c - '0');
        if (number > 0xFFFFFFFFull) return SizeRead::TooLarge;
    }
    const std::uint64_t factor = unit == SizeUnit::Megabytes ? 1048576u : unit == SizeUnit::Kilobytes ? 1024u : 1u;
    const std::uint64_t value = number * factor;
    if (value > 0xFFFFFFFFull) return SizeRead::TooLarge;
    bytes = static_cast<std::uint32_t>(value);
    return SizeRead::Ok;
}

SizeRead SizeOnOk(std::uint32_t originalBytes, std::string_view typed, SizeUnit unit, std::uint32_t& bytes) {
    std::uint32_t typedBytes = 0;
    SizeRead read = BytesFromEntry(typed, unit, typedBytes);
    if (read != SizeRead::Ok) return read;
    const SizeEntry opened = SizeForDialog(originalBytes);
    std::uint32_t openedNumber = 0;
    bool sameNumber = BytesFromEntry(typed, SizeUnit::Bytes, openedNumber) == SizeRead::Ok &&
                      openedNumber == opened.number;
    bytes = sameNumber && unit == opened.unit ? originalBytes : typedBytes;
    return SizeRead::Ok;
}

}  // namespace velor::rules
