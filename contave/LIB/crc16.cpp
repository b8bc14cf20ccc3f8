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
constexpr int kMostPieces = 16;
constexpr auto kFoldConstants = [] {
  std::array<std::array<std::uint64_t, 2>, kMostPieces + 1> constants{};
  for (int k = 1; k <= kMostPieces; ++k) constants[k] = {PowerOfX(128 * k), PowerOfX(128 * k + 64)};
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

// The last whole pieces after the folded register `x`, and the register brought down to the CRC.
CONTAVE_CLMUL_TARGET std::uint16_t Finish(__m128i x, const std::uint8_t* p, std::size_t size) {
  const __m128i by128 = Constants(1);
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

// A head that leaves whole pieces goes through the tables: returns where the pieces start,
// with `crc` and `size` brought up to there.
inline const std::uint8_t* SumHead(std::uint16_t& crc, const void* data, std::size_t& size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  const std::size_t head = size % 16;
  crc = UpdateSliced(crc, p, head);
  size -= head;
  return p + head;
}

}  // namespace

CONTAVE_CLMUL_TARGET std::uint16_t UpdateCarryless(std::uint16_t crc, const void* data, std::size_t size) {
  const std::uint8_t* p = SumHead(crc, data, size);
  if (size == 0) return crc;

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
  return Finish(x, p, size);
}

#if defined(__x86_64__)

// Two pieces a register where the CPU multiplies 256-bit registers: sixteen pieces in flight
// take half the instructions of eight in 128-bit registers, which is what bounds the folding.
// Only in 64-bit code, which has the registers to keep all of them.
#define CONTAVE_CLMUL_WIDE_TARGET __attribute__((target("avx2,vpclmulqdq,pclmul")))

CONTAVE_CLMUL_WIDE_TARGET inline __m256i LoadPiecePair(const std::uint8_t* at) {
  const __m256i reverse = _mm256_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,  //
                                          0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  return _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)), reverse);
}

CONTAVE_CLMUL_WIDE_TARGET std::uint16_t UpdateWide(std::uint16_t crc, const void* data, std::size_t size) {
  // Shorter runs do not fill the registers once.
  if (size < 256 + 16) return UpdateCarryless(crc, data, size);
  const std::uint8_t* p = SumHead(crc, data, size);
  // a[i] holds pieces 2i (low half) and 2i + 1 (high half) of the 256 bytes in flight.
  __m256i a[8];
  for (int i = 0; i < 8; ++i) a[i] = LoadPiecePair(p + 32 * i);
  a[0] = _mm256_xor_si256(a[0], _mm256_set_epi32(0, 0, 0, 0, static_cast<int>(static_cast<std::uint32_t>(crc) << 16), 0, 0, 0));
  p += 256;
  size -= 256;
  const __m256i by2048 = _mm256_broadcastsi128_si256(_mm_set_epi64x(static_cast<long long>(kFoldConstants[16][1]),
                                                                    static_cast<long long>(kFoldConstants[16][0])));
  while (size >= 256) {
    for (int i = 0; i < 8; ++i) {
      const __m256i folded = _mm256_xor_si256(_mm256_clmulepi64_epi128(a[i], by2048, 0x00),
                                              _mm256_clmulepi64_epi128(a[i], by2048, 0x11));
      a[i] = _mm256_xor_si256(folded, LoadPiecePair(p + 32 * i));
    }
    p += 256;
    size -= 256;
  }
  // Piece j stands 128·(15 − j) bits before the end of the 256 bytes.
  __m128i x = _mm256_extracti128_si256(a[7], 1);
  for (int i = 0; i < 8; ++i) {
    x = _mm_xor_si128(x, Fold(_mm256_castsi256_si128(a[i]), Constants(15 - 2 * i)));
    if (i != 7) x = _mm_xor_si128(x, Fold(_mm256_extracti128_si256(a[i], 1), Constants(14 - 2 * i)));
  }
  return Finish(x, p, size);
}

// Four pieces a register where the CPU multiplies 512-bit registers: the same sixteen pieces in
// flight as above in half the instructions, and the three-way exclusive-or of the two products
// with the next data in one. The folding then keeps up with the copying of the file's bytes.
#define CONTAVE_CLMUL_WIDEST_TARGET __attribute__((target("avx512f,avx512bw,vpclmulqdq,pclmul,ssse3")))

CONTAVE_CLMUL_WIDEST_TARGET inline __m512i LoadPieceQuad(const std::uint8_t* at) {
  // Each 16-byte quarter reversed on its own. Built from quadwords: the broadcast forms draw
  // false warnings from some compilers.
  const __m512i reverse = _mm512_set_epi64(0x0001020304050607, 0x08090A0B0C0D0E0F, 0x0001020304050607,
                                           0x08090A0B0C0D0E0F, 0x0001020304050607, 0x08090A0B0C0D0E0F,
                                           0x0001020304050607, 0x08090A0B0C0D0E0F);
  return _mm512_shuffle_epi8(_mm512_loadu_si512(at), reverse);
}

CONTAVE_CLMUL_WIDEST_TARGET std::uint16_t UpdateWidest(std::uint16_t crc, const void* data, std::size_t size) {
  if (size < 256 + 16) return UpdateCarryless(crc, data, size);
  const std::uint8_t* p = SumHead(crc, data, size);
  // a[i] holds pieces 4i to 4i + 3, the first in the lowest quarter.
  __m512i a[4];
  for (int i = 0; i < 4; ++i) a[i] = LoadPieceQuad(p + 64 * i);
  a[0] = _mm512_xor_si512(
      a[0], _mm512_zextsi128_si512(_mm_set_epi32(static_cast<int>(static_cast<std::uint32_t>(crc) << 16), 0, 0, 0)));
  p += 256;
  size -= 256;
  const auto k0 = static_cast<long long>(kFoldConstants[16][0]), k1 = static_cast<long long>(kFoldConstants[16][1]);
  const __m512i by2048 = _mm512_set_epi64(k1, k0, k1, k0, k1, k0, k1, k0);
  while (size >= 256) {
    for (int i = 0; i < 4; ++i)
      a[i] = _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(a[i], by2048, 0x00),
                                       _mm512_clmulepi64_epi128(a[i], by2048, 0x11), LoadPieceQuad(p + 64 * i), 0x96);
    p += 256;
    size -= 256;
  }
  // Piece j stands 128·(15 − j) bits before the end of the 256 bytes. Taken apart through
  // memory, once per call: the instructions that take quarters out draw false warnings from
  // some compilers.
  alignas(64) std::uint8_t pieces[256];
  for (int i = 0; i < 4; ++i) _mm512_store_si512(pieces + 64 * i, a[i]);
  const auto piece = [&](int j) { return _mm_load_si128(reinterpret_cast<const __m128i*>(pieces + 16 * j)); };
  __m128i x = piece(15);
  for (int j = 0; j < 15; ++j) x = _mm_xor_si128(x, Fold(piece(j), Constants(15 - j)));
  return Finish(x, p, size);
}

bool HaveWidestCarrylessMultiply() {
  static const bool have = [] {
    __builtin_cpu_init();
    // As with AVX2, the AVX-512 checks include the system's saving of the 512-bit registers.
    return HaveCarrylessMultiply() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("vpclmulqdq");
  }();
  return have;
}

bool HaveWideCarrylessMultiply() {
  static const bool have = [] {
    __builtin_cpu_init();
    // The AVX2 check includes the system's saving of the 256-bit registers.
    return HaveCarrylessMultiply() && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("vpclmulqdq");
  }();
  return have;
}

#else

bool HaveWideCarrylessMultiply() { return false; }

std::uint16_t UpdateWide(std::uint16_t crc, const void* data, std::size_t size) {
  return UpdateCarryless(crc, data, size);
}

bool HaveWidestCarrylessMultiply() { return false; }

std::uint16_t UpdateWidest(std::uint16_t crc, const void* data, std::size_t size) {
  return UpdateCarryless(crc, data, size);
}

#endif


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

std::uint16_t UpdateWide(std::uint16_t crc, const void* data, std::size_t size) {
  return UpdateSliced(crc, data, size);
}

bool HaveWideCarrylessMultiply() { return false; }

std::uint16_t UpdateWidest(std::uint16_t crc, const void* data, std::size_t size) {
  return UpdateSliced(crc, data, size);
}

bool HaveWidestCarrylessMultiply() { return false; }

#endif

std::uint16_t Update(std::uint16_t crc, const void* data, std::size_t size) {
  // Below a few pieces the set-up of the folding costs more than it saves.
  if (size >= 512 && HaveWidestCarrylessMultiply()) return UpdateWidest(crc, data, size);
  if (size >= 512 && HaveWideCarrylessMultiply()) return UpdateWide(crc, data, size);
  if (size >= 128 && HaveCarrylessMultiply()) return UpdateCarryless(crc, data, size);
  return UpdateSliced(crc, data, size);
}

}  // namespace contave::crc16
