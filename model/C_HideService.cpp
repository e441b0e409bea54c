#include "model/C_HideService.h"

#include "model/C_Carrier.h"
#include "model/pictures/jpeg/C_JpegCoefficients.h"
#include "model/records/C_Message.h"
#include "model/records/C_PlainRecord.h"
#include "model/records/C_SealedRecordKind.h"

#include <algorithm>

#include <sodium.h>

C_HideService C_HideService::For(bool bSealed, bool bRateLimit)
{
    if (bSealed)
        return C_HideService(bRateLimit ? C_SealedRecordKind::Kind() : C_SealedRecordKind::Unlimited());
    return C_HideService(C_PlainRecord::Kind());
}

bool C_HideService::Fits(const C_Carrier& carrier, const C_Message& message) const
{
    return carrier.Fits(m_kind, message);
}

E_RecordOutcome C_HideService::Hide(
    C_Carrier& carrier, const C_Message& message, const std::string& strPassphrase, E_Embedding eEmbedding) const
{
    return carrier.Hide(m_kind, message, strPassphrase, eEmbedding);
}

C_HideService::T_Digest C_HideService::PixelDigest(const C_Carrier& carrier)
{
    T_Digest digest{};
    const BTCImageData* pData = carrier.GetObjectDataPtr();
    const uint8_t* pBits = pData ? pData->GetBits() : nullptr;
    const size_t nBytes = pBits ? pData->GetImageSize() : 0;
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, digest.size());
    crypto_generichash_update(&state, pBits, nBytes);
    // A JPEG's record is in its coefficients, and a change of one there may round to the same
    // pixels: they are the picture's bytes too.
    if (pData && pData->m_pDocument && carrier.HidesInCoefficients())
        if (const C_JpegCoefficients* pJpeg = pData->m_pDocument->Coefficients())
            for (const C_JpegCoefficients::S_Component& component : pJpeg->Components())
                crypto_generichash_update(&state, reinterpret_cast<const uint8_t*>(component.coefficients.data()),
                    component.coefficients.size() * sizeof(int16_t));
    crypto_generichash_final(&state, digest.data(), digest.size());
    return digest;
}

C_HideService::E_ReadBack C_HideService::ReadBack(const std::string& strPath, const std::string& strPassphrase,
    std::string_view strName, std::span<const uint8_t> payload, std::string& strError, const T_Digest* pPixels) const
{
    C_Carrier written;
    written.SetAllowLarge(true);  // our own file: a flat picture may compress far below its pixels
    if (!written.OpenImage(strPath)) {
        strError = written.GetLastError();
        return E_ReadBack::Unreadable;
    }
    if (pPixels && PixelDigest(written) == *pPixels) {
        C_Message earlier;
        const C_PixelCover cover = written.CoverFor(E_Embedding::Replace);
        for (const C_Record* pKind : C_Carrier::RecordKinds()) {
            if (pKind == &m_kind.Listed())
                return E_ReadBack::Same;
            // A JPEG holds no record of an earlier kind (a plain one), nor pixel bytes to find it in.
            if (!written.HidesInCoefficients()
                && pKind->Find(cover, strPassphrase, earlier, nullptr) == E_RecordOutcome::Found)
                return E_ReadBack::EarlierKind;
        }
        return E_ReadBack::Same;
    }
    C_Message revealed;
    const C_Record* pFound = nullptr;
    const E_RecordOutcome eOutcome = written.Reveal(revealed, strPassphrase, nullptr, &pFound);
    if (eOutcome == E_RecordOutcome::NoMemory)
        return E_ReadBack::NoMemory;
    if (eOutcome != E_RecordOutcome::Found || !pFound)
        return E_ReadBack::Different;
    if (pFound != &m_kind.Listed()) {
        const auto kinds = C_Carrier::RecordKinds();
        const auto itFound = std::find(kinds.begin(), kinds.end(), pFound);
        const auto itOurs = std::find(kinds.begin(), kinds.end(), &m_kind.Listed());
        return itFound < itOurs ? E_ReadBack::EarlierKind : E_ReadBack::Different;
    }
    const uint8_t* pData = revealed.GetData();
    const bool bSame = revealed.m_strName == strName && revealed.m_nSize == payload.size()
        && (payload.empty() || (pData && std::equal(payload.begin(), payload.end(), pData)));
    return bSame ? E_ReadBack::Same : E_ReadBack::Different;
}
