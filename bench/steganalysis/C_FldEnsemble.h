#pragma once
// The ensemble of Fisher linear discriminants (Kodovsky, Fridrich and Holub, "Ensemble classifiers
// for steganalysis of digital media", IEEE TIFS 2012): L base learners, each a Fisher linear
// discriminant on a random subspace of d_sub features trained on a bootstrap sample of the
// training pairs; the ensemble decides by majority vote. The pairs a learner's bootstrap sample
// left out give the out-of-bag error, an estimate of the test error from the training set alone.

#include <cstdint>
#include <vector>

class C_FldEnsemble {
public:
    struct S_Options {
        int nSubspace = 300;
        int nLearners = 51;
        // Added to the within-class scatter's diagonal, relative to its mean diagonal value: the
        // SPAM features hold exact linear dependencies (each row of a transition matrix sums to
        // one), so the scatter alone can be singular.
        double dRidge = 1e-4;
        uint64_t nSeed = 1;
    };

    // Trains on nPairs cover/stego pairs: aCovers[i] and aStegos[i] point at nDims features each,
    // the stego being made from that cover.
    void Train(const std::vector<const float*>& aCovers, const std::vector<const float*>& aStegos, int nDims,
        const S_Options& options);

    // The out-of-bag estimate of P_E from the last training.
    double OutOfBagError() const { return m_dOutOfBag; }

    // How many learners call the features stego; the ensemble says stego above half of them.
    int StegoVotes(const float* pFeatures) const;
    bool IsStego(const float* pFeatures) const
    {
        return 2 * StegoVotes(pFeatures) > static_cast<int>(m_aLearners.size());
    }

private:
    struct S_Learner {
        std::vector<int> aFeatures;
        std::vector<double> aWeights;
        double dThreshold = 0;
    };

    // Features are centred and scaled by the training set's mean and spread before use, so that
    // the ridge weighs every feature alike.
    double Normalised(const float* pFeatures, int nFeature) const
    {
        return (pFeatures[nFeature] - m_aMean[nFeature]) * m_aScale[nFeature];
    }
    double Project(const S_Learner& learner, const float* pFeatures) const;

    std::vector<S_Learner> m_aLearners;
    std::vector<double> m_aMean, m_aScale;
    double m_dOutOfBag = 0.5;
};
