#pragma once
// Syndrome-trellis coder: hides m message bits in n cover bits so that the receiver gets them
// back as the syndrome H y of the stego bits y, while the sender picks, among all y with that
// syndrome, one whose summed cost of the changed bits is least (Viterbi over the trellis of H).
// After Filler, Judas and Fridrich, "Minimizing additive distortion in steganography using
// syndrome-trellis codes", IEEE TIFS 6(3), 2011.
//
// Exact definition of H (what sender and receiver must agree on), for n cover bits, m message
// bits, 1 <= m <= n < 2^32, and the constraint height h (7..12):
//
// Key to seed. A 64-bit seed is used as given. Key bytes k[0..L-1] become a seed thus:
//   s = L; for each group of 8 bytes (the last one padded with zero bytes), read as a
//   little-endian 64-bit number g: s = Mix(s ^ g). The seed is the final s.
// Mix and the generator are splitmix64: Next() does state += 0x9E3779B97F4A7C15 and returns
// Mix(state), where Mix(z): z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
//   z = (z ^ (z >> 27)) * 0x94D049BB133111EB; return z ^ (z >> 31)  (all mod 2^64).
//
// Submatrix H-hat. The generator starts with state = seed. Column k (k = 0, 1, ...) of H-hat is
// the h-bit number c_k = (Next() & (2^h - 1)) | 1 | 2^(h-1): its top and bottom rows are always
// set, as the paper advises. Bit t of c_k is row t of H-hat. A narrower H-hat is a prefix of a
// wider one.
//
// Blocks. Cover bit i belongs to block b when floor(b n / m) <= i < floor((b + 1) n / m); so
// the m blocks have widths floor(n/m) or ceil(n/m), spread evenly, and cover all n bits. The
// j-th bit of block b (j = 0 for its first bit) has column c_j, placed at rows b .. b + h - 1
// of H: H[b + t][i] = bit t of c_j. Rows at m and beyond do not exist (the last h - 1 blocks'
// columns are cut off at the bottom of H).
//
// Message. Message bit b is row b of the syndrome: m_b = XOR over i of H[b][i] y_i. Equivalently
// (what Extract does): r = 0; for b = 0 .. m-1 { for each bit i of block b: if y_i, r ^= c_j;
// m_b = r & 1; r >>= 1 }.
//
// The receiver needs the seed, h, n and m. Bits are passed one per byte (0 or 1; only the
// lowest bit of each byte is read). Costs are per cover bit, the price of y_i != x_i: finite
// and >= 0, or +infinity for a bit that must not change. The trellis sums costs in float
// (relative to the cheapest state, renewed after every block), so "least" holds up to float
// rounding; on a tie it takes y_i = 0. Which of several cheapest y is returned is not part of
// the format; it is the same on every processor (the SSE2, AVX2, AVX-512 and plain loops do
// the same float operations; VMK_TRELLIS_KERNELS=scalar, sse2, avx2 or avx512 picks a set
// other than the processor's widest, for tests and the bench).
//
// Memory: the backtracking needs 2^h path bits per cover bit. When n 2^h / 8 bytes exceed the
// path memory limit, the forward pass keeps only the state costs at segment starts, and each
// segment is computed a second time while tracing back: the same result for twice the forward
// work, though in practice no slower than writing and reading back a path of a gigabyte.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class C_TrellisCoder {
public:
    static constexpr int kDefaultHeight = 10;
    static constexpr int kMinHeight = 7;
    static constexpr int kMaxHeight = 12;
    static constexpr size_t kDefaultPathMemory = size_t(16) << 20;
    // Path bits and segment-start costs together never take more: a single block wider than
    // this (a message of a few bits in a huge cover) or n near 2^32 at h = 12 is refused.
    static constexpr size_t kMaxMemory = size_t(1) << 30;

    // nHeight outside 7..12 is clamped into it.
    explicit C_TrellisCoder(uint64_t nSeed, int nHeight = kDefaultHeight);
    explicit C_TrellisCoder(std::span<const uint8_t> key, int nHeight = kDefaultHeight);

    static uint64_t SeedFromKey(std::span<const uint8_t> key);
    int Height() const { return m_nHeight; }
    uint64_t Seed() const { return m_nSeed; }
    // The first nWidth columns of H-hat, c_0 .. c_{nWidth-1}.
    std::vector<uint32_t> Columns(size_t nWidth) const;
    // Bytes of path bits held at once, at least one block's worth; the rest is recomputed.
    void SetPathMemoryLimit(size_t nBytes) { m_nPathMemory = nBytes; }

    // Finds stego bits y with H y = message and the least summed cost of changed bits. False,
    // with stegoBits empty, when no such y exists (too many bits that must not change), when
    // the sizes are wrong (costs.size() != coverBits.size(), m > n, n >= 2^32, more than
    // kMaxMemory needed) or a cost is negative or NaN. m = 0 gives y = x.
    bool Embed(std::span<const uint8_t> coverBits, std::span<const float> costs, std::span<const uint8_t> message,
        std::vector<uint8_t>& stegoBits, double* pTotalCost = nullptr) const;

    // Embed where some rows of H are free: where freeRows[b] is 1, message[b] is not read and the
    // code takes whichever syndrome bit costs less there. The same H, so Extract reads the
    // message with the free rows as they came out. A plain Viterbi pass that keeps every path
    // bit: refused (false) when those take more than kMaxFreeRowsMemory.
    static constexpr size_t kMaxFreeRowsMemory = size_t(16) << 20;
    bool EmbedWithFreeRows(std::span<const uint8_t> coverBits, std::span<const float> costs,
        std::span<const uint8_t> message, std::span<const uint8_t> freeRows, std::vector<uint8_t>& stegoBits) const;

    // The receiver's side: the nMessageBits syndrome bits of the stego bits (none when
    // nMessageBits is 0 or exceeds their count). With nFirstBits, only the first nFirstBits of
    // them, which read only the first ceil(nFirstBits n / m) stego bits: a receiver that tries
    // several message lengths checks a known prefix cheaply.
    void Extract(std::span<const uint8_t> stegoBits, size_t nMessageBits, std::vector<uint8_t>& message,
        size_t nFirstBits = SIZE_MAX) const;

    // Plus-or-minus-one embedding, binary approximation: the message goes into the parities
    // (value & 1, two's complement) of the cover values, each parity change costing
    // min(rho+, rho-); a changed value then moves in its cheaper direction (on a tie, the way a
    // bit of the coder's generator says, so that ties do not all lean one way). Infinity marks
    // a direction that is not allowed (e.g. -1 at the lowest value). Extraction is Extract
    // over the parities (ExtractPlusMinus).
    bool EmbedPlusMinus(std::span<const int32_t> cover, std::span<const float> rhoPlus, std::span<const float> rhoMinus,
        std::span<const uint8_t> message, std::vector<int32_t>& stego, double* pTotalCost = nullptr) const;
    void ExtractPlusMinus(std::span<const int32_t> stego, size_t nMessageBits, std::vector<uint8_t>& message) const;

    // Plus-or-minus-one embedding in two layers (the paper's multi-layered construction), which
    // comes closer to the least cost than the binary approximation when rho+ and rho- differ.
    // With l chosen so that the changes p+ = e^(-l rho+) / Z, p- = e^(-l rho-) / Z,
    // Z = 1 + e^(-l rho+) + e^(-l rho-), carry the message's length in ternary entropy:
    //   layer 2, the second bit ((value >> 1) & 1): it changes exactly when the value moves by a
    //   carry or borrow (+1 from an odd value, -1 from an even one), with probability q = p+ or
    //   p-; nSecondLayerBits = round(sum of binary entropies of q) message bits go there (the
    //   first ones), with costs ln((1 - q) / q);
    //   layer 1, the parity: where layer 2 changed, the move and so the parity are fixed; else
    //   the parity may change by the other direction at its own cost. The remaining message bits
    //   go there.
    // Both layers use this coder's matrix. The receiver must learn nSecondLayerBits some other
    // way (it depends on the costs); ExtractTwoLayers reads both layers back.
    // Measured (stc_efficiency --ternary: h = 10, 10^6 values, rho+ and rho- independent and
    // uniform): cost over the ternary bound 1.17, 1.20, 1.26 for the binary approximation and
    // 1.17, 1.15, 1.15 for two layers at payloads 0.05, 0.2, 0.5 bits a value. The binary
    // approximation needs nothing sent besides the message and touches only parities; two
    // layers save up to a tenth of the cost at high payloads.
    bool EmbedTwoLayers(std::span<const int32_t> cover, std::span<const float> rhoPlus, std::span<const float> rhoMinus,
        std::span<const uint8_t> message, std::vector<int32_t>& stego, size_t& nSecondLayerBits,
        double* pTotalCost = nullptr) const;
    void ExtractTwoLayers(std::span<const int32_t> stego, size_t nSecondLayerBits, size_t nMessageBits,
        std::vector<uint8_t>& message) const;

    // The same in steps, for a sender that fixes the split itself (and may code a large cover in
    // parts with one multiplier): l such that the ternary entropy of the changes is fBits (0
    // when the costs cannot carry that many); the second layer's entropy at l; and the two
    // layers with their messages and l given.
    static double TernaryMultiplier(std::span<const float> rhoPlus, std::span<const float> rhoMinus, double fBits);
    static double SecondLayerEntropy(
        std::span<const int32_t> cover, std::span<const float> rhoPlus, std::span<const float> rhoMinus, double l);
    bool EmbedTwoLayers(std::span<const int32_t> cover, std::span<const float> rhoPlus, std::span<const float> rhoMinus,
        std::span<const uint8_t> secondLayer, std::span<const uint8_t> firstLayer, double l,
        std::vector<int32_t>& stego, double* pTotalCost = nullptr) const;

private:
    int m_nHeight;
    uint64_t m_nSeed;
    size_t m_nPathMemory = kDefaultPathMemory;
};
