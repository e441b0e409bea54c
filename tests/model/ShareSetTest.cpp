// A file across pictures, at the level of the share set and the erasure code (no pictures, no
// key derivation): the vectors of docs/share-record.md (computed outside this code by
// tests/docs/share_reader.py, with field arithmetic of its own), every subset of every set up to
// five shares (one fragment each, and as many as unequal rooms give), the cut the writer picks,
// and bodies a hostile picture could hold.

#include "model/records/C_ErasureCode.h"
#include "model/records/C_Message.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SharePlan.h"
#include "model/records/C_ShareSet.h"

#include "tests/support/C_TestBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

C_ShareSet::S_Draws VectorDraws()
{
    C_ShareSet::S_Draws draws;
    for (size_t i = 0; i < draws.setId.size(); ++i)
        draws.setId[i] = static_cast<uint8_t>(i);
    for (size_t i = 0; i < draws.key.size(); ++i)
        draws.key[i] = static_cast<uint8_t>(0x20 + i);
    for (size_t i = 0; i < draws.nonce.size(); ++i)
        draws.nonce[i] = static_cast<uint8_t>(0x40 + i);
    return draws;
}

std::vector<C_ShareSet::S_Share> Parsed(const std::vector<std::vector<uint8_t>>& bodies, unsigned nMask)
{
    std::vector<C_ShareSet::S_Share> shares;
    for (size_t i = 0; i < bodies.size(); ++i)
        if (nMask >> i & 1) {
            C_ShareSet::S_Share share;
            EXPECT_TRUE(C_ShareSet::Parse(bodies[i].data(), bodies[i].size(), share));
            shares.push_back(share);
        }
    return shares;
}

C_SecretBytes Inner(const std::string& strName, const std::vector<uint8_t>& payload)
{
    return C_SealedRecord::InnerRecord(strName, payload, false);
}

}  // namespace

TEST(ShareSet, TheDocumentsVectors)
{
    // The Cauchy rows as gf_gen_cauchy1_matrix builds them: 1 / (i xor j) in GF(2^8), 0x11d.
    const C_ErasureCode code(3, 5);
    ASSERT_TRUE(code.Valid());
    EXPECT_EQ(C_TestBytes::Hex(code.Matrix().data() + 9, 3), "f48e01");
    EXPECT_EQ(C_TestBytes::Hex(code.Matrix().data() + 12, 3), "47a77a");
    EXPECT_EQ(C_TestBytes::Hex(code.Matrix().data(), 9), "010000000100000001");

    const std::string strPayload = "hi!";
    const C_SecretBytes inner = Inner("a.txt", std::vector<uint8_t>(strPayload.begin(), strPayload.end()));
    EXPECT_EQ(C_TestBytes::Hex(inner.Data(), inner.Size()), "000500612e747874686921");
    const std::string strSet = "000102030405060708090a0b0c0d0e0f0203";
    const auto ExpectRestored = [](const std::vector<C_ShareSet::S_Share>& shares, unsigned nMask) {
        C_SealedContent content;
        ASSERT_EQ(C_ShareSet::Join(shares, content), C_ShareSet::E_Join::Joined) << nMask;
        EXPECT_EQ(content.GetName(), "a.txt");
        C_Message message;
        ASSERT_EQ(content.ExtractTo(message), C_SealedContent::E_Extract::Done);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(message.GetData()), message.m_nSize), "hi!");
    };

    // One fragment a picture: D = 2, T = 3, F = 42.
    std::vector<std::vector<uint8_t>> bodies = C_ShareSet::Split(inner, 2, 3, VectorDraws());
    ASSERT_EQ(bodies.size(), 3u);
    EXPECT_EQ(C_TestBytes::Hex(bodies[0].data(), bodies[0].size()),
        strSet + "005300000002030001"
            + "404142434445464748494a4b4c4d4e4f50515253545556573a246dc8081285ab1f17ceee366688662396");
    EXPECT_EQ(C_TestBytes::Hex(bodies[1].data(), bodies[1].size()),
        strSet + "015300000002030101"
            + "fa590eca78724291d0166717c6c9d70ab42f82c6e2503e1d2b5bd3ef6040ea30d7c7d3fe917f3c2f9e00");
    EXPECT_EQ(C_TestBytes::Hex(bodies[2].data(), bodies[2].size()),
        strSet + "025300000002030201"
            + "7699d0e90a821d299f53f3a664ef6aaf444857e57494caae04d002ca24c261cbcc33ddd69fed50dd1e4b");
    // Any two give the file back, parity first or not.
    for (const unsigned nMask : {3u, 5u, 6u}) {
        std::vector<C_ShareSet::S_Share> shares = Parsed(bodies, nMask);
        std::swap(shares[0], shares[1]);
        ExpectRestored(shares, nMask);
    }

    // Unequal: m = (1, 2, 2), so D = 1 + 2 = 3, T = 5, F = 28; share 1 holds the last two data
    // fragments, share 2 the two parity ones.
    bodies = C_ShareSet::Split(inner, C_SharePlan(2, {1, 2, 2}), VectorDraws());
    ASSERT_EQ(bodies.size(), 3u);
    EXPECT_EQ(C_TestBytes::Hex(bodies[0].data(), bodies[0].size()),
        strSet + "005300000003050001" + "404142434445464748494a4b4c4d4e4f50515253545556573a246dc8");
    EXPECT_EQ(C_TestBytes::Hex(bodies[1].data(), bodies[1].size()),
        strSet + "015300000003050102" + "081285ab1f17cebc282fc06983a00f2d3e50efa034d332eaa3c3eca9"
            + "ffd81a6fa824333e3bac8980bddea43f2d4605af270052f20b908500");
    EXPECT_EQ(C_TestBytes::Hex(bodies[2].data(), bodies[2].size()),
        strSet + "025300000003050302" + "30eee87e15699d5d17f92403bdb5176902aa39cefad47941c2632369"
            + "e58216c077a876536b3d110d25515b57c8a98441c8cfdf902d0e7de4");
    for (const unsigned nMask : {3u, 5u, 6u}) {
        std::vector<C_ShareSet::S_Share> shares = Parsed(bodies, nMask);
        std::swap(shares[0], shares[1]);
        ExpectRestored(shares, nMask);
    }
    // One share holds at most two of the three data fragments' worth.
    for (const unsigned nMask : {1u, 2u, 4u}) {
        C_SecretBytes joined;
        EXPECT_EQ(C_ShareSet::JoinInner(Parsed(bodies, nMask), joined), C_ShareSet::E_Join::TooFew) << nMask;
    }
}

TEST(ShareSet, AnyKOfNRestoreAndFewerGiveNothing)
{
    for (unsigned n = 1; n <= 5; ++n)
        for (unsigned k = 1; k <= n; ++k) {
            // Lengths that leave the package a whole number of fragments and ones that pad it.
            for (const size_t nPayload : {size_t{0}, size_t{1}, size_t{97} + k}) {
                const std::vector<uint8_t> payload = C_TestBytes::Random(nPayload, 100 * n + 10 * k);
                const C_SecretBytes inner = Inner("f.bin", payload);
                const std::vector<std::vector<uint8_t>> bodies =
                    C_ShareSet::Split(inner, k, n, C_ShareSet::FreshDraws());
                ASSERT_EQ(bodies.size(), n);
                const uint64_t nFragment = (C_ShareSet::PackageBytes(inner.Size()) + k - 1) / k;
                for (const auto& body : bodies)
                    ASSERT_EQ(body.size(), C_ShareSet::kBodyHeadBytes + nFragment);
                for (unsigned nMask = 1; nMask < (1u << n); ++nMask) {
                    const auto nCount = static_cast<unsigned>(__builtin_popcount(nMask));
                    if (nCount < k - 1)
                        continue;
                    std::vector<C_ShareSet::S_Share> shares = Parsed(bodies, nMask);
                    // Reversed: the order the pictures come in does not matter.
                    if (nMask & 1)
                        std::reverse(shares.begin(), shares.end());
                    C_SecretBytes joined;
                    const C_ShareSet::E_Join eJoin = C_ShareSet::JoinInner(shares, joined);
                    if (nCount < k) {
                        EXPECT_EQ(eJoin, C_ShareSet::E_Join::TooFew) << n << " " << k << " " << nMask;
                        EXPECT_EQ(joined.Size(), 0u);
                        continue;
                    }
                    ASSERT_EQ(eJoin, C_ShareSet::E_Join::Joined) << n << " " << k << " " << nMask;
                    EXPECT_EQ(
                        C_TestBytes::Hex(joined.Data(), joined.Size()), C_TestBytes::Hex(inner.Data(), inner.Size()));
                }
                // k - 1 shares with one of them repeated are still too few.
                if (k >= 2) {
                    std::vector<C_ShareSet::S_Share> shares = Parsed(bodies, (1u << (k - 1)) - 1);
                    shares.push_back(shares.front());
                    C_SecretBytes joined;
                    EXPECT_EQ(C_ShareSet::JoinInner(shares, joined), C_ShareSet::E_Join::TooFew);
                }
            }
        }
}

TEST(ShareSet, OtherSetsArePassedOverAndAChangedFragmentIsDamage)
{
    const C_SecretBytes inner = Inner("a", C_TestBytes::Random(300, 7));
    const C_SecretBytes other = Inner("b", C_TestBytes::Random(300, 8));
    const auto first = C_ShareSet::Split(inner, 2, 3, C_ShareSet::FreshDraws());
    const auto second = C_ShareSet::Split(other, 2, 3, C_ShareSet::FreshDraws());
    // One share of the second set among two of the first: the first's are joined.
    std::vector<C_ShareSet::S_Share> shares = Parsed(first, 1);
    shares.push_back(Parsed(second, 2).front());
    shares.push_back(Parsed(first, 4).front());
    C_SecretBytes joined;
    ASSERT_EQ(C_ShareSet::JoinInner(shares, joined), C_ShareSet::E_Join::Joined);
    EXPECT_EQ(C_TestBytes::Hex(joined.Data(), joined.Size()), C_TestBytes::Hex(inner.Data(), inner.Size()));
    EXPECT_EQ(C_ShareSet::CountOfSet(shares, 0).nShares, 2u);
    EXPECT_TRUE(C_ShareSet::CountOfSet(shares, 0).bEnough);
    EXPECT_EQ(C_ShareSet::CountOfSet(shares, 1).nShares, 1u);
    EXPECT_FALSE(C_ShareSet::CountOfSet(shares, 1).bEnough);

    // A changed byte anywhere in a fragment: the package no longer authenticates (the key or
    // the ciphertext changed), and no file comes out.
    for (size_t nAt = 0; nAt < first[1].size() - C_ShareSet::kBodyHeadBytes; nAt += 37) {
        std::vector<C_ShareSet::S_Share> changed = Parsed(first, 3);
        changed[1].fragments[nAt] ^= 0x10;
        EXPECT_EQ(C_ShareSet::JoinInner(changed, joined), C_ShareSet::E_Join::Damaged) << nAt;
    }
    // Shares of one set told apart from another's by their set id alone are not mixed.
    std::vector<C_ShareSet::S_Share> mixed = Parsed(first, 1);
    C_ShareSet::S_Share foreign = Parsed(second, 2).front();
    foreign.setId = mixed[0].setId;
    foreign.nPackage = mixed[0].nPackage;
    mixed.push_back(foreign);
    EXPECT_EQ(C_ShareSet::JoinInner(mixed, joined), C_ShareSet::E_Join::Damaged);
}

TEST(ShareSet, UnequalSharesAnyKRestoreAndFewerGiveNothing)
{
    // Rooms of pictures far apart in size; every set of up to five of them, every k.
    const std::vector<uint64_t> all = {400, 2500, 900, 5000, 700};
    for (size_t n = 2; n <= all.size(); ++n)
        for (unsigned k = 1; k <= n; ++k) {
            const std::span<const uint64_t> rooms(all.data(), n);
            const uint64_t nLargest = C_SharePlan::LargestPackage(rooms, k);
            ASSERT_GE(nLargest, C_ShareSet::kMinPackageBytes);
            for (const uint64_t nPackage : {nLargest, nLargest / 2 + 1}) {
                C_SharePlan plan;
                ASSERT_TRUE(C_SharePlan::ForPackage(rooms, k, nPackage, plan)) << n << " " << k;
                const size_t nPayload = nPackage - C_ShareSet::kPackageOverhead - 3 - 5;
                const C_SecretBytes inner = Inner("f.bin", C_TestBytes::Random(nPayload, 10 * n + k));
                ASSERT_EQ(C_ShareSet::PackageBytes(inner.Size()), nPackage);
                const std::vector<std::vector<uint8_t>> bodies =
                    C_ShareSet::Split(inner, plan, C_ShareSet::FreshDraws());
                ASSERT_EQ(bodies.size(), n);
                for (size_t i = 0; i < n; ++i)
                    EXPECT_LE(bodies[i].size(), rooms[i]) << n << " " << k << " " << i;
                for (unsigned nMask = 1; nMask < (1u << n); ++nMask) {
                    std::vector<C_ShareSet::S_Share> shares = Parsed(bodies, nMask);
                    std::reverse(shares.begin(), shares.end());
                    C_SecretBytes joined;
                    const C_ShareSet::E_Join eJoin = C_ShareSet::JoinInner(shares, joined);
                    if (static_cast<unsigned>(__builtin_popcount(nMask)) < k) {
                        EXPECT_EQ(eJoin, C_ShareSet::E_Join::TooFew) << n << " " << k << " " << nMask;
                        continue;
                    }
                    ASSERT_EQ(eJoin, C_ShareSet::E_Join::Joined) << n << " " << k << " " << nMask;
                    EXPECT_EQ(
                        C_TestBytes::Hex(joined.Data(), joined.Size()), C_TestBytes::Hex(inner.Data(), inner.Size()));
                }
            }
        }

    // A cut no writer of ours makes, where two pictures hold all D = 7 fragments though k = 3: a
    // reader restores from D fragments, however many pictures hold them.
    const C_SharePlan loose(3, {1, 1, 5, 5});
    ASSERT_TRUE(loose.Valid());
    EXPECT_FALSE(loose.FewerGiveNothing());
    const C_SecretBytes inner = Inner("g", C_TestBytes::Random(90, 4));
    const auto bodies = C_ShareSet::Split(inner, loose, C_ShareSet::FreshDraws());
    C_SecretBytes joined;
    EXPECT_EQ(C_ShareSet::JoinInner(Parsed(bodies, 0b1100), joined), C_ShareSet::E_Join::Joined);
    EXPECT_EQ(C_ShareSet::JoinInner(Parsed(bodies, 0b0101), joined), C_ShareSet::E_Join::TooFew);
}

TEST(SharePlan, EqualRoomsCutOneFragmentAPictureAndUnequalOnesHoldMore)
{
    const uint64_t nHead = C_ShareSet::kBodyHeadBytes;
    // Equal rooms: exactly one fragment each (D = k, T = n), k times a room's fragment.
    for (unsigned n = 2; n <= 6; ++n)
        for (unsigned k = 1; k <= n; ++k)
            for (const uint64_t nRoom : {uint64_t{200}, uint64_t{1001}, uint64_t{70000}}) {
                const std::vector<uint64_t> rooms(n, nRoom);
                const uint64_t nLargest = C_SharePlan::LargestPackage(rooms, k);
                EXPECT_EQ(nLargest, k * (nRoom - nHead));
                for (const uint64_t nPackage : {uint64_t{75}, nLargest / 2, nLargest}) {
                    C_SharePlan plan;
                    ASSERT_TRUE(C_SharePlan::ForPackage(rooms, k, nPackage, plan));
                    EXPECT_EQ(plan.DataFragments(), k);
                    EXPECT_EQ(plan.AllFragments(), n);
                }
                C_SharePlan plan;
                EXPECT_FALSE(C_SharePlan::ForPackage(rooms, k, nLargest + 1, plan));
            }

    // Unequal rooms, up to 64 pictures (T stays within 255): the largest package fits, one byte
    // more does not, fewer than k pictures never hold D fragments, and the package is never less
    // than k times the smallest room's fragment. With k = 2 or k = n, and rooms not too far apart,
    // it comes within a tenth of the k smallest rooms together.
    std::vector<std::vector<uint64_t>> sets = {
        {300, 700, 2000}, {1000, 1000, 50000, 3000}, {5000, 120, 900, 900, 40000}, {80, 81, 5000000}};
    std::vector<uint64_t> many;
    for (uint64_t i = 0; i < 64; ++i)
        many.push_back(2000 + i * i * 3000);
    sets.push_back(many);
    for (const std::vector<uint64_t>& rooms : sets)
        for (unsigned k = 1; k <= rooms.size(); k += (rooms.size() > 8 ? 7 : 1)) {
            std::vector<uint64_t> sorted = rooms;
            std::sort(sorted.begin(), sorted.end());
            uint64_t nBound = 0;
            for (unsigned j = 0; j < k; ++j)
                nBound += sorted[j] - nHead;
            const uint64_t nLargest = C_SharePlan::LargestPackage(rooms, k);
            EXPECT_GE(nLargest, k * (sorted[0] - nHead)) << rooms.size() << " " << k;
            EXPECT_LE(nLargest, nBound);
            // Unless T <= 255 binds: rooms far apart need more fragments of the smallest room's size.
            if ((k == 2 || k == rooms.size()) && nBound < 100 * (sorted[0] - nHead)) {
                EXPECT_GE(nLargest * 10, nBound * 9) << rooms.size() << " " << k;
            }
            C_SharePlan plan;
            EXPECT_FALSE(C_SharePlan::ForPackage(rooms, k, nLargest + 1, plan));
            for (const uint64_t nPackage : {nLargest, nLargest / 3}) {
                ASSERT_TRUE(C_SharePlan::ForPackage(rooms, k, nPackage, plan)) << rooms.size() << " " << k;
                EXPECT_LE(plan.AllFragments(), 255u);
                EXPECT_GE(plan.DataFragments() * plan.FragmentBytes(nPackage), nPackage);
                EXPECT_TRUE(plan.FewerGiveNothing()) << rooms.size() << " " << k;
                for (unsigned i = 0; i < rooms.size(); ++i)
                    EXPECT_LE(plan.BodyBytes(i, nPackage), rooms[i]);
            }
        }
    // No plan where the smallest room holds no fragment, nor for a k outside 1 .. n.
    EXPECT_EQ(C_SharePlan::LargestPackage(std::vector<uint64_t>{nHead, 5000}, 1), 0u);
    EXPECT_EQ(C_SharePlan::LargestPackage(std::vector<uint64_t>{500, 5000}, 3), 0u);
    EXPECT_EQ(C_SharePlan::LargestPackage(std::vector<uint64_t>{500, 5000}, 0), 0u);
}

TEST(ShareSet, HostileBodiesAreRefused)
{
    const C_SecretBytes inner = Inner("a", C_TestBytes::Random(50, 9));
    // Share 2 of m = (1, 2, 2): k 2, n 3, i 2, D 3, T 5, f 3, m 2.
    const auto bodies = C_ShareSet::Split(inner, C_SharePlan(2, {1, 2, 2}), C_ShareSet::FreshDraws());
    const std::vector<uint8_t> body = bodies[2];
    C_ShareSet::S_Share share;
    ASSERT_TRUE(C_ShareSet::Parse(body.data(), body.size(), share));
    EXPECT_EQ(share.k, 2u);
    EXPECT_EQ(share.n, 3u);
    EXPECT_EQ(share.index, 2u);
    EXPECT_EQ(share.nPackage, C_ShareSet::PackageBytes(inner.Size()));
    EXPECT_EQ(share.nData, 3u);
    EXPECT_EQ(share.nAll, 5u);
    EXPECT_EQ(share.nFirst, 3u);
    EXPECT_EQ(share.nCount, 2u);

    const auto Changed = [&](size_t nAt, uint8_t nValue) {
        std::vector<uint8_t> bad = body;
        bad[nAt] = nValue;
        return C_ShareSet::Parse(bad.data(), bad.size(), share);
    };
    EXPECT_FALSE(Changed(16, 0));     // k = 0
    EXPECT_FALSE(Changed(16, 4));     // k > n
    EXPECT_FALSE(Changed(17, 1));     // n < k
    EXPECT_FALSE(Changed(18, 3));     // index = n
    EXPECT_FALSE(Changed(18, 255));   // index past n
    EXPECT_FALSE(Changed(19, 0));     // another package length: the fragments' length no longer agrees
    EXPECT_FALSE(Changed(22, 0x80));  // a package length near 2^32
    EXPECT_FALSE(Changed(23, 0));     // D = 0
    EXPECT_FALSE(Changed(23, 6));     // D > T
    EXPECT_FALSE(Changed(24, 4));     // f + m > T
    EXPECT_FALSE(Changed(25, 4));     // f + m > T
    EXPECT_FALSE(Changed(25, 255));   // f past T
    EXPECT_FALSE(Changed(26, 0));     // m = 0
    EXPECT_FALSE(Changed(26, 1));     // one fragment, two fragments' bytes
    EXPECT_FALSE(C_ShareSet::Parse(body.data(), body.size() - 1, share));
    EXPECT_FALSE(C_ShareSet::Parse(body.data(), C_ShareSet::kBodyHeadBytes - 1, share));
    EXPECT_FALSE(C_ShareSet::Parse(nullptr, 0, share));
    std::vector<uint8_t> longer = body;
    longer.push_back(0);
    EXPECT_FALSE(C_ShareSet::Parse(longer.data(), longer.size(), share));

    // Two shares (k) whose ranges overlap hold two of the three fragments: damaged, not too few.
    std::vector<C_ShareSet::S_Share> overlapping = Parsed(bodies, 3);
    overlapping[1].nFirst = 0;
    C_SecretBytes joined;
    EXPECT_EQ(C_ShareSet::JoinInner(overlapping, joined), C_ShareSet::E_Join::Damaged);
    // A share whose fragments were cut short is damaged, not read past.
    std::vector<C_ShareSet::S_Share> shortened = Parsed(bodies, 6);
    shortened[1].fragments.pop_back();
    EXPECT_EQ(C_ShareSet::JoinInner(shortened, joined), C_ShareSet::E_Join::Damaged);

    // The shapes a split refuses.
    EXPECT_TRUE(C_ShareSet::Split(inner, 0, 3, C_ShareSet::FreshDraws()).empty());
    EXPECT_TRUE(C_ShareSet::Split(inner, 4, 3, C_ShareSet::FreshDraws()).empty());
    EXPECT_TRUE(C_ShareSet::Split(inner, 2, 256, C_ShareSet::FreshDraws()).empty());
    EXPECT_TRUE(C_ShareSet::Split(inner, C_SharePlan(2, {200, 50, 6}), C_ShareSet::FreshDraws()).empty());
    EXPECT_TRUE(C_ShareSet::Split(inner, C_SharePlan(2, {1, 0, 1}), C_ShareSet::FreshDraws()).empty());
    EXPECT_EQ(C_ShareSet::Split(inner, 255, 255, C_ShareSet::FreshDraws()).size(), 255u);
}
