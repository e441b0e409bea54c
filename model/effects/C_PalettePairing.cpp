#include "model/effects/C_PalettePairing.h"

#include "model/pictures/C_PixelReader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <tuple>
#include <utility>

namespace {

using T_Remap = std::array<uint8_t, 256>;  // new index of every old one
using T_Pairs = std::vector<std::pair<uint32_t, uint32_t>>;

// A swap must gain more than rounding can, or two equal totals could trade places for ever.
constexpr double kMinGain = 1e-9;

// Plain Euclidean distance, not squared: the figure we report is the mean Euclidean distance a
// flip moves a pixel, so the sum of plain distances over the pixels is what pairing should make
// small. Squared distances would trade several moderately near pairs for one less far one.
double Distance(int dr, int dg, int db, int da)
{
    return std::sqrt(static_cast<double>(dr * dr + dg * dg + db * db + da * da));
}

// The cost of pairing any two of the n entries and node n, the opaque black that a lone last
// entry's flip shows past the palette's end (the matching takes node n in only when n is odd).
// Pairing a and b costs their distance once for every pixel drawn with either, so the total is
// what a flip of every pixel would move: with the picture's counts, the mean flip distance times
// the pixel count. Opacity counts as a fourth channel, since a flip between an opaque and a clear
// entry shows as much as one between far colours.
class C_DistanceTable {
public:
    C_DistanceTable(
        const std::vector<S_Rgb>& aColours, const std::vector<uint8_t>& aAlpha, const std::vector<uint64_t>& aUse)
        : m_nEntries(aColours.size())
        , m_nNodes(m_nEntries + (m_nEntries & 1u))
        , m_nSide(m_nEntries + 1)
        , m_aDist(m_nSide * m_nSide, 0.0)
    {
        const auto channels = [&](size_t i) {
            if (i >= m_nEntries)
                return std::array<int, 4>{0, 0, 0, 255};
            const S_Rgb& c = aColours[i];
            return std::array<int, 4>{c.r, c.g, c.b, i < aAlpha.size() ? aAlpha[i] : 255};
        };
        // Without counts every entry weighs one and the black node nothing.
        const auto weight = [&](size_t i) {
            return aUse.empty() ? (i < m_nEntries ? 1.0 : 0.0) : i < aUse.size() ? static_cast<double>(aUse[i]) : 0.0;
        };
        for (size_t i = 0; i < m_nSide; ++i) {
            const std::array<int, 4> a = channels(i);
            for (size_t j = i + 1; j < m_nSide; ++j) {
                const std::array<int, 4> b = channels(j);
                const double d = Distance(a[0] - b[0], a[1] - b[1], a[2] - b[2], a[3] - b[3]) * (weight(i) + weight(j));
                m_aDist[i * m_nSide + j] = d;
                m_aDist[j * m_nSide + i] = d;
            }
        }
    }

    size_t Entries() const { return m_nEntries; }
    size_t Nodes() const { return m_nNodes; }
    // a and b up to Entries(), which is the black node.
    double operator()(size_t a, size_t b) const { return m_aDist[a * m_nSide + b]; }

private:
    size_t m_nEntries;
    size_t m_nNodes;  // entries taking part in the matching
    size_t m_nSide;
    std::vector<double> m_aDist;
};

// Nearest pairs first among aNodes (an even count of nodes of dist).
T_Pairs GreedyPairs(const C_DistanceTable& dist, const std::vector<uint32_t>& aNodes)
{
    std::vector<std::tuple<double, uint32_t, uint32_t>> aCandidates;
    aCandidates.reserve(aNodes.size() * (aNodes.size() - 1) / 2);
    for (size_t a = 0; a < aNodes.size(); ++a)
        for (size_t b = a + 1; b < aNodes.size(); ++b)
            aCandidates.emplace_back(dist(aNodes[a], aNodes[b]), aNodes[a], aNodes[b]);
    std::sort(aCandidates.begin(), aCandidates.end());  // ties by index: deterministic
    std::vector<bool> aTaken(dist.Nodes(), false);
    T_Pairs aPairs;
    for (const auto& [d, i, j] : aCandidates) {
        if (aTaken[i] || aTaken[j])
            continue;
        aTaken[i] = aTaken[j] = true;
        aPairs.emplace_back(i, j);
    }
    return aPairs;
}

std::vector<uint32_t> AllNodes(const C_DistanceTable& dist)
{
    std::vector<uint32_t> aNodes(dist.Nodes());
    std::iota(aNodes.begin(), aNodes.end(), 0u);
    return aNodes;
}

// Two pairs (a,b), (c,d) become (a,c), (b,d) or (a,d), (b,c) when that lowers their sum, until
// no such move is left. Each move lowers the total by at least kMinGain, so this ends.
void ImprovePairs(const C_DistanceTable& dist, T_Pairs& aPairs)
{
    for (bool bMoved = true; bMoved;) {
        bMoved = false;
        for (size_t p = 0; p < aPairs.size(); ++p) {
            for (size_t q = p + 1; q < aPairs.size(); ++q) {
                const auto [a, b] = aPairs[p];
                const auto [c, d] = aPairs[q];
                const double fNow = dist(a, b) + dist(c, d);
                const double fFirst = dist(a, c) + dist(b, d);
                const double fSecond = dist(a, d) + dist(b, c);
                if (fFirst <= fSecond && fFirst < fNow - kMinGain) {
                    aPairs[p] = {a, c};
                    aPairs[q] = {b, d};
                    bMoved = true;
                } else if (fSecond < fFirst && fSecond < fNow - kMinGain) {
                    aPairs[p] = {a, d};
                    aPairs[q] = {b, c};
                    bMoved = true;
                }
            }
        }
    }
}

// Pairs in the order of their first entries, so a palette that is already paired best keeps its
// order; the entry paired with the black node goes last, alone.
std::vector<uint32_t> OrderOf(T_Pairs aPairs, size_t nEntries)
{
    for (auto& [a, b] : aPairs)
        if (a > b)
            std::swap(a, b);
    std::sort(aPairs.begin(), aPairs.end());
    std::vector<uint32_t> aOrder;
    aOrder.reserve(nEntries);
    uint32_t nLone = 0;
    bool bLone = false;
    for (const auto& [a, b] : aPairs) {
        if (b >= nEntries) {
            nLone = a;
            bLone = true;
            continue;
        }
        aOrder.push_back(a);
        aOrder.push_back(b);
    }
    if (bLone)
        aOrder.push_back(nLone);
    return aOrder;
}

// The opacities of a palette picture's entries as its layout gives them: the alpha of each
// index, and the one transparent index as opacity 0.
std::vector<uint8_t> AlphaOf(const BTCImageData& data)
{
    const S_PixelLayout layout = data.Layout();
    std::vector<uint8_t> aAlpha = layout.aIndexAlpha;
    const int nClear = layout.nTransparentIndex;
    if (nClear >= 0 && static_cast<size_t>(nClear) < data.m_aPalette.size()) {
        if (aAlpha.size() < data.m_aPalette.size())
            aAlpha.resize(data.m_aPalette.size(), 255);
        aAlpha[static_cast<size_t>(nClear)] = 0;
    }
    return aAlpha;
}

// An entry whose opacity is 0 shows nothing; every other entry, and the black past the end, shows.
bool IsClear(const std::vector<uint8_t>& aAlpha, size_t i)
{
    return i < aAlpha.size() && aAlpha[i] == 0;
}

// The pixels whose flip would turn them from transparent to shown or back: those of every pair
// (and a lone last entry with the black past the end) whose members differ in that.
uint64_t ClearFlips(const std::vector<uint8_t>& aAlpha, const std::vector<uint64_t>& aUse,
    const std::vector<uint32_t>& aOrder, size_t nEntries)
{
    const auto use = [&](size_t i) { return i < aUse.size() ? aUse[i] : uint64_t{1}; };
    uint64_t nFlips = 0;
    for (size_t k = 0; k < aOrder.size(); k += 2) {
        const size_t a = aOrder[k];
        const size_t b = k + 1 < aOrder.size() ? aOrder[k + 1] : nEntries;
        if (IsClear(aAlpha, a) != IsClear(aAlpha, b))
            nFlips += use(a) + (b < nEntries ? use(b) : 0);
    }
    return nFlips;
}

// The reader has proved stride and height describe the buffer and each row holds width indices.
void RemapRows(BTCImageData& data, const C_PixelReader& reader, const T_Remap& aRemap)
{
    const auto nBits = static_cast<uint32_t>(data.m_nBitsPerPixel);
    const uint32_t nPerByte = 8u / nBits;
    const uint32_t nMask = (1u << nBits) - 1u;
    for (uint32_t y = 0; y < reader.GetHeight(); ++y) {
        uint8_t* pRow = data.m_aBits.data() + static_cast<size_t>(y) * data.m_nStride;
        // Leftmost pixel in the most significant bits; the bits past the last pixel stay.
        for (uint32_t x = 0; x < reader.GetWidth(); ++x) {
            uint8_t& byte = pRow[x / nPerByte];
            const uint32_t nShift = 8u - nBits * (x % nPerByte + 1u);
            const uint32_t nOld = (byte >> nShift) & nMask;
            byte = static_cast<uint8_t>((byte & ~(nMask << nShift)) | (uint32_t{aRemap[nOld]} << nShift));
        }
    }
}

T_Pairs BestPairs(const C_DistanceTable& dist, const std::vector<S_Rgb>& aColours, const std::vector<uint8_t>& aAlpha,
    const std::vector<uint32_t>& aNodes)
{
    // Pair swaps stop at the first arrangement no single swap improves, which depends on where
    // they start; pixel counts make that worse (unused entries pair with each other for free
    // first). So they start three times: from the nearest pairs by use, from the nearest pairs by
    // colour alone, and from the present order, so the result is never worse than the present.
    std::vector<T_Pairs> aStarts = {
        GreedyPairs(dist, aNodes), GreedyPairs(C_DistanceTable(aColours, aAlpha, {}), aNodes), {}};
    for (size_t i = 0; i + 1 < aNodes.size(); i += 2)
        aStarts.back().emplace_back(aNodes[i], aNodes[i + 1]);
    T_Pairs aBest;
    double fBest = 0.0;
    for (T_Pairs& aPairs : aStarts) {
        ImprovePairs(dist, aPairs);
        double fTotal = 0.0;
        for (const auto& [a, b] : aPairs)
            fTotal += dist(a, b);
        if (aBest.empty() || fTotal < fBest - kMinGain) {
            aBest = aPairs;
            fBest = fTotal;
        }
    }
    return aBest;
}

}  // namespace

std::vector<uint32_t> C_PalettePairing::GreedyOrder(
    const std::vector<S_Rgb>& aColours, const std::vector<uint8_t>& aAlpha, const std::vector<uint64_t>& aUse)
{
    const C_DistanceTable dist(aColours, aAlpha, aUse);
    return OrderOf(GreedyPairs(dist, AllNodes(dist)), dist.Entries());
}

std::vector<uint32_t> C_PalettePairing::PairedOrder(
    const std::vector<S_Rgb>& aColours, const std::vector<uint8_t>& aAlpha, const std::vector<uint64_t>& aUse)
{
    // A flip between a transparent entry and a shown one makes a pixel appear or vanish, which
    // no colour distance weighs rightly. So transparent entries (opacity 0) pair only among
    // themselves and shown ones (any other opacity, and the black past the end) among
    // themselves. When both groups are odd, one pair must cross: the transparent entry and the
    // shown one used by the fewest pixels (an unused shown entry makes no shown pixel vanish),
    // nearest colours among equals.
    const C_DistanceTable dist(aColours, aAlpha, aUse);
    std::vector<uint32_t> aClear, aShown;
    for (uint32_t i = 0; i < dist.Nodes(); ++i)
        (IsClear(aAlpha, i) && i < dist.Entries() ? aClear : aShown).push_back(i);
    if (aClear.empty() || aShown.empty())
        return OrderOf(BestPairs(dist, aColours, aAlpha, aShown.empty() ? aClear : aShown), dist.Entries());
    T_Pairs aPairs;
    if (aClear.size() % 2 != 0) {
        const auto use = [&](uint32_t i) { return i < aUse.size() ? aUse[i] : uint64_t{0}; };
        const auto fewest = [&](const std::vector<uint32_t>& aGroup, const auto& fnNear) {
            return *std::min_element(aGroup.begin(), aGroup.end(), [&](uint32_t a, uint32_t b) {
                return std::make_pair(use(a), fnNear(a)) < std::make_pair(use(b), fnNear(b));
            });
        };
        const uint32_t nClear = fewest(aClear, [](uint32_t) { return 0.0; });
        const uint32_t nShown = fewest(aShown, [&](uint32_t i) { return dist(nClear, i); });
        aPairs.emplace_back(nClear, nShown);
        std::erase(aClear, nClear);
        std::erase(aShown, nShown);
    }
    for (const std::vector<uint32_t>* pGroup : {&aClear, &aShown}) {
        const T_Pairs aGroupPairs = BestPairs(dist, aColours, aAlpha, *pGroup);
        aPairs.insert(aPairs.end(), aGroupPairs.begin(), aGroupPairs.end());
    }
    return OrderOf(std::move(aPairs), dist.Entries());
}

double C_PalettePairing::PairedDistance(const std::vector<S_Rgb>& aColours, const std::vector<uint8_t>& aAlpha,
    const std::vector<uint64_t>& aUse, const std::vector<uint32_t>& aOrder)
{
    const C_DistanceTable dist(aColours, aAlpha, aUse);
    double fSum = 0.0;
    for (size_t k = 0; k < aOrder.size(); k += 2) {
        const size_t nPartner = k + 1 < aOrder.size() ? aOrder[k + 1] : dist.Entries();
        if (aOrder[k] < dist.Entries() && nPartner <= dist.Entries())  // else not an order of these colours
            fSum += dist(aOrder[k], nPartner);
    }
    return fSum;
}

double C_PalettePairing::MeanFlipDistance(const BTCImageData& data)
{
    const C_PixelReader reader(data);
    if (!reader.IsValid() || !reader.IsIndexed())
        return 0.0;
    // A flip from or to a transparent entry shows or hides a pixel, which no colour distance
    // says: such pixels are left out (a hide counts them apart).
    const std::vector<uint8_t> aAlpha = AlphaOf(data);
    std::array<double, 256> aFlip{};
    std::array<bool, 256> aCounted{};
    for (uint32_t i = 0; i < aFlip.size(); ++i) {
        const S_Rgb a = reader.PaletteColour(i);
        const S_Rgb b = reader.PaletteColour(i ^ 1u);
        aFlip[i] = Distance(a.r - b.r, a.g - b.g, a.b - b.b, 0);
        aCounted[i] = !IsClear(aAlpha, i) && !IsClear(aAlpha, i ^ 1u);
    }
    std::vector<uint8_t> aRow(reader.GetWidth());
    double fSum = 0.0;
    uint64_t nCounted = 0;
    for (uint32_t y = 0; y < reader.GetHeight(); ++y) {
        reader.IndicesOfStoredRow(y, aRow.data());
        for (const uint8_t nIndex : aRow) {
            fSum += aCounted[nIndex] ? aFlip[nIndex] : 0.0;
            nCounted += aCounted[nIndex];
        }
    }
    return nCounted ? fSum / static_cast<double>(nCounted) : 0.0;
}

E_PairingOutcome C_PalettePairing::Apply(BTCImageData& data)
{
    if (data.m_nBitsPerPixel < 1 || data.m_nBitsPerPixel > 8 || data.m_aPalette.empty() || !data.Layout().IsIndexed())
        return E_PairingOutcome::NotPalette;
    const C_PixelReader reader(data);
    if (!reader.IsValid() || !reader.IsIndexed())
        return E_PairingOutcome::Unsupported;
    // What the format keeps besides the pixel bytes (further frames, chunks, blocks naming an
    // index) must be renumbered as well, or the save would show other colours.
    if (data.m_pDocument && !data.m_pDocument->CanRenumberPalette(data))
        return E_PairingOutcome::Unsupported;

    // Only the entries an index of this depth can reach take part.
    const size_t nEntries = std::min(data.m_aPalette.size(), size_t{1} << data.m_nBitsPerPixel);
    if (nEntries <= 2)
        return E_PairingOutcome::NothingToPair;
    const std::vector<S_Rgb> aColours(data.m_aPalette.begin(), data.m_aPalette.begin() + nEntries);
    const std::vector<uint8_t> aAlpha = AlphaOf(data);
    // Only the picture's own pixels are ever flipped (further frames are not).
    std::vector<uint64_t> aUse(256, 0);
    std::vector<uint8_t> aRow(reader.GetWidth());
    for (uint32_t y = 0; y < reader.GetHeight(); ++y) {
        reader.IndicesOfStoredRow(y, aRow.data());
        for (const uint8_t nIndex : aRow)
            ++aUse[nIndex];
    }
    aUse.resize(nEntries + 1);  // the last one: pixels past the end, shown black
    const std::vector<uint32_t> aOrder = PairedOrder(aColours, aAlpha, aUse);
    std::vector<uint32_t> aSame(nEntries);
    std::iota(aSame.begin(), aSame.end(), 0u);
    // Fewer pixels that a flip makes appear or vanish come first, then the distance.
    const uint64_t nFlips = ClearFlips(aAlpha, aUse, aOrder, nEntries);
    const uint64_t nSameFlips = ClearFlips(aAlpha, aUse, aSame, nEntries);
    if (nFlips > nSameFlips
        || (nFlips == nSameFlips
            && PairedDistance(aColours, aAlpha, aUse, aOrder)
                >= PairedDistance(aColours, aAlpha, aUse, aSame) - kMinGain))
        return E_PairingOutcome::NothingToPair;

    T_Remap aRemap{};
    std::iota(aRemap.begin(), aRemap.end(), uint8_t{0});
    for (size_t k = 0; k < nEntries; ++k) {
        aRemap[aOrder[k]] = static_cast<uint8_t>(k);
        data.m_aPalette[k] = aColours[aOrder[k]];
    }
    RemapRows(data, reader, aRemap);
    if (data.m_pDocument)
        data.m_pDocument->RenumberPalette(data.m_aPalette, aOrder, std::vector<uint8_t>(aRemap.begin(), aRemap.end()));
    return E_PairingOutcome::Paired;
}
