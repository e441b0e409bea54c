#include "model/records/C_SpreadRecord.h"

#include "engine/C_ParallelTasks.h"
#include "engine/C_TrellisCoder.h"
#include "model/pictures/C_LittleEndian.h"
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
// Path bits a part's coder may hold at once (two parts are coded at a time).
constexpr size_t kPartPathMemory = size_t(40) << 20;
// How far ahead a pass in the keyed order asks for the memory it is about to read.
constexpr size_t kAhead = 32;

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

// The salt's run of the order, and the record's parts: elements [nFirst, nFirst + nCount) of
// the order, carrying second-layer bits [nSecondFrom, nSecondTo) and first-layer bits
// [nFirstFrom, nFirstTo) of the record's layers.
struct S_Part {
    uint32_t nFirst;
    uint32_t nCount;
    size_t nSecondFrom, nSecondTo;
    size_t nFirstFrom, nFirstTo;
};

std::vector<S_Part> PartsOf(const C_SpreadRecord::S_Plan& plan, const C_SpreadRecord::S_Lengths& lengths)
{
    std::vector<S_Part> parts;
    const uint32_t nParts = C_SpreadRecord::PartsFor(plan.nRecord);
    const auto Cut = [nParts](uint64_t nTotal, uint32_t s) { return static_cast<size_t>(nTotal * s / nParts); };
    for (uint32_t s = 0; s < nParts; ++s) {
        const auto nFrom = static_cast<uint32_t>(Cut(plan.nRecord, s));
        const auto nTo = static_cast<uint32_t>(Cut(plan.nRecord, s + 1));
        parts.push_back({plan.nSalt + nFrom, nTo - nFrom, Cut(lengths.nSecond, s), Cut(lengths.nSecond, s + 1),
            Cut(lengths.nFirst, s), Cut(lengths.nFirst, s + 1)});
    }
    return parts;
}

// The two lowest bits of the elements in the keyed order, the whole order filled in pieces on
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
        for (size_t i = 0; i < at.size(); ++i) {
            if (i + kAhead < at.size())
                __builtin_prefetch(pBits + at[i + kAhead]);
            bits[nFirst + i] = pBits[at[i]] & 3;
        }
    });
    return bits;
}

struct S_FastKeys {
    S_FastKeys(std::string_view strPassphrase, uint32_t nElements)
        : bytes(64)
    {
        std::array<uint8_t, 64> keys = C_SpreadRecord::FastKeys(strPassphrase, nElements);
        std::memcpy(bytes.Data(), keys.data(), keys.size());
        sodium_memzero(keys.data(), keys.size());
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

const uint8_t* SecondTag(const C_SealedRecord::S_Keys& keys)
{
    return keys.bytes.Data() + 56;
}

// The costs and the bytes in one table, so that a pass in the keyed order reads one word at each
// element, not two from places far apart: each cost's lowest 8 mantissa bits give way to the
// element's byte (a relative change below 2^-15, which ranks the changes the same). +infinity
// keeps its exponent, so it comes back as +infinity.
void Pack(std::vector<float>& costs, const uint8_t* pBits)
{
    C_ParallelTasks::Run(2, [&](size_t nTask) {
        const size_t nFrom = costs.size() * nTask / 2;
        const size_t nTo = costs.size() * (nTask + 1) / 2;
        for (size_t k = nFrom; k < nTo; ++k)
            costs[k] = std::bit_cast<float>((std::bit_cast<uint32_t>(costs[k]) & ~0xFFu) | pBits[k]);
    });
}

float CostOf(float fPacked)
{
    return std::bit_cast<float>(std::bit_cast<uint32_t>(fPacked) & ~0xFFu);
}

unsigned ByteOf(float fPacked)
{
    return std::bit_cast<uint32_t>(fPacked) & 0xFFu;
}

// What moving element k by one costs, each way: its cost where the cover allows the step,
// +infinity where it does not. packed: Pack's table.
void Directions(const C_Cover& cover, bool bGuarded, float fPacked, uint32_t k, float& fPlus, float& fMinus)
{
    fPlus = fMinus = kWet;
    const float fCost = CostOf(fPacked);
    if (fCost == kWet)
        return;
    const unsigned b = ByteOf(fPacked);
    const unsigned nSteps =
        bGuarded ? cover.StepsOf(k) : (b < 255 ? C_Cover::kStepUp : 0u) | (b > 0 ? C_Cover::kStepDown : 0u);
    if (nSteps & C_Cover::kStepUp)
        fPlus = fCost;
    if (nSteps & C_Cover::kStepDown)
        fMinus = fCost;
}

// The salt's changes: the elements whose lowest bit turns. With bMostFree, the code picks all
// but the drawn bits itself (all of them where the drawn ones cannot be had): salt holds the
// drawn bits in their places and comes back with the whole salt the changes give.
bool CodeSalt(uint32_t nSalt, uint64_t nSeed, const C_KeyedPermutation& order, const std::vector<float>& packed,
    bool bMostFree, std::vector<uint8_t>& salt, std::vector<uint32_t>& changes)
{
    changes.clear();
    std::vector<uint32_t> at(nSalt);
    order.Fill(0, at);
    std::vector<uint8_t> cover(nSalt);
    std::vector<float> weights(nSalt);
    for (size_t i = 0; i < at.size(); ++i) {
        const float fPacked = packed[at[i]];
        cover[i] = ByteOf(fPacked) & 1;
        weights[i] = CostOf(fPacked);
    }
    const C_TrellisCoder coder(nSeed, C_SpreadRecord::kSaltHeight);
    std::vector<uint8_t> stego;
    if (bMostFree) {
        std::vector<uint8_t> freeRows(salt.size());
        for (size_t t = 0; t < freeRows.size(); ++t)
            freeRows[t] = t % C_SpreadRecord::kDrawnSaltEvery != 0;
        // Every row free always has a way: the picture as it is.
        if (!coder.EmbedWithFreeRows(cover, weights, salt, freeRows, stego)) {
            std::fill(freeRows.begin(), freeRows.end(), uint8_t{1});
            if (!coder.EmbedWithFreeRows(cover, weights, salt, freeRows, stego))
                return false;
        }
        coder.Extract(stego, salt.size(), salt);
    } else if (!coder.Embed(cover, weights, salt, stego)) {
        return false;
    }
    for (size_t i = 0; i < at.size(); ++i)
        if (stego[i] != cover[i])
            changes.push_back(at[i]);
    return true;
}

// The salt: the syndrome of the lowest bits of the order's first nSalt elements.
std::array<uint8_t, C_SpreadRecord::kSaltBytes> SaltOf(
    const C_KeyedPermutation& order, uint32_t nSalt, uint64_t nSeed, const uint8_t* pBits)
{
    std::vector<uint32_t> at(nSalt);
    order.Fill(0, at);
    std::vector<uint8_t> bits(nSalt);
    for (size_t i = 0; i < at.size(); ++i)
        bits[i] = pBits[at[i]] & 1;
    std::vector<uint8_t> message;
    C_TrellisCoder(nSeed, C_SpreadRecord::kSaltHeight).Extract(bits, kSaltBits, message);
    std::array<uint8_t, C_SpreadRecord::kSaltBytes> salt{};
    BytesOf(message.data(), message.size(), salt.data());
    return salt;
}

// A thread that is joined however its scope is left.
struct S_JoinedThread {
    S_JoinedThread() = default;
    S_JoinedThread(const S_JoinedThread&) = delete;
    S_JoinedThread& operator=(const S_JoinedThread&) = delete;
    ~S_JoinedThread()
    {
        if (thread.joinable())
            thread.join();
    }
    std::thread thread;
};

// One part's changes in two layers: (element, +1 or -1).
struct S_Change {
    uint32_t nElement;
    int8_t nStep;
};

bool CodePart(const S_Part& part, const C_TrellisCoder& coder, double l, const C_KeyedPermutation& order,
    const C_Cover& cover, const std::vector<float>& packed, const std::vector<uint8_t>& second,
    const std::vector<uint8_t>& first, std::vector<S_Change>& changes)
{
    changes.clear();
    std::vector<uint32_t> at(part.nCount);
    order.Fill(part.nFirst, at);
    const bool bGuarded = cover.GuardsSteps();
    std::vector<int32_t> values(part.nCount);
    std::vector<float> plus(part.nCount), minus(part.nCount);
    for (size_t i = 0; i < at.size(); ++i) {
        // The reads land all over the picture: ask for them well ahead.
        if (i + kAhead < at.size())
            __builtin_prefetch(packed.data() + at[i + kAhead]);
        const float fPacked = packed[at[i]];
        values[i] = static_cast<int32_t>(ByteOf(fPacked));
        Directions(cover, bGuarded, fPacked, at[i], plus[i], minus[i]);
    }
    std::vector<int32_t> stego;
    const std::span<const uint8_t> secondBits(second.data() + part.nSecondFrom, part.nSecondTo - part.nSecondFrom);
    const std::span<const uint8_t> firstBits(first.data() + part.nFirstFrom, part.nFirstTo - part.nFirstFrom);
    if (!coder.EmbedTwoLayers(values, plus, minus, secondBits, firstBits, l, stego))
        return false;
    for (size_t i = 0; i < at.size(); ++i)
        if (stego[i] != values[i])
            changes.push_back({at[i], static_cast<int8_t>(stego[i] > values[i] ? 1 : -1)});
    return true;
}

// The multiplier that spreads nBits over the record's elements as the least cost would: found
// on a sample of them (the order's first 65,536 past the salt, random by the order).
double MultiplierFor(const C_SpreadRecord::S_Plan& plan, const C_KeyedPermutation& order, const C_Cover& cover,
    const std::vector<float>& packed, uint64_t nBits, double* pSecondShare)
{
    const uint32_t nSample = std::min<uint32_t>(plan.nRecord, 1u << 16);
    std::vector<uint32_t> at(nSample);
    order.Fill(plan.nSalt, at);
    std::vector<int32_t> values(nSample);
    std::vector<float> plus(nSample), minus(nSample);
    for (size_t i = 0; i < at.size(); ++i) {
        values[i] = static_cast<int32_t>(ByteOf(packed[at[i]]));
        Directions(cover, cover.GuardsSteps(), packed[at[i]], at[i], plus[i], minus[i]);
    }
    const double fScale = double(nSample) / plan.nRecord;
    const double l = C_TrellisCoder::TernaryMultiplier(plus, minus, double(nBits) * fScale);
    if (l > 0 && pSecondShare)
        *pSecondShare = C_TrellisCoder::SecondLayerEntropy(values, plus, minus, l) / (double(nBits) * fScale);
    return l;
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
    return nLength >= uint64_t{kTagBytes} * 8 * PartsFor(nRecordElements) ? nLength : 0;
}

uint64_t C_SpreadRecord::LargestRecordBytes(uint32_t nRecordElements, uint64_t nLimitBits)
{
    // Each layer is rounded up to the ladder's next length, at most a step (2^(1/16)) and a
    // byte above what it carries.
    const uint64_t nLimit = std::min(nLimitBits, 2 * uint64_t{LengthAt(nRecordElements, 0)});
    if (nLimit < 16 + 8 * (kTagBytes + kMinRecordBytes))
        return 0;
    const uint64_t nBits = ((nLimit - 16) * kRates[1]) >> 31;
    return nBits / 8 > kTagBytes + kMinRecordBytes ? nBits / 8 - kTagBytes : 0;
}

uint32_t C_SpreadRecord::LengthFor(uint32_t nRecordElements, uint64_t nBits)
{
    uint32_t nBest = 0;
    for (unsigned k = 0; k < kMaxStep; ++k) {
        const uint32_t nLength = LengthAt(nRecordElements, k);
        if (nLength == 0 || nLength < nBits)
            break;
        nBest = nLength;
    }
    return nBest;
}

C_SpreadRecord::S_Draws C_SpreadRecord::FreshDraws()
{
    S_Draws draws;
    C_SecretBytes::SodiumReady();
    randombytes_buf(draws.salt.data(), draws.salt.size());
    // The picture's own bits keep any table of guesses computed ahead of it out of reach; 16
    // fresh ones keep two seals of one picture under one pass phrase from sharing their keys.
    draws.bMostFromPicture = true;
    randombytes_buf(draws.nonce.data(), draws.nonce.size());
    draws.fnDirections = [](uint8_t* p, size_t n) { randombytes_buf(p, n); };
    return draws;
}

std::array<uint8_t, 64> C_SpreadRecord::FastKeys(std::string_view strPassphrase, uint32_t nElements)
{
    std::array<uint8_t, 64> keys{};
    crypto_generichash_state state;
    uint8_t aCount[4];
    C_LittleEndian::Put32(aCount, nElements);
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
    return SaltOf(C_KeyedPermutation(fast.Order(), nBytes), plan.nSalt, fast.SaltSeed(), pBits);
}

E_RecordOutcome C_SpreadRecord::Seal(const C_Cover& cover, std::string_view strName, const std::vector<uint8_t>& stored,
    bool bCompressed, std::string_view strPassphrase, const T_MaxBits& fnMaxBits, const S_Draws& draws,
    const std::function<void()>& fnBeforeWrite, S_Lengths* pLengths, std::vector<float>* pWeighed)
{
    if (strName.size() > UINT16_MAX)
        return E_RecordOutcome::TooLarge;
    const C_SecretBytes inner = C_SealedRecord::InnerRecord(strName, stored, bCompressed);
    return SealBody(cover, inner, kVersion, strPassphrase, fnMaxBits, draws, fnBeforeWrite, pLengths, pWeighed);
}

E_RecordOutcome C_SpreadRecord::SealBody(const C_Cover& cover, const C_SecretBytes& body, uint8_t nVersion,
    std::string_view strPassphrase, const T_MaxBits& fnMaxBits, const S_Draws& draws,
    const std::function<void()>& fnBeforeWrite, S_Lengths* pLengths, std::vector<float>* pWeighed)
{
    uint8_t* pBits = cover.LowBytes();
    const uint32_t nElements = pBits ? cover.Size() : 0;
    const S_Plan plan = PlanFor(nElements);
    const uint64_t nNeeded = BodyRecordBytes(body.Size());
    // Both layers' tags at least, within the ladder's longest lengths.
    if (LengthAt(plan.nRecord, 0) == 0 || 8 * (nNeeded + kTagBytes) > 2 * uint64_t{LengthAt(plan.nRecord, 0)})
        return E_RecordOutcome::TooLarge;

    std::vector<float> costs;
    if (pWeighed) {
        if (pWeighed->size() == nElements)
            costs = std::move(*pWeighed);
        pWeighed->clear();
    }
    const S_FastKeys fast(strPassphrase, nElements);
    const C_KeyedPermutation order(fast.Order(), nElements);
    const uint64_t nBits = 8 * (nNeeded + kTagBytes);
    std::array<uint8_t, kSaltBytes> salt = draws.salt;
    // Where the salt's code is small, it picks the bits not drawn itself (the key waits for it);
    // elsewhere they are what the picture gives now, and its share of the changes is slight.
    const bool bFreeSalt = draws.bMostFromPicture && plan.nSalt <= kFreeSaltElements;
    if (draws.bMostFromPicture && !bFreeSalt) {
        const std::array<uint8_t, kSaltBytes> own = SaltOf(order, plan.nSalt, fast.SaltSeed(), pBits);
        for (size_t i = 0; i < kSaltBytes; ++i)
            salt[i] = static_cast<uint8_t>((salt[i] & kDrawnSaltMask) | (own[i] & ~kDrawnSaltMask));
    }
    std::vector<uint8_t> saltBits = BitsOf(salt.data(), kSaltBytes);
    S_Lengths lengths;
    double l = 0;
    std::vector<uint32_t> saltChanges;
    uint64_t nMaxBits = UINT64_MAX;
    bool bWeighed = false;
    const auto Weigh = [&] {
        if (costs.size() != nElements && (!cover.Weigh(costs) || costs.size() != nElements))
            return false;
        nMaxBits = fnMaxBits ? fnMaxBits(costs) : UINT64_MAX;
        Pack(costs, pBits);
        bWeighed = true;
        return true;
    };
    // All that needs no key: the costs, the layers' lengths and the salt's code.
    const auto Prepare = [&] {
        if (!bWeighed && !Weigh())
            return E_RecordOutcome::Refused;
        // The layers' lengths: the second near the share the least cost gives it, each on the
        // ladder, together at least the record and the first layer's tag.
        double fSecondShare = 0.5;
        l = MultiplierFor(plan, order, cover, costs, nBits, &fSecondShare);
        if (!(l > 0))
            return E_RecordOutcome::TooLarge;
        lengths.nSecond = LengthFor(plan.nRecord, static_cast<uint64_t>(fSecondShare * double(nBits)));
        lengths.nFirst = LengthFor(plan.nRecord, nBits > lengths.nSecond ? nBits - lengths.nSecond : 1);
        if (lengths.nSecond == 0 || lengths.nFirst == 0 || lengths.Bits() < nBits || lengths.Bits() > nMaxBits)
            return E_RecordOutcome::TooLarge;
        if (bFreeSalt)
            return E_RecordOutcome::Hidden;
        return CodeSalt(plan.nSalt, fast.SaltSeed(), order, costs, false, saltBits, saltChanges)
            ? E_RecordOutcome::Hidden
            : E_RecordOutcome::TooLarge;
    };
    if (bFreeSalt) {
        try {
            if (!Weigh())
                return E_RecordOutcome::Refused;
            if (!CodeSalt(plan.nSalt, fast.SaltSeed(), order, costs, true, saltBits, saltChanges))
                return E_RecordOutcome::TooLarge;
        } catch (const std::bad_alloc&) {
            return E_RecordOutcome::NoMemory;
        }
        BytesOf(saltBits.data(), saltBits.size(), salt.data());
    }

    // The key derivation takes one core for a third of a second: what needs no key takes the others.
    C_SealedRecord::S_Keys keys;
    bool bDerived = false;
    E_RecordOutcome ePrepared = E_RecordOutcome::NoMemory;
    {
        S_JoinedThread derive;
        try {
            derive.thread = std::thread([&] { bDerived = C_SealedRecord::Derive(strPassphrase, salt.data(), keys); });
        } catch (const std::system_error&) {
            // No thread to be had: one after the other.
            bDerived = C_SealedRecord::Derive(strPassphrase, salt.data(), keys);
        }
        try {
            ePrepared = Prepare();
        } catch (const std::bad_alloc&) {
            ePrepared = E_RecordOutcome::NoMemory;
        }
    }
    if (ePrepared != E_RecordOutcome::Hidden)
        return ePrepared;
    if (!bDerived)
        return E_RecordOutcome::NoMemory;

    // The record: tag | nonce | ciphertext of (length | inner record | zeros).
    const uint32_t nRecord = lengths.RecordBytes();
    const uint32_t nCipher = nRecord - kHeadBytes;
    C_SecretBytes plain(nCipher - kMacBytes);
    std::memset(plain.Data(), 0, plain.Size());
    C_LittleEndian::Put32(plain.Data(), static_cast<uint32_t>(body.Size()));
    if (body.Size())
        std::memcpy(plain.Data() + kLengthBytes, body.Data(), body.Size());
    // The first layer's message begins with the second tag; the record follows it there.
    std::vector<uint8_t> record(kTagBytes + nRecord);
    uint8_t* pHead = record.data() + kTagBytes;
    std::memcpy(pHead, keys.aTag.data(), kTagBytes);
    std::memcpy(pHead + kTagBytes, draws.nonce.data(), kNonceBytes);
    const C_SealedRecord::T_Associated ad = C_SealedRecord::AssociatedData(keys.aTag.data(), nVersion, nCipher);
    unsigned long long nWritten = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(pHead + kHeadBytes, &nWritten, plain.Data(), plain.Size(), ad.data(),
        ad.size(), nullptr, pHead + kTagBytes, keys.aCipher.data());
    plain.Wipe();
    const std::vector<uint8_t> recordBits = BitsOf(pHead, nRecord);
    const std::vector<uint8_t> second(recordBits.begin(), recordBits.begin() + lengths.nSecond);
    std::vector<uint8_t> first = BitsOf(SecondTag(keys), kTagBytes);
    first.insert(first.end(), recordBits.begin() + lengths.nSecond, recordBits.end());

    const std::vector<S_Part> parts = PartsOf(plan, lengths);
    C_TrellisCoder coder(RecordSeed(keys), HeightFor(plan.nRecord));
    // At the lowest heights a whole part's path then fits, and the forward pass runs once.
    coder.SetPathMemoryLimit(kPartPathMemory);
    std::vector<std::vector<S_Change>> changes;
    const auto CodeAll = [&](bool bSalt) {
        changes.assign(parts.size(), {});
        std::atomic<bool> bAll{true};
        C_ParallelTasks::Run(parts.size() + (bSalt ? 1 : 0), [&](size_t t) {
            if (!bAll)
                return;
            const bool bDone = t == parts.size()
                ? CodeSalt(plan.nSalt, fast.SaltSeed(), order, costs, false, saltBits, saltChanges)
                : CodePart(parts[t], coder, l, order, cover, costs, second, first, changes[t]);
            if (!bDone)
                bAll = false;
        });
        return bAll.load();
    };
    try {
        if (!CodeAll(false))
            return E_RecordOutcome::TooLarge;
        if (fnBeforeWrite) {
            // What it clears lies under our code: when it changed a byte, code again on what it
            // left (the salt too), and put it back should that fail.
            const std::vector<uint8_t> before(pBits, pBits + nElements + 1);
            fnBeforeWrite();
            if (!std::equal(before.begin(), before.end(), pBits)) {
                Pack(costs, pBits);
                if (!CodeAll(true)) {
                    std::copy(before.begin(), before.end(), pBits);
                    return E_RecordOutcome::TooLarge;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return E_RecordOutcome::NoMemory;
    }

    // The record's moves are the code's; each of the salt's goes the way the cover allows, a
    // coin toss where both are. A move the cover no longer allows (a neighbouring change made it
    // show a colour key) is made all the same: the bits must read back.
    for (const auto& list : changes)
        for (const S_Change& change : list)
            pBits[change.nElement] = static_cast<uint8_t>(pBits[change.nElement] + change.nStep);
    std::vector<uint8_t> coins((saltChanges.size() + 7) / 8);
    // A salt whose drawn bits the picture already held needs no change and no coin.
    if (draws.fnDirections && !coins.empty())
        draws.fnDirections(coins.data(), coins.size());
    for (size_t i = 0; i < saltChanges.size(); ++i) {
        const uint32_t k = saltChanges[i];
        const unsigned nSteps = cover.StepsOf(k);
        const bool bCoin = coins[i / 8] >> (i % 8) & 1;
        bool bUp = nSteps == C_Cover::kStepUp || (nSteps != C_Cover::kStepDown && bCoin);
        if (nSteps == 0)
            bUp = pBits[k] < 255;
        pBits[k] = static_cast<uint8_t>(bUp ? pBits[k] + 1 : pBits[k] - 1);
    }
    if (pLengths)
        *pLengths = lengths;
    return E_RecordOutcome::Hidden;
}

E_RevealOutcome C_SpreadRecord::Open(
    const uint8_t* pBits, uint32_t nBytes, std::string_view strPassphrase, C_SealedContent& content)
{
    content.Clear();
    C_SecretBytes body;
    uint8_t nVersion = 0;
    const E_RevealOutcome eOutcome = OpenBody(pBits, nBytes, strPassphrase, body, nVersion);
    if (eOutcome != E_RevealOutcome::Found)
        return eOutcome;
    if (nVersion == kShareVersion) {
        content.SetShare(std::move(body));
        return E_RevealOutcome::Share;
    }
    return C_SealedRecord::OpenInner(std::move(body), content);
}

E_RevealOutcome C_SpreadRecord::OpenBody(
    const uint8_t* pBits, uint32_t nBytes, std::string_view strPassphrase, C_SecretBytes& body, uint8_t& nVersion)
{
    body = C_SecretBytes();
    nVersion = 0;
    const S_Plan plan = PlanFor(pBits ? nBytes : 0);
    if (plan.nSalt < kSaltBits || LengthAt(plan.nRecord, 0) == 0)
        return E_RevealOutcome::NotFound;
    const S_FastKeys fast(strPassphrase, nBytes);
    // The key derivation takes one core for a third of a second: the order takes the others.
    C_SealedRecord::S_Keys keys;
    bool bDerived = false;
    std::vector<uint8_t> ordered;
    try {
        const C_KeyedPermutation order(fast.Order(), nBytes);
        const std::array<uint8_t, kSaltBytes> salt = SaltOf(order, plan.nSalt, fast.SaltSeed(), pBits);
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

    // Each layer's length: the ladder's first whose tag the first part's first bits give.
    const C_TrellisCoder coder(RecordSeed(keys), HeightFor(plan.nRecord));
    const uint32_t nParts = PartsFor(plan.nRecord);
    const auto nFirstPart = static_cast<uint32_t>(uint64_t{plan.nRecord} / nParts);
    std::vector<uint8_t> layer(nFirstPart);
    int nWrong = 0;
    const auto FindLength = [&](unsigned nBit, const uint8_t* pTag) -> uint32_t {
        for (uint32_t i = 0; i < nFirstPart; ++i)
            layer[i] = ordered[plan.nSalt + i] >> nBit & 1;
        std::vector<uint8_t> bits;
        uint32_t nTried = 0;
        for (unsigned k = 0; k < kMaxStep; ++k) {
            const uint32_t nLength = LengthAt(plan.nRecord, k);
            if (nLength == 0)
                break;
            if (nLength == nTried)
                continue;
            nTried = nLength;
            coder.Extract(layer, nLength / nParts, bits, kTagBytes * 8);
            uint8_t aTag[kTagBytes];
            BytesOf(bits.data(), bits.size(), aTag);
            nWrong = 0;
            for (uint32_t i = 0; i < kTagBytes; ++i)
                nWrong += std::popcount(static_cast<unsigned>(aTag[i] ^ pTag[i]));
            if (nWrong <= kTagTolerance)
                return nLength;
        }
        return 0;
    };
    S_Lengths lengths;
    lengths.nSecond = FindLength(1, keys.aTag.data());
    if (lengths.nSecond == 0)
        return E_RevealOutcome::NotFound;
    // The record is here: from now on anything that does not add up is damage.
    // The second tag is no part of what the cipher authenticates: it must read back exactly.
    lengths.nFirst = FindLength(0, SecondTag(keys));
    if (lengths.nFirst == 0 || nWrong != 0 || lengths.RecordBytes() < kMinRecordBytes)
        return E_RevealOutcome::Damaged;

    std::vector<uint8_t> second(lengths.nSecond), first(lengths.nFirst);
    std::vector<uint8_t> bits;
    std::vector<uint8_t> cover;
    for (const S_Part& part : PartsOf(plan, lengths))
        for (const unsigned nBit : {1u, 0u}) {
            cover.resize(part.nCount);
            for (uint32_t i = 0; i < part.nCount; ++i)
                cover[i] = ordered[part.nFirst + i] >> nBit & 1;
            const size_t nFrom = nBit ? part.nSecondFrom : part.nFirstFrom;
            const size_t nTo = nBit ? part.nSecondTo : part.nFirstTo;
            coder.Extract(cover, nTo - nFrom, bits);
            std::copy(bits.begin(), bits.end(), (nBit ? second : first).begin() + static_cast<std::ptrdiff_t>(nFrom));
        }
    std::vector<uint8_t> record(lengths.RecordBytes());
    second.insert(second.end(), first.begin() + kTagBytes * 8, first.end());
    BytesOf(second.data(), second.size(), record.data());
    const uint32_t nCipher = lengths.RecordBytes() - kHeadBytes;
    // The tag as read goes into the associated data, so a changed tag bit fails as well. A file
    // authenticates with version 2, a share with 3: the same keys, one more check.
    C_SecretBytes plain(nCipher - kMacBytes);
    const auto Decrypt = [&](uint8_t nTry) {
        const C_SealedRecord::T_Associated ad = C_SealedRecord::AssociatedData(record.data(), nTry, nCipher);
        unsigned long long nPlain = 0;
        return crypto_aead_xchacha20poly1305_ietf_decrypt(plain.Data(), &nPlain, nullptr, record.data() + kHeadBytes,
                   nCipher, ad.data(), ad.size(), record.data() + kTagBytes, keys.aCipher.data())
            == 0;
    };
    uint8_t nOpened = kVersion;
    if (!Decrypt(nOpened)) {
        nOpened = kShareVersion;
        if (!Decrypt(nOpened))
            return E_RevealOutcome::Damaged;
    }
    const uint32_t nInner = C_LittleEndian::U32(plain.Data());
    if (uint64_t{nInner} + kLengthBytes > plain.Size())
        return E_RevealOutcome::Damaged;
    const uint8_t* pPad = plain.Data() + kLengthBytes + nInner;
    const uint8_t* pEnd = plain.Data() + plain.Size();
    if (std::any_of(pPad, pEnd, [](uint8_t b) { return b != 0; }))
        return E_RevealOutcome::Damaged;
    C_SecretBytes inner(nInner);
    if (nInner)
        std::memcpy(inner.Data(), plain.Data() + kLengthBytes, nInner);
    plain.Wipe();
    body = std::move(inner);
    nVersion = nOpened;
    return E_RevealOutcome::Found;
}
