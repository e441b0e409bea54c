// A file across pictures, at the level of the share set and the erasure code (no pictures, no
// key derivation): the vectors of docs/share-record.md (computed outside this code by
// tests/docs/share_reader.py, with field arithmetic of its own), every subset of every set up to
// five shares, and bodies a hostile picture could hold.

#include "model/records/C_ErasureCode.h"
#include "model/records/C_Message.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SealedRecord.h"
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
    const std::vector<std::vector<uint8_t>> bodies = C_ShareSet::Split(inner, 2, 3, VectorDraws());
    ASSERT_EQ(bodies.size(), 3u);
    const std::string strHead = "000102030405060708090a0b0c0d0e0f0203";
    EXPECT_EQ(C_TestBytes::Hex(bodies[0].data(), bodies[0].size()),
        strHead + "0053000000404142434445464748494a4b4c4d4e4f50515253545556573a246dc8081285ab1f17cebabc49239e3b82");
    EXPECT_EQ(C_TestBytes::Hex(bodies[1].data(), bodies[1].size()),
        strHead + "015300000073c43fdaa8d82daa4799b5c1a8c03a70805d8998de155d2fb8c85a505e1190e7f9fd6a2b4676a864d600");
    EXPECT_EQ(C_TestBytes::Hex(bodies[2].data(), bodies[2].size()),
        strHead + "0253000000fa193412b1e438cb19ddbd1fb5e83172a366a524605ceb4b75a18e54c506bc86d625414497730c982a41");

    // Any two give the file back, parity first or not.
    for (const unsigned nMask : {3u, 5u, 6u}) {
        C_SealedContent content;
        std::vector<C_ShareSet::S_Share> shares = Parsed(bodies, nMask);
        std::swap(shares[0], shares[1]);
        ASSERT_EQ(C_ShareSet::Join(shares, content), C_ShareSet::E_Join::Joined) << nMask;
        EXPECT_EQ(content.GetName(), "a.txt");
        C_Message message;
        ASSERT_EQ(content.ExtractTo(message), C_SealedContent::E_Extract::Done);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(message.GetData()), message.m_nSize), "hi!");
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
                for (const auto& body : bodies)
                    ASSERT_EQ(body.size(), C_ShareSet::BodyBytes(inner.Size(), k));
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
    EXPECT_EQ(C_ShareSet::DistinctOfSet(shares, 0), 2u);
    EXPECT_EQ(C_ShareSet::DistinctOfSet(shares, 1), 1u);

    // A changed byte anywhere in a fragment: the package no longer authenticates (the key or
    // the ciphertext changed), and no file comes out.
    for (size_t nAt = 0; nAt < first[1].size() - C_ShareSet::kBodyHeadBytes; nAt += 37) {
        std::vector<C_ShareSet::S_Share> changed = Parsed(first, 3);
        changed[1].fragment[nAt] ^= 0x10;
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

TEST(ShareSet, HostileBodiesAreRefused)
{
    const C_SecretBytes inner = Inner("a", C_TestBytes::Random(50, 9));
    const std::vector<uint8_t> body = C_ShareSet::Split(inner, 2, 3, C_ShareSet::FreshDraws())[2];
    C_ShareSet::S_Share share;
    ASSERT_TRUE(C_ShareSet::Parse(body.data(), body.size(), share));
    EXPECT_EQ(share.k, 2u);
    EXPECT_EQ(share.n, 3u);
    EXPECT_EQ(share.index, 2u);
    EXPECT_EQ(share.nPackage, C_ShareSet::PackageBytes(inner.Size()));

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
    EXPECT_FALSE(Changed(19, 0));     // another package length: the fragment's length no longer agrees
    EXPECT_FALSE(Changed(22, 0x80));  // a package length near 2^32
    EXPECT_FALSE(C_ShareSet::Parse(body.data(), body.size() - 1, share));
    EXPECT_FALSE(C_ShareSet::Parse(body.data(), C_ShareSet::kBodyHeadBytes - 1, share));
    EXPECT_FALSE(C_ShareSet::Parse(nullptr, 0, share));
    std::vector<uint8_t> longer = body;
    longer.push_back(0);
    EXPECT_FALSE(C_ShareSet::Parse(longer.data(), longer.size(), share));

    // The shapes a split refuses, and the sizes a fit test counts on.
    EXPECT_TRUE(C_ShareSet::Split(inner, 0, 3, C_ShareSet::FreshDraws()).empty());
    EXPECT_TRUE(C_ShareSet::Split(inner, 4, 3, C_ShareSet::FreshDraws()).empty());
    EXPECT_TRUE(C_ShareSet::Split(inner, 2, 256, C_ShareSet::FreshDraws()).empty());
    EXPECT_EQ(C_ShareSet::Split(inner, 255, 255, C_ShareSet::FreshDraws()).size(), 255u);
    for (const unsigned k : {1u, 2u, 3u, 7u})
        for (uint64_t nBody = 20; nBody < 400; nBody += 13) {
            const uint64_t nInner = C_ShareSet::LargestInner(nBody, k);
            if (nInner == 0)
                continue;
            EXPECT_LE(C_ShareSet::BodyBytes(nInner, k), nBody);
            EXPECT_GT(C_ShareSet::BodyBytes(nInner + 1, k), nBody);
        }
}
