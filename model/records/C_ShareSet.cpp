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

// "VMK-ACROSS" | set id | k | n | D | T: the set's identity and the code's shape are what the
// package answers to, so that shares relabelled with another cut do not join.
using T_Associated = std::array<uint8_t, kLabelBytes + C_ShareSet::kSetIdBytes + 4>;

T_Associated AssociatedData(const C_ShareSet::T_SetId& setId, unsigned k, unsigned n, unsigned nData, unsigned nAll)
{
    T_Associated ad{};
    std::memcpy(ad.data(), kLabel, kLabelBytes);
    std::memcpy(ad.data() + kLabelBytes, setId.data(), setId.size());
    uint8_t* pShape = ad.data() + kLabelBytes + C_ShareSet::kSetIdBytes;
    pShape[0] = static_cast<uint8_t>(k);
    pShape[1] = static_cast<uint8_t>(n);
    pShape[2] = static_cast<uint8_t>(nData);
    pShape[3] = static_cast<uint8_t>(nAll);
    return ad;
}

// BLAKE2b-256 of nonce | C: the package's bytes before the masked key.
std::array<uint8_t, kHashBytes> Mask(const uint8_t* pPackage, size_t nBeforeKey)
{
    std::array<uint8_t, kHashBytes> mask{};
    crypto_generichash(mask.data(), mask.size(), pPackage, nBeforeKey, nullptr, 0);
    return mask;
}

// The checks a body's head must pass, and a set's first share before a join.
bool ShapeValid(unsigned k, unsigned n, unsigned nData, unsigned nAll, uint64_t nPackage)
{
    return k >= 1 && k <= n && n <= nAll && k <= nData && nData <= nAll && nAll <= C_ErasureCode::kMaxFragments
        && nPackage >= C_ShareSet::kMinPackageBytes && nPackage <= UINT32_MAX;
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

std::vector<std::vector<uint8_t>> C_ShareSet::Split(
    const C_SecretBytes& inner, const C_SharePlan& plan, const S_Draws& draws)
{
    const uint64_t nPackage = PackageBytes(inner.Size());
    if (!plan.Valid() || nPackage > UINT32_MAX || inner.Size() < C_SealedRecord::kInnerHeadBytes)
        return {};
    const unsigned k = plan.Needed();
    const unsigned n = plan.Pictures();
    const unsigned nData = plan.DataFragments();
    const unsigned nAll = plan.AllFragments();
    C_SecretBytes::SodiumReady();
    const size_t nFragment = plan.FragmentBytes(nPackage);
    // nonce | C | K xor H(nonce | C), then zeros to D fragments.
    std::vector<uint8_t> package(nFragment * nData, 0);
    std::memcpy(package.data(), draws.nonce.data(), kNonceBytes);
    const T_Associated ad = AssociatedData(draws.setId, k, n, nData, nAll);
    unsigned long long nCipher = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(package.data() + kNonceBytes, &nCipher, inner.Data(), inner.Size(),
        ad.data(), ad.size(), nullptr, draws.nonce.data(), draws.key.data());
    const size_t nBeforeKey = kNonceBytes + static_cast<size_t>(nCipher);
    std::array<uint8_t, kHashBytes> mask = Mask(package.data(), nBeforeKey);
    for (size_t i = 0; i < kKeyBytes; ++i)
        package[nBeforeKey + i] = static_cast<uint8_t>(draws.key[i] ^ mask[i]);
    sodium_memzero(mask.data(), mask.size());

    std::vector<std::vector<uint8_t>> fragments(nAll, std::vector<uint8_t>(nFragment));
    for (unsigned j = 0; j < nData; ++j)
        std::memcpy(fragments[j].data(), package.data() + size_t{j} * nFragment, nFragment);
    if (!C_ErasureCode(nData, nAll).Encode(fragments))
        return {};

    std::vector<std::vector<uint8_t>> bodies(n);
    for (unsigned i = 0; i < n; ++i) {
        std::vector<uint8_t>& body = bodies[i];
        body.resize(kBodyHeadBytes + size_t{plan.Count(i)} * nFragment);
        uint8_t* pHead = body.data();
        std::memcpy(pHead, draws.setId.data(), kSetIdBytes);
        pHead[kSetIdBytes] = static_cast<uint8_t>(k);
        pHead[kSetIdBytes + 1] = static_cast<uint8_t>(n);
        pHead[kSetIdBytes + 2] = static_cast<uint8_t>(i);
        C_LittleEndian::Put32(pHead + kSetIdBytes + 3, static_cast<uint32_t>(nPackage));
        pHead[kSetIdBytes + 7] = static_cast<uint8_t>(nData);
        pHead[kSetIdBytes + 8] = static_cast<uint8_t>(nAll);
        pHead[kSetIdBytes + 9] = static_cast<uint8_t>(plan.First(i));
        pHead[kSetIdBytes + 10] = static_cast<uint8_t>(plan.Count(i));
        for (unsigned j = 0; j < plan.Count(i); ++j)
            std::memcpy(
                body.data() + kBodyHeadBytes + size_t{j} * nFragment, fragments[plan.First(i) + j].data(), nFragment);
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
    const unsigned nData = pBody[kSetIdBytes + 7];
    const unsigned nAll = pBody[kSetIdBytes + 8];
    const unsigned nFirst = pBody[kSetIdBytes + 9];
    const unsigned nCount = pBody[kSetIdBytes + 10];
    if (!ShapeValid(k, n, nData, nAll, nPackage) || index >= n || nCount < 1 || nFirst + nCount > nAll)
        return false;
    const uint64_t nFragment = (uint64_t{nPackage} + nData - 1) / nData;
    if (nBytes - kBodyHeadBytes != nCount * nFragment)
        return false;
    std::memcpy(share.setId.data(), pBody, kSetIdBytes);
    share.k = k;
    share.n = n;
    share.index = index;
    share.nPackage = nPackage;
    share.nData = nData;
    share.nAll = nAll;
    share.nFirst = nFirst;
    share.nCount = nCount;
    share.fragments.assign(pBody + kBodyHeadBytes, pBody + nBytes);
    return true;
}

C_ShareSet::S_Count C_ShareSet::CountOfSet(const std::vector<S_Share>& shares, size_t nOf)
{
    S_Count count;
    if (nOf >= shares.size())
        return count;
    std::vector<bool> shareSeen(256, false);
    std::vector<bool> fragmentSeen(256, false);
    for (const S_Share& share : shares) {
        if (!share.SameSet(shares[nOf]) || share.index >= shareSeen.size())
            continue;
        if (!shareSeen[share.index]) {
            shareSeen[share.index] = true;
            ++count.nShares;
        }
        for (unsigned j = share.nFirst; j < share.nFirst + share.nCount && j < fragmentSeen.size(); ++j)
            if (!fragmentSeen[j]) {
                fragmentSeen[j] = true;
                ++count.nFragments;
            }
    }
    count.bEnough = count.nFragments >= shares[nOf].nData && shares[nOf].nData > 0;
    return count;
}

C_ShareSet::E_Join C_ShareSet::JoinInner(const std::vector<S_Share>& shares, C_SecretBytes& inner)
{
    inner = C_SecretBytes();
    if (shares.empty())
        return E_Join::TooFew;
    const S_Share& first = shares[0];
    if (!ShapeValid(first.k, first.n, first.nData, first.nAll, first.nPackage))
        return E_Join::Damaged;
    const uint64_t nFragment = (uint64_t{first.nPackage} + first.nData - 1) / first.nData;
    // D fragments of distinct indices; every share taken from must be whole.
    std::vector<unsigned> indices;
    std::vector<std::span<const uint8_t>> fragments;
    std::vector<bool> shareSeen(first.n, false);
    std::vector<bool> fragmentSeen(first.nAll, false);
    unsigned nShares = 0;
    for (const S_Share& share : shares) {
        if (indices.size() == first.nData)
            break;
        if (!share.SameSet(first) || share.index >= first.n)
            continue;
        if (share.nCount < 1 || share.nFirst + share.nCount > first.nAll
            || share.fragments.size() != share.nCount * nFragment)
            return E_Join::Damaged;
        if (!shareSeen[share.index]) {
            shareSeen[share.index] = true;
            ++nShares;
        }
        for (unsigned j = 0; j < share.nCount && indices.size() < first.nData; ++j) {
            if (fragmentSeen[share.nFirst + j])
                continue;
            fragmentSeen[share.nFirst + j] = true;
            indices.push_back(share.nFirst + j);
            fragments.emplace_back(share.fragments.data() + j * nFragment, nFragment);
        }
    }
    if (indices.size() < first.nData) {
        // k shares always hold D fragments as a writer cuts them: these were cut otherwise.
        return nShares < first.k ? E_Join::TooFew : E_Join::Damaged;
    }
    std::vector<std::vector<uint8_t>> data;
    if (!C_ErasureCode(first.nData, first.nAll).Decode(indices, fragments, data))
        return E_Join::Damaged;
    std::vector<uint8_t> package;
    package.reserve(static_cast<size_t>(nFragment) * first.nData);
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
    const T_Associated ad = AssociatedData(first.setId, first.k, first.n, first.nData, first.nAll);
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
