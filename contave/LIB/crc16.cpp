#include "contave/LIB/crc16.h"

#include <array>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define CONTAVE_CRC16_CLMUL 1
#include <immintrin.h>
#else
#define CONTAVE_CRC16_CLMUL 0
#endif

namespace contave::crc16 {
namespace {

constexpr std::uint32_t kPolynomial = 0x1021;
constexpr int kSlices = 16;

using Tables = std::array<std::array<std::uint16_t, 256>, kSlices>;

// tables[k][b]: the CRC, from 0, of the byte b followed by k zero bytes.
constexpr Tables MakeTables() {
  Tables tables{};
  for (std::uint32_t b = 0; b < 256; ++b) {
    std::uint32_t crc = b << 8;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) ? (crc << 1) ^ kPolynomial : crc << 1;
    tables[0][b] = static_cast<std::uint16_t>(crc);
  }
  for (int k = 1; k < kSlices; ++k)
    for (std::uint32_t b = 0; b < 256; ++b) {
      const std::uint16_t previous = tables[k - 1][b];
      tables[k][b] = static_cast<std::uint16_t>((previous << 8) ^ tables[0][previous >> 8]);
    }
  return tables;
}

constexpr Tables kTables = MakeTables();

std::uint16_t TableStep(std::uint16_t crc, std::uint8_t byte) {
  return static_cast<std::uint16_t>((crc << 8) ^ kTables[0][(crc >> 8) ^ byte]);
}

}  // namespace

std::uint16_t UpdateBytewise(std::uint16_t crc, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  for (std::size_t i = 0; i < size; ++i) {
    // The polynomial's terms folded into shifts of the top nibble.
    std::uint8_t x = static_cast<std::uint8_t>(bytes[i] ^ (crc >> 8));
    x = static_cast<std::uint8_t>(x ^ (x >> 4));
    crc = static_cast<std::uint16_t>((crc << 8) ^ (static_cast<unsigned>(x) << 12) ^
                                     (static_cast<unsigned>(x) << 5) ^ x);
  }
  return crc;
}

std::uint16_t UpdateSliced(std::uint16_t crc, const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size >= kSlices) {
    // The register stands for the message so far: it meets the next two bytes.
    const unsigned b0 = p[0] ^ (crc >> 8), b1 = p[1] ^ (crc & 0xFF);
    crc = static_cast<std::uint16_t>(
        kTables[15][b0] ^ kTables[14][b1] ^ kTables[13][p[2]] ^ kTables[12][p[3]] ^ kTables[11][p[4]] ^
        kTables[10][p[5]] ^ kTables[9][p[6]] ^ kTables[8][p[7]] ^ kTables[7][p[8]] ^ kTables[6][p[9]] ^
        kTables[5][p[10]] ^ kTables[4][p[11]] ^ kTables[3][p[12]] ^ kTables[2][p[13]] ^ kTables[1][p[14]] ^
        kTables[0][p[15]]);
    p += kSlices;
    size -= kSlices;
  }
  while (size-- > 0) crc = TableStep(crc, *p++);
  return crc;
}

#if CONTAVE_CRC16_CLMUL

namespace {

// x^n modulo the polynomial, as the 16 low coefficients.
constexpr std::uint64_t PowerOfX(int n) {
  std::uint32_t r = 1;
  for (int i = 0; i < n; ++i) {
    r <<= 1;
    if (r & 0x10000) r ^= 0x10000 | kPolynomial;
  }
  return r;
}

// The message is a polynomial, first byte's top bit highest. Sixteen bytes loaded and reversed
// make one 128-bit piece of it; a piece followed by n more bits is the piece times x^n, which
// two carry-less products with x^n and x^(n+64) modulo the polynomial bring down to 80 bits
// without changing the remainder.
#if defined(__i386__)
// Windows hands 32-bit code stacks aligned to four bytes only.
#define CONTAVE_CLMUL_TARGET __attribute__((target("pclmul,ssse3"), force_align_arg_pointer))
#else
#define CONTAVE_CLMUL_TARGET __attribute__((target("pclmul,ssse3")))
#endif

CONTAVE_CLMUL_TARGET inline __m128i Fold(__m128i a, __m128i k) {
  return _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11));
}

// For a piece followed by 128·k bits: x^(128·k) and x^(128·k + 64) modulo the polynomial,
// worked out by the compiler.
constexpr auto kFoldConstants = [] {
  std::array<std::array<std::uint64_t, 2>, 9> constants{};
  for (int k = 1; k <= 8; ++k) constants[k] = {PowerOfX(128 * k), PowerOfX(128 * k + 64)};
  return constants;
}();
constexpr std::uint64_t kXTo64 = PowerOfX(64);

CONTAVE_CLMUL_TARGET inline __m128i Constants(int pieces) {
  return _mm_set_epi64x(static_cast<long long>(kFoldConstants[pieces][1]),
                        static_cast<long long>(kFoldConstants[pieces][0]));
}

CONTAVE_CLMUL_TARGET inline __m128i LoadPiece(const std::uint8_t* at) {
  const __m128i reverse = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), reverse);
}

}  // namespace

CONTAVE_CLMUL_TARGET std::uint16_t UpdateCarryless(std::uint16_t crc, const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  // A head that leaves whole pieces goes through the tables.
  const std::size_t head = size % 16;
  crc = UpdateSliced(crc, p, head);
  p += head;
  size -= head;
  if (size == 0) return crc;

  const __m128i by128 = Constants(1);
  // The register so far meets the first two bytes of what follows.
  __m128i x = _mm_xor_si128(LoadPiece(p), _mm_set_epi32(static_cast<int>(static_cast<std::uint32_t>(crc) << 16), 0, 0, 0));
  p += 16;
  size -= 16;
  if (size >= 128) {
    // Eight pieces in flight hide the latency of the multiplications.
    __m128i a[8];
    a[0] = x;
    for (int i = 1; i < 8; ++i) a[i] = LoadPiece(p + 16 * (i - 1));
    p += 112;
    size -= 112;
    const __m128i by1024 = Constants(8);
    while (size >= 128) {
      for (int i = 0; i < 8; ++i) a[i] = _mm_xor_si128(Fold(a[i], by1024), LoadPiece(p + 16 * i));
      p += 128;
      size -= 128;
    }
    // The eight pieces stand 128 bits apart: each is brought down over those after it.
    x = a[7];
    for (int i = 0; i < 7; ++i) x = _mm_xor_si128(x, Fold(a[i], Constants(7 - i)));
  }
  while (size >= 16) {
    x = _mm_xor_si128(Fold(x, by128), LoadPiece(p));
    p += 16;
    size -= 16;
  }
  // 128 bits to 80, then to 64, all with the same remainder; the tables finish the last eight
  // bytes from a register of 0, which multiplies them by x^16 as the CRC's definition asks.
  const __m128i by64 = _mm_set_epi64x(0, static_cast<long long>(kXTo64));
  const __m128i y = _mm_xor_si128(_mm_clmulepi64_si128(x, by64, 0x01), _mm_move_epi64(x));
  const __m128i z = _mm_xor_si128(_mm_clmulepi64_si128(_mm_srli_si128(y, 8), by64, 0x00), _mm_move_epi64(y));
  alignas(16) std::uint8_t bytes[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(bytes), z);
  std::uint16_t result = 0;
  for (int i = 7; i >= 0; --i) result = TableStep(result, bytes[i]);
  return result;
}

bool HaveCarrylessMultiply() {
  static const bool have = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3");
  }();
  return have;
}

#else

std::uint16_t UpdateCarryless(std::uint16_t crc, const void* data, std::size_t size) {
  return UpdateSliced(crc, data, size);
}

bool HaveCarrylessMultiply() { return false; }

#endif

std::uint16_t Update(std::uint16_t crc, const void* data, std::size_t size) {
  // Below a few pieces the set-up of the folding costs more than it saves.
  if (size >= 128 && HaveCarrylessMultiply()) return UpdateCarryless(crc, data, size);
  return UpdateSliced(crc, data, size);
}

}  // namespace contave::crc16
