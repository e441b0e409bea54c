#include "model/records/C_ErasureCode.h"

#include <isa-l/erasure_code.h>

#include <algorithm>

namespace {

// ISA-L's expanded tables: 32 bytes for each coefficient.
constexpr size_t kTableBytes = 32;

}  // namespace

C_ErasureCode::C_ErasureCode(unsigned k, unsigned n)
    : m_nData(k)
    , m_nAll(n)
{
    if (!Valid())
        return;
    m_matrix.resize(size_t{n} * k);
    gf_gen_cauchy1_matrix(m_matrix.data(), static_cast<int>(n), static_cast<int>(k));
}

bool C_ErasureCode::Encode(std::vector<std::vector<uint8_t>>& fragments) const
{
    if (!Valid() || fragments.size() != m_nAll)
        return false;
    const size_t nBytes = fragments[0].size();
    if (std::any_of(fragments.begin(), fragments.end(), [&](const auto& f) { return f.size() != nBytes; }))
        return false;
    const unsigned nParity = m_nAll - m_nData;
    if (nParity == 0 || nBytes == 0)
        return true;
    std::vector<uint8_t> tables(kTableBytes * m_nData * nParity);
    // The parity rows only: the data rows are the identity.
    ec_init_tables(static_cast<int>(m_nData), static_cast<int>(nParity),
        const_cast<uint8_t*>(m_matrix.data()) + size_t{m_nData} * m_nData, tables.data());
    std::vector<uint8_t*> data(m_nData), parity(nParity);
    for (unsigned j = 0; j < m_nData; ++j)
        data[j] = fragments[j].data();
    for (unsigned j = 0; j < nParity; ++j)
        parity[j] = fragments[m_nData + j].data();
    ec_encode_data(static_cast<int>(nBytes), static_cast<int>(m_nData), static_cast<int>(nParity), tables.data(),
        data.data(), parity.data());
    return true;
}

bool C_ErasureCode::Decode(std::span<const unsigned> indices, std::span<const std::span<const uint8_t>> fragments,
    std::vector<std::vector<uint8_t>>& data) const
{
    data.clear();
    if (!Valid() || indices.size() != m_nData || fragments.size() != m_nData)
        return false;
    const size_t nBytes = fragments[0].size();
    std::vector<bool> seen(m_nAll, false);
    for (unsigned t = 0; t < m_nData; ++t) {
        if (indices[t] >= m_nAll || seen[indices[t]] || fragments[t].size() != nBytes)
            return false;
        seen[indices[t]] = true;
    }
    // The rows of the fragments at hand, inverted, give the data from them.
    const unsigned k = m_nData;
    std::vector<uint8_t> rows(size_t{k} * k), inverse(size_t{k} * k);
    for (unsigned t = 0; t < k; ++t)
        std::copy_n(m_matrix.begin() + static_cast<std::ptrdiff_t>(size_t{indices[t]} * k), k,
            rows.begin() + static_cast<std::ptrdiff_t>(size_t{t} * k));
    if (gf_invert_matrix(rows.data(), inverse.data(), static_cast<int>(k)) != 0)
        return false;
    std::vector<std::vector<uint8_t>> out(k, std::vector<uint8_t>(nBytes));
    if (nBytes) {
        std::vector<uint8_t> tables(kTableBytes * k * k);
        ec_init_tables(static_cast<int>(k), static_cast<int>(k), inverse.data(), tables.data());
        std::vector<uint8_t*> sources(k), targets(k);
        for (unsigned t = 0; t < k; ++t) {
            // ISA-L reads its sources through non-const pointers; it does not write them.
            sources[t] = const_cast<uint8_t*>(fragments[t].data());
            targets[t] = out[t].data();
        }
        ec_encode_data(static_cast<int>(nBytes), static_cast<int>(k), static_cast<int>(k), tables.data(),
            sources.data(), targets.data());
    }
    data = std::move(out);
    return true;
}
