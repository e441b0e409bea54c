#include "commands/C_AcrossPictures.h"

#include "model/C_Carrier.h"

C_AcrossPictures::C_AcrossPictures() = default;
C_AcrossPictures::~C_AcrossPictures() = default;

C_Carrier* C_AcrossPictures::Get(
    const std::string& strPath, bool bAllowLarge, E_ImageError& eError, std::string& strError)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_carriers.find(strPath);
    if (it != m_carriers.end())
        return it->second.get();
    auto pCarrier = std::make_unique<C_Carrier>();
    pCarrier->SetAllowLarge(bAllowLarge);
    if (!pCarrier->OpenImage(strPath)) {
        eError = pCarrier->GetLastErrorCode();
        strError = pCarrier->GetLastError();
        return nullptr;
    }
    return m_carriers.emplace(strPath, std::move(pCarrier)).first->second.get();
}

void C_AcrossPictures::Forget()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_carriers.clear();
}
