#include "bench/steganalysis/C_PhotoSplit.h"

#include <algorithm>
#include <random>

C_PhotoSplit::C_PhotoSplit(const std::vector<int>& aPhotoOf, int nPhotos, uint64_t nSeed)
{
    std::vector<int> aPerPhoto(static_cast<size_t>(nPhotos), 0);
    for (const int nPhoto : aPhotoOf)
        ++aPerPhoto[static_cast<size_t>(nPhoto)];
    std::vector<int> aOrder(static_cast<size_t>(nPhotos));
    for (int p = 0; p < nPhotos; ++p)
        aOrder[static_cast<size_t>(p)] = p;
    std::mt19937_64 rng(nSeed);
    std::shuffle(aOrder.begin(), aOrder.end(), rng);
    std::vector<char> aPhotoTraining(static_cast<size_t>(nPhotos), 0);
    const auto nPictures = static_cast<int>(aPhotoOf.size());
    for (const int p : aOrder) {
        if (2 * (m_nTrainPictures + aPerPhoto[static_cast<size_t>(p)]) > nPictures)
            continue;
        aPhotoTraining[static_cast<size_t>(p)] = 1;
        m_nTrainPictures += aPerPhoto[static_cast<size_t>(p)];
        ++m_nTrainPhotos;
    }
    m_aTraining.resize(aPhotoOf.size());
    for (size_t i = 0; i < aPhotoOf.size(); ++i)
        m_aTraining[i] = aPhotoTraining[static_cast<size_t>(aPhotoOf[i])];
}
