// The size condition's limit as the size dialog shows it (a number of at most six digits and a
// unit) and back to bytes.
#pragma once

#include <cstdint>
#include <string_view>

namespace velor::rules {

enum class SizeUnit : int { Bytes = 0, Kilobytes = 1, Megabytes = 2 };

struct SizeEntry {
    std::uint32_t number = 0;
    SizeUnit unit = SizeUnit::Bytes;
};

// Divided by 1024 while at least 10001, at most twice: 20,971,520 bytes open as 20 MB.
SizeEntry SizeForDialog(std::uint32_t bytes);

enum class SizeRead { Ok, NotDigits, TooLarge };

// The limit in bytes for the typed number and unit. Digits only; a value whose bytes do not fit
// in 32 bits is refused rather than wrapped.
SizeRead BytesFromEntry(std::string_view typed, SizeUnit unit, std::uint32_t& bytes);

// What OK stores: the original byte count when the user left number and unit as they opened
// (15,000 bytes open as 14 KB, which would otherwise store 14,336), else the typed value.
SizeRead SizeOnOk(std::uint32_t originalBytes, std::string_view typed, SizeUnit unit, std::uint32_t& bytes);

}  // namespace velor::rules
