#include "model/records/C_SpreadRecord.h"

#include "engine/C_ParallelTasks.h"
#include "engine/C_TrellisCoder.h"
#include "model/records/C_KeyedPermutation.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SecretBytes.h"

#include <sodium.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <span>
#include <system_error>
#include <thread>

namespace {

constexpr char kFastHashLabel[] = "VMK-SEALED-2";
constexpr size_t kFastHashLabelBytes = sizeof kFastHashLabel - 1;
constexpr uint32_t kSaltBits = C_SpreadRecord::kSaltBytes * 8;
constexpr float kWet = std::numeric_limits<float>::infinity();

void PutLittleEndian32(uint8_t* p, uint32_t n)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(n >> (8 * i));
}

uint32_t GetLittleEndian32(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Bytes to bits, most significant first, one a byte; and back.
std::vector<uint8_t> BitsOf(const uint8_t* pBytes, size_t nCount)
{
    std::vector<uint8_t> bits(nCount * 8);
    for (size_t i = 0; i < bits.size(); ++i)
        bits[i] = static_cast<uint8_t>(pBytes[i / 8] >> (7 - i % 8) & 1);
    return bits;
}

void BytesOf(const uint8_t* pBits, size_t nBits, uint8_t* pBytes)
{
    for (size_t i = 0; i < nBits / 8; ++i) {
        uint8_t v = 0;
        for (size_t j = 0; j < 8; ++j)
            v = static_cast<uint8_t>(v << 1 | (pBits[8 * i + j] & 1));
        pBytes[i] = v;
    }
}

// A run of the order that one code covers: elements [nFirst, nFirst + nCount) of the order,
// carrying message bits [nFirstBit, nFirstBit + nBits).
struct S_Span {
    uint32_t nFirst;
    uint32_t nCount;
    size_t nFirstBit;
    size_t nBits;
    uint64_t nSeed;
    int nHeight;
};

// The spans of the salt and of the record's parts for a record of nBits.
std::vector<S_Span> SpansFor(
    const C_SpreadRecord::S_Plan& plan, uint32_t nBits, uint64_t nSaltSeed, uint64_t nRecordSeed)
{
    std::vector<S_Span> spans;
    spans.push_back({0, plan.nSalt, 0, kSaltBits, nSaltSeed, C_SpreadRecord::kSaltHeight});
    const int nHeight = C_SpreadRecord::HeightFor(plan.nRecord);
    const uint32_t nParts = C_SpreadRecord::PartsFor(plan.nRecord, nBits);
    for (uint32_t s = 0; s < nParts; ++s) {
        const auto nFrom = static_cast<uint32_t>(uint64_t{s} * plan.nRecord / nParts);
        const auto nTo = static_cast<uint32_t>(uint64_t{s + 1} * plan.nRecord / nParts);
        const size_t nBitFrom = static_cast<size_t>(uint64_t{s} * nBits / nParts);
        const size_t nBitTo = static_cast<size_t>(uint64_t{s + 1} * nBits / nParts);
        spans.push_back(
            {plan.nSalt + nFrom, nTo - nFrom, kSaltBits + nBitFrom, nBitTo - nBitFrom, nRecordSeed, nHeight});
    }
    return spans;
}

// The lowest bits of the elements in the keyed order, the whole order filled in pieces on
// every core.
std::vector<uint8_t> OrderedBits(const C_KeyedPermutation& order, const uint8_t* pBits)
{
    constexpr uint32_t kPiece = 1u << 18;
    const uint32_t n = order.Count();
    std::vector<uint8_t> bits(n);
    C_ParallelTasks::Run((size_t{n} + kPiece - 1) / kPiece, [&](size_t nTask) {
        const auto nFirst = static_cast<uint32_t>(nTask * kPiece);
        std::vector<uint32_t> at(std::min(kPiece, n - nFirst));
        order.Fill(nFirst, at);
        for (size_t i = 0; i < at.size(); ++i)
            bits[nFirst + i] = pBits[at[i]] & 1;
    });
    return bits;
}

struct S_FastKeys {
    S_FastKeys(std::string_view strPassphrase, uint32_t nElements)
        : bytes(64)
    {
        const std::array<uint8_t, 64> keys = C_SpreadRecord::FastKeys(strPassphrase, nElements);
        std::memcpy(bytes.Data(), keys.data(), keys.size());
        sodium_memzero(const_cast<uint8_t*>(keys.data()), keys.size());
    }
    std::span<const uint8_t, C_KeyedPermutation::kKeyBytes> Order() const
    {
        return std::span<const uint8_t, C_KeyedPermutation::kKeyBytes>(bytes.Data(), C_KeyedPermutation::kKeyBytes);
    }
    uint64_t SaltSeed() const { return C_TrellisCoder::SeedFromKey(std::span<const uint8_t>(bytes.Data() + 32, 8)); }

    C_SecretBytes bytes;
};

uint64_t RecordSeed(const C_SealedRecord::S_Keys& keys)
{
    return C_TrellisCoder::SeedFromKey(std::span<const uint8_t>(keys.bytes.Data(), 8));
}

// The changes one span's code makes: the elements whose lowest bit turns.
bool CodeSpan(const S_Span& span, const C_KeyedPermutation& order, const uint8_t* pBits,
    const std::vector<float>& costs, const std::vector<uint8_t>& message, std::vector<uint32_t>& changes)
{
    changes.clear();
    std::vector<uint32_t> at(span.nCount);
    order.Fill(span.nFirst, at);
    std::vector<uint8_t> cover(span.nCount);
    std::vector<float> weights(span.nCount);
    for (size_t i = 0; i < at.size(); ++i) {
        cover[i] = pBits[at[i]] & 1;
        weights[i] = costs[at[i]];
    }
    C_TrellisCoder coder(span.nSeed, span.nHeight);
    // One pass: a part's whole path is held (2^20 elements: 32 MiB at height 8, 128 at 10).
    coder.SetPathMemoryLimit(
        std::max(C_TrellisCoder::kDefaultPathMemory, size_t{span.nCount} * (size_t{1} << span.nHeight) / 8 + 64));
    std::vector<uint8_t> stego;
    const std::span<const uint8_t> bits(message.data() + span.nFirstBit, span.nBits);
    if (!coder.Embed(cover, weights, bits, stego))
        return false;
    for (size_t i = 0; i < at.size(); ++i)
        if (stego[i] != cover[i])
            changes.push_back(at[i]);
    return true;
}

// Every span's changes, coded on every core; false when any code finds no way.
bool CodeAll(const std::vector<S_Span>& spans, const C_KeyedPermutation& order, const uint8_t* pBits,
    const std::vector<float>& costs, const std::vector<uint8_t>& message, std::vector<std::vector<uint32_t>>& changes)
{
    changes.assign(spans.size(), {});
    std::atomic<bool> bAll{true};
    C_ParallelTasks::Run(spans.size(), [&](size_t s) {
        if (bAll && !CodeSpan(spans[s], order, pBits, costs, message, changes[s]))
            bAll = false;
    });
    return bAll;
}

}  // namespace

C_SpreadRecord::S_Plan C_SpreadRecord::PlanFor(uint32_t nElements)
{
    S_Plan plan;
    plan.nSalt = std::min(nElements, std::max(kMinSaltElements, (nElements + kSaltShare - 1) / kSaltShare));
    plan.nRecord = nElements - plan.nSalt;
    return plan;
}

uint32_t C_SpreadRecord::LengthAt(uint32_t nRecordElements, unsigned k)
{
    if (k >= kMaxStep)
        return 0;
    const uint64_t nBits = (uint64_t{nRecordElements} * kRates[k % 16]) >> (31 + k / 16);
    const auto nLength = static_cast<uint32_t>(nBits / 8 * 8);
    return nLength >= 8 * kMinRecordBytes ? nLength : 0;
}

uint32_t C_SpreadRecord::LengthFor(uint32_t nRecordElements, uint64_t nRecordBytes)
{
    uint32_t nBest = 0;
    for (unsigned k = 0; k < kMaxStep; ++k) {
        const uint32_t nLength = LengthAt(nRecordElements, k);
        if (nLength == 0 || nLength < 8 * nRecordBytes)
            break;
        nBest = nLength;
    }
    return nBest;
}

uint32_t C_SpreadRecord::PartsFor(uint32_t nRecordElements, uint32_t nBits)
{
    const uint32_t nBySize = (nRecordElements + kPartElements - 1) / kPartElements;
    return std::max(1u, std::min(nBySize, nBits / kMinPartBits));
}

C_SpreadRecord::S_Draws C_SpreadRecord::FreshDraws()
{
    S_Draws draws;
    C_SecretBytes::SodiumReady();
    randombytes_buf(draws.salt.data(), draws.salt.size());
    randombytes_buf(draws.nonce.data(), draws.nonce.size());
    draws.fnDirections = [](uint8_t* p, size_t n) { randombytes_buf(p, n); };
    return draws;
}

std::array<uint8_t, 64> C_SpreadRecord::FastKeys(std::string_view strPassphrase, uint32_t nElements)
{
    std::array<uint8_t, 64> keys{};
    crypto_generichash_state state;
    uint8_t aCount[4];
    PutLittleEndian32(aCount, nElements);
    crypto_generichash_init(&state, nullptr, 0, keys.size());
    crypto_generichash_update(&state, reinterpret_cast<const uint8_t*>(kFastHashLabel), kFastHashLabelBytes);
    crypto_generichash_update(&state, aCount, sizeof aCount);
    crypto_generichash_update(&state, reinterpret_cast<const uint8_t*>(strPassphrase.data()), strPassphrase.size());
    crypto_generichash_final(&state, keys.data(), keys.size());
    sodium_memzero(&state, sizeof state);
    return keys;
}

uint64_t C_SpreadRecord::DryRecordElements(const std::vector<float>& costs)
{
    const auto nDry =
        static_cast<uint64_t>(std::count_if(costs.begin(), costs.end(), [](float f) { return f != kWet; }));
    const S_Plan plan = PlanFor(static_cast<uint32_t>(costs.size()));
    return costs.empty() ? 0 : nDry * plan.nRecord / costs.size();
}

std::array<uint8_t, C_SpreadRecord::kSaltBytes> C_SpreadRecord::ReadSalt(
    const uint8_t* pBits, uint32_t nBytes, std::string_view strPassphrase)
{
    std::array<uint8_t, kSaltBytes> salt{};
    const S_Plan plan = PlanFor(nBytes);
    if (!pBits || plan.nSalt < kSaltBits)
        return salt;
    const S_FastKeys fast(strPassphrase, nBytes);
    const C_KeyedPermutation order(fast.Order(), nBytes);
    std::vector<uint32_t> at(plan.nSalt);
    order.Fill(0, at);
    std::vector<uint8_t> bits(plan.nSalt);
    for (size_t i = 0; i < at.size(); ++i)
        bits[i] = pBits[at[i]] & 1;
    std::vector<uint8_t> message;
    C_TrellisCoder(fast.SaltSeed(), kSaltHeight).Extract(bits, kSaltBits, message);
    BytesOf(message.data(), message.size(), salt.data());
    return salt;
}

E_RecordOutcome C_SpreadRecord::Seal(const C_Cover& cover, std::string_view strName, const std::vector<uint8_t>& stored,
    bool bCompressed, std::string_view strPassphrase, const T_MaxBits& fnMaxBits, const S_Draws& draws,
    const std::function<void()>& fnBeforeWrite)
{
    uint8_t* pBits = cover.Bytes();
    const uint32_t nElements = pBits ? cover.Size() : 0;
    const S_Plan plan = PlanFor(nElements);
    if (strName.size() > UINT16_MAX)
        return E_RecordOutcome::TooLarge;
    const uint64_t nRecordBytes = RecordBytes(strName.size(), stored.size());
    const uint32_t nBits = LengthFor(plan.nRecord, nRecordBytes);
    if (nBits == 0)
        return E_RecordOutcome::TooLarge;

    // The key derivation takes one core for a third of a second: the costs take the others.
    C_SealedRecord::S_Keys keys;
    bool bDerived = false;
    std::vector<float> costs;
    bool bWeighed = false;
    try {
        std::thread derive([&] { bDerived = C_SealedRecord::Derive(strPassphrase, draws.salt.data(), keys); });
        try {
            bWeighed = cover.Weigh(costs);
        } catch (...) {
            derive.join();
            throw;
        }
        derive.join();
    } catch (const std::bad_alloc&) {
        return E_RecordOutcome::NoMemory;
    } catch (const std::system_error&) {
        bDerived = C_SealedRecord::Derive(strPassphrase, draws.salt.data(), keys);
        bWeighed = cover.Weigh(costs);
    }
    if (!bWeighed || costs.size() != nElements)
        return E_RecordOutcome::Refused;
    if (nBits > (fnMaxBits ? fnMaxBits(costs) : uint64_t{nBits}))
        return E_RecordOutcome::TooLarge;
    if (!bDerived)
        return E_RecordOutcome::NoMemory;

    // The message: salt, then tag | nonce | ciphertext of (length | inner record | zeros).
    const uint32_t nCipher = nBits / 8 - kHeadBytes;
    C_SecretBytes plain(nCipher - kMacBytes);
    {
        const C_SecretBytes inner = C_SealedRecord::InnerRecord(strName, stored, bCompressed);
        std::memset(plain.Data(), 0, plain.Size());
        PutLittleEndian32(plain.Data(), static_cast<uint32_t>(inner.Size()));
        std::memcpy(plain.Data() + kLengthBytes, inner.Data(), inner.Size());
    }
    std::vector<uint8_t> record(kSaltBytes + nBits / 8);
    std::memcpy(record.data(), draws.salt.data(), kSaltBytes);
    uint8_t* pHead = record.data() + kSaltBytes;
    std::memcpy(pHead, keys.aTag.data(), kTagBytes);
    std::memcpy(pHead + kTagBytes, draws.nonce.data(), kNonceBytes);
    const C_SealedRecord::T_Associated ad = C_SealedRecord::AssociatedData(keys.aTag.data(), kVersion, nCipher);
    unsigned long long nWritten = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(pHead + kHeadBytes, &nWritten, plain.Data(), plain.Size(), ad.data(),
        ad.size(), nullptr, pHead + kTagBytes, keys.aCipher.data());
    plain.Wipe();
    const std::vector<uint8_t> message = BitsOf(record.data(), record.size());

    const S_FastKeys fast(strPassphrase, nElements);
    const C_KeyedPermutation order(fast.Order(), nElements);
    const std::vector<S_Span> spans = SpansFor(plan, nBits, fast.SaltSeed(), RecordSeed(keys));
    std::vector<std::vector<uint32_t>> changes;
    try {
        if (!CodeAll(spans, order, pBits, costs, message, changes))
            return E_RecordOutcome::TooLarge;
        if (fnBeforeWrite) {
            // What it clears lies under our code: when it changed a byte, code again on what it
            // left, and put it back should that fail.
            const std::vector<uint8_t> before(pBits, pBits + nElements + 1);
            fnBeforeWrite();
            if (!std::equal(before.begin(), before.end(), pBits)
                && !CodeAll(spans, order, pBits, costs, message, changes)) {
                std::copy(before.begin(), before.end(), pBits);
                return E_RecordOutcome::TooLarge;
            }
        }
    } catch (const std::bad_alloc&) {
        return E_RecordOutcome::NoMemory;
    }

    // Each change moves its byte by one, the way the cover allows; a coin toss where both are.
    size_t nChanges = 0;
    for (const auto& list : changes)
        nChanges += list.size();
    std::vector<uint8_t> coins((nChanges + 7) / 8);
    if (draws.fnDirections)
        draws.fnDirections(coins.data(), coins.size());
    size_t nCoin = 0;
    for (const auto& list : changes)
        for (const uint32_t k : list) {
            const bool bCoin = coins[nCoin / 8] >> (nCoin % 8) & 1;
            ++nCoin;
            const unsigned nSteps = cover.StepsOf(k);
            bool bUp = nSteps == C_Cover::kStepUp || (nSteps != C_Cover::kStepDown && bCoin);
            // No way left (a neighbouring change made the other the only one, or neither): the
            // bit must turn all the same; stay in range.
            if (nSteps == 0)
                bUp = pBits[k] < 255;
            pBits[k] = static_cast<uint8_t>(bUp ? pBits[k] + 1 : pBits[k] - 1);
        }
    return E_RecordOutcome::Hidden;
}

E_RevealOutcome C_SpreadRecord::Open(
    const uint8_t* pBits, uint32_t nBytes, std::string_view strPassphrase, C_SealedContent& content)
{
    content.Clear();
    const S_Plan plan = PlanFor(pBits ? nBytes : 0);
    if (plan.nSalt < kSaltBits || LengthAt(plan.nRecord, 0) == 0)
        return E_RevealOutcome::NotFound;
    const S_FastKeys fast(strPassphrase, nBytes);
    const std::array<uint8_t, kSaltBytes> salt = ReadSalt(pBits, nBytes, strPassphrase);
    // The key derivation takes one core for a third of a second: the order takes the others.
    C_SealedRecord::S_Keys keys;
    bool bDerived = false;
    std::vector<uint8_t> ordered;
    try {
        const C_KeyedPermutation order(fast.Order(), nBytes);
        std::thread derive([&] { bDerived = C_SealedRecord::Derive(strPassphrase, salt.data(), keys); });
        try {
            ordered = OrderedBits(order, pBits);
        } catch (...) {
            derive.join();
            throw;
        }
        derive.join();
    } catch (const std::bad_alloc&) {
        return E_RevealOutcome::NoMemory;
    } catch (const std::system_error&) {
        return E_RevealOutcome::NoMemory;
    }
    if (!bDerived)
        return E_RevealOutcome::NoMemory;
    std::vector<uint8_t> bits;

    // The tag at each length of the ladder: it reads only the first part's first blocks.
    const C_TrellisCoder coder(RecordSeed(keys), HeightFor(plan.nRecord));
    const std::span<const uint8_t> recordBits(ordered.data() + plan.nSalt, plan.nRecord);
    uint32_t nBits = 0;
    uint32_t nTried = 0;
    for (unsigned k = 0; k < kMaxStep; ++k) {
        const uint32_t nLength = LengthAt(plan.nRecord, k);
        if (nLength == 0)
            break;
        if (nLength == nTried)
            continue;
        nTried = nLength;
        const uint32_t nParts = PartsFor(plan.nRecord, nLength);
        const auto nFirstPart = static_cast<uint32_t>(uint64_t{plan.nRecord} / nParts);
        coder.Extract(recordBits.first(nFirstPart), nLength / nParts, bits, kTagBytes * 8);
        uint8_t aTag[kTagBytes];
        BytesOf(bits.data(), bits.size(), aTag);
        int nWrong = 0;
        for (uint32_t i = 0; i < kTagBytes; ++i)
            nWrong += std::popcount(static_cast<unsigned>(aTag[i] ^ keys.aTag[i]));
        if (nWrong <= kTagTolerance) {
            nBits = nLength;
            break;
        }
    }
    if (nBits == 0)
        return E_RevealOutcome::NotFound;

    // The record is here: from now on anything that does not add up is damage.
    const std::vector<S_Span> spans = SpansFor(plan, nBits, fast.SaltSeed(), RecordSeed(keys));
    std::vector<uint8_t> message(kSaltBits + nBits);
    for (size_t s = 1; s < spans.size(); ++s) {
        const S_Span& span = spans[s];
        coder.Extract(std::span<const uint8_t>(ordered.data() + span.nFirst, span.nCount), span.nBits, bits);
        std::copy(bits.begin(), bits.end(), message.begin() + static_cast<std::ptrdiff_t>(span.nFirstBit));
    }
    std::vector<uint8_t> record(nBits / 8);
    BytesOf(message.data() + kSaltBits, nBits, record.data());
    const uint32_t nCipher = nBits / 8 - kHeadBytes;
    // The tag as read goes into the associated data, so a changed tag bit fails as well.
    const C_SealedRecord::T_Associated ad = C_SealedRecord::AssociatedData(record.data(), kVersion, nCipher);
    C_SecretBytes plain(nCipher - kMacBytes);
    unsigned long long nPlain = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(plain.Data(), &nPlain, nullptr, record.data() + kHeadBytes, nCipher,
            ad.data(), ad.size(), record.data() + kTagBytes, keys.aCipher.data())
        != 0)
        return E_RevealOutcome::Damaged;
    const uint32_t nInner = GetLittleEndian32(plain.Data());
    if (uint64_t{nInner} + kLengthBytes > plain.Size())
        return E_RevealOutcome::Damaged;
    const uint8_t* pPad = plain.Data() + kLengthBytes + nInner;
    const uint8_t* pEnd = plain.Data() + plain.Size();
    if (std::any_of(pPad, pEnd, [](uint8_t b) { return b != 0; }))
        return E_RevealOutcome::Damaged;
    C_SecretBytes inner(nInner);
    std::memcpy(inner.Data(), plain.Data() + kLengthBytes, nInner);
    plain.Wipe();
    return C_SealedRecord::OpenInner(std::move(inner), content);
}
