#include "model/records/C_ShareSet.h"

#include "model/pictures/C_LittleEndian.h"
#include "model/records/C_ErasureCode.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SealedRecord.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <span>

namespace {

constexpr char kLabel[] = "VMK-ACROSS";
constexpr size_t kLabelBytes = sizeof kLabel - 1;
constexpr size_t kHashBytes = C_ShareSet::kKeyBytes;  // BLAKE2b-256 masks the 32-byte key
static_assert(kHashBytes == crypto_generichash_BYTES);
static_assert(C_ShareSet::kKeyBytes == crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
static_assert(C_ShareSet::kNonceBytes == crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
static_assert(C_ShareSet::kMacBytes == crypto_aead_xchacha20poly1305_ietf_ABYTES);

// "VMK-ACROSS" | set id | k | n: the set's identity and shape are what the package answers to.
using T_Associated = std::array<uint8_t, kLabelBytes + C_ShareSet::kSetIdBytes + 2>;

T_Associated AssociatedData(const C_ShareSet::T_SetId& setId, unsigned k, unsigned n)
{
    T_Associated ad{};
    std::memcpy(ad.data(), kLabel, kLabelBytes);
    std::memcpy(ad.data() + kLabelBytes, setId.data(), setId.size());
    ad[kLabelBytes + C_ShareSet::kSetIdBytes] = static_cast<uint8_t>(k);
    ad[kLabelBytes + C_ShareSet::kSetIdBytes + 1] = static_cast<uint8_t>(n);
    return ad;
}

// BLAKE2b-256 of nonce | C: the package's bytes before the masked key.
std::array<uint8_t, kHashBytes> Mask(const uint8_t* pPackage, size_t nBeforeKey)
{
    std::array<uint8_t, kHashBytes> mask{};
    crypto_generichash(mask.data(), mask.size(), pPackage, nBeforeKey, nullptr, 0);
    return mask;
}

bool ShapeValid(unsigned k, unsigned n)
{
    return k >= 1 && k <= n && n <= C_ErasureCode::kMaxFragments;
}

}  // namespace

C_ShareSet::S_Draws C_ShareSet::FreshDraws()
{
    S_Draws draws;
    C_SecretBytes::SodiumReady();
    randombytes_buf(draws.setId.data(), draws.setId.size());
    randombytes_buf(draws.key.data(), draws.key.size());
    randombytes_buf(draws.nonce.data(), draws.nonce.size());
    return draws;
}

uint64_t C_ShareSet::LargestInner(uint64_t nBodyBytes, unsigned k)
{
    if (k == 0 || nBodyBytes <= kBodyHeadBytes)
        return 0;
    const uint64_t nPackage = std::min<uint64_t>((nBodyBytes - kBodyHeadBytes) * k, UINT32_MAX);
    return nPackage >= kMinPackageBytes ? nPackage - kPackageOverhead : 0;
}

std::vector<std::vector<uint8_t>> C_ShareSet::Split(
    const C_SecretBytes& inner, unsigned k, unsigned n, const S_Draws& draws)
{
    const uint64_t nPackage = PackageBytes(inner.Size());
    if (!ShapeValid(k, n) || nPackage > UINT32_MAX || inner.Size() < C_SealedRecord::kInnerHeadBytes)
        return {};
    C_SecretBytes::SodiumReady();
    const size_t nFragment = FragmentBytes(nPackage, k);
    // nonce | C | K xor H(nonce | C), then zeros to k fragments.
    std::vector<uint8_t> package(nFragment * k, 0);
    std::memcpy(package.data(), draws.nonce.data(), kNonceBytes);
    const T_Associated ad = AssociatedData(draws.setId, k, n);
    unsigned long long nCipher = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(package.data() + kNonceBytes, &nCipher, inner.Data(), inner.Size(),
        ad.data(), ad.size(), nullptr, draws.nonce.data(), draws.key.data());
    const size_t nBeforeKey = kNonceBytes + static_cast<size_t>(nCipher);
    std::array<uint8_t, kHashBytes> mask = Mask(package.data(), nBeforeKey);
    for (size_t i = 0; i < kKeyBytes; ++i)
        package[nBeforeKey + i] = static_cast<uint8_t>(draws.key[i] ^ mask[i]);
    sodium_memzero(mask.data(), mask.size());

    std::vector<std::vector<uint8_t>> fragments(n, std::vector<uint8_t>(nFragment));
    for (unsigned j = 0; j < k; ++j)
        std::memcpy(fragments[j].data(), package.data() + size_t{j} * nFragment, nFragment);
    if (!C_ErasureCode(k, n).Encode(fragments))
        return {};

    std::vector<std::vector<uint8_t>> bodies(n);
    for (unsigned i = 0; i < n; ++i) {
        std::vector<uint8_t>& body = bodies[i];
        body.resize(kBodyHeadBytes + nFragment);
        std::memcpy(body.data(), draws.setId.data(), kSetIdBytes);
        body[kSetIdBytes] = static_cast<uint8_t>(k);
        body[kSetIdBytes + 1] = static_cast<uint8_t>(n);
        body[kSetIdBytes + 2] = static_cast<uint8_t>(i);
        C_LittleEndian::Put32(body.data() + kSetIdBytes + 3, static_cast<uint32_t>(nPackage));
        std::memcpy(body.data() + kBodyHeadBytes, fragments[i].data(), nFragment);
    }
    return bodies;
}

bool C_ShareSet::Parse(const uint8_t* pBody, size_t nBytes, S_Share& share)
{
    share = S_Share();
    if (!pBody || nBytes < kBodyHeadBytes)
        return false;
    const unsigned k = pBody[kSetIdBytes];
    const unsigned n = pBody[kSetIdBytes + 1];
    const unsigned index = pBody[kSetIdBytes + 2];
    const uint32_t nPackage = C_LittleEndian::U32(pBody + kSetIdBytes + 3);
    if (!ShapeValid(k, n) || index >= n || nPackage < kMinPackageBytes
        || nBytes - kBodyHeadBytes != FragmentBytes(nPackage, k))
        return false;
    std::memcpy(share.setId.data(), pBody, kSetIdBytes);
    share.k = k;
    share.n = n;
    share.index = index;
    share.nPackage = nPackage;
    share.fragment.assign(pBody + kBodyHeadBytes, pBody + nBytes);
    return true;
}

unsigned C_ShareSet::DistinctOfSet(const std::vector<S_Share>& shares, size_t nOf)
{
    if (nOf >= shares.size())
        return 0;
    std::vector<bool> seen(256, false);
    unsigned nDistinct = 0;
    for (const S_Share& share : shares)
        if (share.SameSet(shares[nOf]) && share.index < seen.size() && !seen[share.index]) {
            seen[share.index] = true;
            ++nDistinct;
        }
    return nDistinct;
}

C_ShareSet::E_Join C_ShareSet::JoinInner(const std::vector<S_Share>& shares, C_SecretBytes& inner)
{
    inner = C_SecretBytes();
    if (shares.empty())
        return E_Join::TooFew;
    const S_Share& first = shares[0];
    const uint64_t nFragment = FragmentBytes(first.nPackage, first.k);
    if (!ShapeValid(first.k, first.n) || first.nPackage < kMinPackageBytes)
        return E_Join::Damaged;
    // k shares of distinct indices; every one taken must be whole.
    std::vector<unsigned> indices;
    std::vector<std::span<const uint8_t>> fragments;
    std::vector<bool> seen(first.n, false);
    for (const S_Share& share : shares) {
        if (indices.size() == first.k)
            break;
        if (!share.SameSet(first) || share.index >= first.n || seen[share.index])
            continue;
        if (share.fragment.size() != nFragment)
            return E_Join::Damaged;
        seen[share.index] = true;
        indices.push_back(share.index);
        fragments.emplace_back(share.fragment);
    }
    if (indices.size() < first.k)
        return E_Join::TooFew;
    std::vector<std::vector<uint8_t>> data;
    if (!C_ErasureCode(first.k, first.n).Decode(indices, fragments, data))
        return E_Join::Damaged;
    std::vector<uint8_t> package;
    package.reserve(static_cast<size_t>(nFragment) * first.k);
    for (const auto& fragment : data)
        package.insert(package.end(), fragment.begin(), fragment.end());
    // The padding is zeros in a whole set.
    if (std::any_of(package.begin() + first.nPackage, package.end(), [](uint8_t b) { return b != 0; }))
        return E_Join::Damaged;

    C_SecretBytes::SodiumReady();
    const size_t nBeforeKey = first.nPackage - kKeyBytes;
    const size_t nCipher = nBeforeKey - kNonceBytes;
    C_SecretBytes key(kKeyBytes);
    std::array<uint8_t, kHashBytes> mask = Mask(package.data(), nBeforeKey);
    for (size_t i = 0; i < kKeyBytes; ++i)
        key.Data()[i] = static_cast<uint8_t>(package[nBeforeKey + i] ^ mask[i]);
    sodium_memzero(mask.data(), mask.size());
    const T_Associated ad = AssociatedData(first.setId, first.k, first.n);
    C_SecretBytes plain(nCipher - kMacBytes);
    unsigned long long nPlain = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(plain.Data(), &nPlain, nullptr, package.data() + kNonceBytes,
            nCipher, ad.data(), ad.size(), package.data(), key.Data())
        != 0)
        return E_Join::Damaged;
    inner = std::move(plain);
    return E_Join::Joined;
}

C_ShareSet::E_Join C_ShareSet::Join(const std::vector<S_Share>& shares, C_SealedContent& content)
{
    content.Clear();
    C_SecretBytes inner;
    const E_Join eJoin = JoinInner(shares, inner);
    if (eJoin != E_Join::Joined)
        return eJoin;
    return C_SealedRecord::OpenInner(std::move(inner), content) == E_RevealOutcome::Found ? E_Join::Joined
                                                                                          : E_Join::Damaged;
}
