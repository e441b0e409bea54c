#pragma once
// One split of the measuring sticks' pictures into training and testing by photograph, so that no
// photograph lends pictures to both sides: photographs in an order shuffled by the seed go to
// training while it stays within half of the pictures, the others to testing.

#include <cstdint>
#include <vector>

class C_PhotoSplit {
public:
    // aPhotoOf[i] is picture i's photograph, 0 .. nPhotos - 1.
    C_PhotoSplit(const std::vector<int>& aPhotoOf, int nPhotos, uint64_t nSeed);

    // 1 for a picture on the training side, by picture.
    const std::vector<char>& Training() const { return m_aTraining; }
    int TrainingPictures() const { return m_nTrainPictures; }
    int TrainingPhotos() const { return m_nTrainPhotos; }

private:
    std::vector<char> m_aTraining;
    int m_nTrainPictures = 0;
    int m_nTrainPhotos = 0;
};
