#include "bench/steganalysis/C_FldEnsemble.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <utility>

namespace {

// Solves (A) x = b in place for a symmetric positive definite d x d matrix A (row-major, destroyed)
// by Cholesky factorisation. Returns false when A is not positive definite.
bool SolveCholesky(std::vector<double>& a, std::vector<double>& b, int d)
{
    for (int j = 0; j < d; ++j) {
        double dDiag = a[j * d + j];
        for (int k = 0; k < j; ++k)
            dDiag -= a[j * d + k] * a[j * d + k];
        if (dDiag <= 0)
            return false;
        const double dRoot = std::sqrt(dDiag);
        a[j * d + j] = dRoot;
        for (int i = j + 1; i < d; ++i) {
            double dSum = a[i * d + j];
            const double* pI = &a[i * d];
            const double* pJ = &a[j * d];
            for (int k = 0; k < j; ++k)
                dSum -= pI[k] * pJ[k];
            a[i * d + j] = dSum / dRoot;
        }
    }
    for (int i = 0; i < d; ++i) {
        double dSum = b[i];
        for (int k = 0; k < i; ++k)
            dSum -= a[i * d + k] * b[k];
        b[i] = dSum / a[i * d + i];
    }
    for (int i = d - 1; i >= 0; --i) {
        double dSum = b[i];
        for (int k = i + 1; k < d; ++k)
            dSum -= a[k * d + i] * b[k];
        b[i] = dSum / a[i * d + i];
    }
    return true;
}

// The threshold on the projections that minimises P_E = (P_FA + P_MD) / 2, stego above it.
double BestThreshold(const std::vector<double>& aCover, const std::vector<double>& aStego)
{
    std::vector<std::pair<double, int>> all;
    all.reserve(aCover.size() + aStego.size());
    for (double d : aCover)
        all.emplace_back(d, 0);
    for (double d : aStego)
        all.emplace_back(d, 1);
    std::sort(all.begin(), all.end());
    const double dCovers = static_cast<double>(aCover.size());
    const double dStegos = static_cast<double>(aStego.size());
    // Threshold below everything: every cover is a false alarm, no stego is missed.
    double nFalseAlarms = dCovers, nMisses = 0;
    double dBest = 0.5 * (nFalseAlarms / dCovers + nMisses / dStegos);
    double dThreshold = all.front().first - 1;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].second == 0)
            nFalseAlarms -= 1;
        else
            nMisses += 1;
        if (i + 1 < all.size() && all[i + 1].first == all[i].first)
            continue;
        const double dError = 0.5 * (nFalseAlarms / dCovers + nMisses / dStegos);
        if (dError < dBest) {
            dBest = dError;
            dThreshold = i + 1 < all.size() ? 0.5 * (all[i].first + all[i + 1].first) : all[i].first + 1;
        }
    }
    return dThreshold;
}

}  // namespace

double C_FldEnsemble::Project(const S_Learner& learner, const float* pFeatures) const
{
    double dSum = 0;
    for (size_t k = 0; k < learner.aFeatures.size(); ++k)
        dSum += learner.aWeights[k] * Normalised(pFeatures, learner.aFeatures[k]);
    return dSum;
}

void C_FldEnsemble::Train(const std::vector<const float*>& aCovers, const std::vector<const float*>& aStegos, int nDims,
    const S_Options& options)
{
    const int nPairs = static_cast<int>(aCovers.size());
    const int d = std::min(options.nSubspace, nDims);
    std::mt19937_64 rng(options.nSeed);

    m_aMean.assign(nDims, 0.0);
    m_aScale.assign(nDims, 0.0);
    for (int i = 0; i < nPairs; ++i)
        for (int f = 0; f < nDims; ++f)
            m_aMean[f] += aCovers[i][f] + aStegos[i][f];
    for (double& dMean : m_aMean)
        dMean /= 2.0 * nPairs;
    for (int i = 0; i < nPairs; ++i)
        for (int f = 0; f < nDims; ++f) {
            const double a = aCovers[i][f] - m_aMean[f], b = aStegos[i][f] - m_aMean[f];
            m_aScale[f] += a * a + b * b;
        }
    for (double& dScale : m_aScale) {
        const double dSpread = std::sqrt(dScale / (2.0 * nPairs));
        dScale = dSpread > 1e-12 ? 1.0 / dSpread : 0.0;  // a constant feature says nothing
    }

    m_aLearners.assign(options.nLearners, S_Learner{});
    // Per training pair: out-of-bag stego votes on its cover and its stego, and how many learners left it out.
    std::vector<int> aCoverVotes(nPairs, 0), aStegoVotes(nPairs, 0), aOutOfBag(nPairs, 0);
    std::vector<int> aAll(nDims);
    std::iota(aAll.begin(), aAll.end(), 0);
    std::vector<double> cover(d), stego(d);
    for (S_Learner& learner : m_aLearners) {
        std::shuffle(aAll.begin(), aAll.end(), rng);
        learner.aFeatures.assign(aAll.begin(), aAll.begin() + d);
        std::sort(learner.aFeatures.begin(), learner.aFeatures.end());

        std::vector<int> aSample(nPairs);
        std::vector<char> aInBag(nPairs, 0);
        std::uniform_int_distribution<int> pick(0, nPairs - 1);
        for (int& n : aSample) {
            n = pick(rng);
            aInBag[n] = 1;
        }

        // Class means and the within-class scatter on the bootstrap sample.
        std::vector<double> aMeanC(d, 0.0), aMeanS(d, 0.0);
        std::vector<double> xc(static_cast<size_t>(nPairs) * d), xs(static_cast<size_t>(nPairs) * d);
        for (int i = 0; i < nPairs; ++i)
            for (int k = 0; k < d; ++k) {
                xc[static_cast<size_t>(i) * d + k] = Normalised(aCovers[aSample[i]], learner.aFeatures[k]);
                xs[static_cast<size_t>(i) * d + k] = Normalised(aStegos[aSample[i]], learner.aFeatures[k]);
                aMeanC[k] += xc[static_cast<size_t>(i) * d + k];
                aMeanS[k] += xs[static_cast<size_t>(i) * d + k];
            }
        for (int k = 0; k < d; ++k) {
            aMeanC[k] /= nPairs;
            aMeanS[k] /= nPairs;
        }
        std::vector<double> scatter(static_cast<size_t>(d) * d, 0.0);
        for (int i = 0; i < nPairs; ++i) {
            for (int k = 0; k < d; ++k) {
                cover[k] = xc[static_cast<size_t>(i) * d + k] - aMeanC[k];
                stego[k] = xs[static_cast<size_t>(i) * d + k] - aMeanS[k];
            }
            for (int r = 0; r < d; ++r) {
                double* pRow = &scatter[static_cast<size_t>(r) * d];
                const double c = cover[r], s = stego[r];
                for (int k = 0; k <= r; ++k)
                    pRow[k] += c * cover[k] + s * stego[k];
            }
        }
        double dTrace = 0;
        for (int r = 0; r < d; ++r) {
            dTrace += scatter[static_cast<size_t>(r) * d + r];
            for (int k = 0; k < r; ++k)
                scatter[static_cast<size_t>(k) * d + r] = scatter[static_cast<size_t>(r) * d + k];
        }
        std::vector<double> w(d);
        // A larger ridge only if the scatter with the small one is not numerically positive definite.
        for (double dRidge = std::max(options.dRidge * dTrace / d, 1e-12);; dRidge *= 10) {
            std::vector<double> a = scatter;
            for (int r = 0; r < d; ++r)
                a[static_cast<size_t>(r) * d + r] += dRidge;
            for (int k = 0; k < d; ++k)
                w[k] = aMeanS[k] - aMeanC[k];
            if (SolveCholesky(a, w, d))
                break;
        }
        learner.aWeights = w;

        std::vector<double> aProjC(nPairs), aProjS(nPairs);
        for (int i = 0; i < nPairs; ++i) {
            double c = 0, s = 0;
            for (int k = 0; k < d; ++k) {
                c += w[k] * xc[static_cast<size_t>(i) * d + k];
                s += w[k] * xs[static_cast<size_t>(i) * d + k];
            }
            aProjC[i] = c;
            aProjS[i] = s;
        }
        learner.dThreshold = BestThreshold(aProjC, aProjS);

        for (int i = 0; i < nPairs; ++i) {
            if (aInBag[i])
                continue;
            ++aOutOfBag[i];
            aCoverVotes[i] += Project(learner, aCovers[i]) > learner.dThreshold;
            aStegoVotes[i] += Project(learner, aStegos[i]) > learner.dThreshold;
        }
    }

    double dFalseAlarms = 0, dMisses = 0;
    int nCounted = 0;
    for (int i = 0; i < nPairs; ++i) {
        if (aOutOfBag[i] == 0)
            continue;
        ++nCounted;
        // A tie counts as half an error.
        const int n = aOutOfBag[i];
        dFalseAlarms += 2 * aCoverVotes[i] > n ? 1.0 : (2 * aCoverVotes[i] == n ? 0.5 : 0.0);
        dMisses += 2 * aStegoVotes[i] < n ? 1.0 : (2 * aStegoVotes[i] == n ? 0.5 : 0.0);
    }
    m_dOutOfBag = nCounted ? 0.5 * (dFalseAlarms + dMisses) / nCounted : 0.5;
}

int C_FldEnsemble::StegoVotes(const float* pFeatures) const
{
    int nVotes = 0;
    for (const S_Learner& learner : m_aLearners)
        nVotes += Project(learner, pFeatures) > learner.dThreshold;
    return nVotes;
}
