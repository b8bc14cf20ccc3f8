// Names that the module keeps out of its image in plain text (the password store's library and
// entry point, the pop-up menu function whose import it replaces): each is stored XORed with a
// repeating 4-byte key, made at compile time, and unscrambled into a small buffer when used.
#pragma once

#include <array>
#include <cstddef>

namespace velor::velhook {

inline constexpr unsigned char kScrambleKey[4] = {0x5A, 0xC3, 0x17, 0x8E};

template <std::size_t N>
struct ScrambledName {
    std::array<unsigned char, N> bytes{};  // the name's characters and its terminating zero, scrambled

    // Unscrambles into out (size bytes with the terminating zero); false when it does not fit.
    bool Unscramble(char* out, std::size_t size) const {
        if (size < N) return false;
        for (std::size_t i = 0; i < N; ++i) out[i] = static_cast<char>(bytes[i] ^ kScrambleKey[i % 4]);
        return true;
    }
};

template <std::size_t N>
consteval ScrambledName<N> Scramble(const char (&plain)[N]) {
    ScrambledName<N> s;
    for (std::size_t i = 0; i < N; ++i) s.bytes[i] = static_cast<unsigned char>(plain[i] ^ kScrambleKey[i % 4]);
    return s;
}

}  // namespace velor::velhook
