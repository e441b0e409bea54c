#pragma once
// A systematic Reed-Solomon code over GF(2^8) (polynomial 0x11d) from ISA-L: k data fragments
// and n - k parity fragments, any k of which give the data back. The encode matrix is the n x k
// one gf_gen_cauchy1_matrix builds: the identity in rows 0 .. k - 1, and 1 / (i xor j) in the
// field at row i >= k, column j (a Cauchy matrix, so every k of its rows are independent).
// Decoding takes the rows of the k fragments at hand, inverts them (gf_invert_matrix) and
// multiplies. No field arithmetic here: ISA-L does it all. docs/share-record.md has the details.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class C_ErasureCode {
public:
    // ISA-L's field has 255 non-zero elements: i xor j stays below 256 and non-zero up to here.
    static constexpr unsigned kMaxFragments = 255;

    // 1 <= k <= n <= kMaxFragments; Valid() says whether they are.
    C_ErasureCode(unsigned k, unsigned n);
    bool Valid() const { return m_nData >= 1 && m_nData <= m_nAll && m_nAll <= kMaxFragments; }
    unsigned Data() const { return m_nData; }
    unsigned All() const { return m_nAll; }

    // The n x k encode matrix, row by row.
    const std::vector<uint8_t>& Matrix() const { return m_matrix; }

    // fragments: n fragments of the same length, the first k holding the data; fills the last
    // n - k with parity. False (nothing changed) when the count or a length is wrong.
    bool Encode(std::vector<std::vector<uint8_t>>& fragments) const;
    // The k data fragments from any k fragments: indices[t] is the index (0 .. n - 1) of
    // fragments[t]. False when there are not exactly k, an index repeats or is out of range, or
    // the lengths differ; data is then left empty.
    bool Decode(std::span<const unsigned> indices, std::span<const std::span<const uint8_t>> fragments,
        std::vector<std::vector<uint8_t>>& data) const;

private:
    unsigned m_nData;
    unsigned m_nAll;
    std::vector<uint8_t> m_matrix;
};
