#include "model/pictures/BTCImageObject.h"

#include "model/files/C_AtomicFileWriter.h"
#include "model/pictures/C_ByteSink.h"
#include "model/pictures/C_ByteSource.h"
#include "model/pictures/C_CheckedSize.h"
#include "model/pictures/C_DecodeLimit.h"
#include "model/pictures/C_FormatDetector.h"
#include "model/pictures/C_FormatRegistry.h"
#include "model/pictures/C_ImageConverter.h"

#include <algorithm>

namespace {

std::string FormatName(E_ImageFormat eFormat)
{
    const char* pszName = C_FormatRegistry::Name(eFormat);
    return pszName ? std::string(pszName) : "format " + std::to_string(static_cast<int>(eFormat));
}

}  // namespace

BTCImageObject::BTCImageObject() = default;
BTCImageObject::~BTCImageObject() = default;

BTCImageData* BTCImageObject::GetObjectDataPtr()
{
    return m_data.IsEmpty() ? nullptr : &m_data;
}

const BTCImageData* BTCImageObject::GetObjectDataPtr() const
{
    return m_data.IsEmpty() ? nullptr : &m_data;
}

bool BTCImageObject::Fail(const std::string& strWhy, E_ImageError eCode)
{
    m_strLastError = strWhy;
    m_eLastError = eCode;
    return false;
}

bool BTCImageObject::Load(const std::string& strPath)
{
    C_ByteSource src;
    if (!src.OpenFile(strPath))
        return Fail(std::string(ImageErrorText(E_ImageError::CannotRead)) + ": " + src.GetError());
    return Decode(src);
}

bool BTCImageObject::LoadFromMemory(std::span<const uint8_t> bytes)
{
    C_ByteSource src(bytes);
    return Decode(src);
}

bool BTCImageObject::Decode(C_ByteSource& src)
{
    m_strLastError.clear();
    m_eLastError = E_ImageError::None;
    if (src.Size() > C_CheckedSize::kMaxBufferBytes)
        return Fail(ImageErrorText(E_ImageError::FileTooLarge), E_ImageError::FileTooLarge);
    uint8_t aHead[C_FormatDetector::kHeadBytes] = {};
    const size_t nHead = static_cast<size_t>(std::min<uint64_t>(src.Size(), sizeof aHead));
    if (!src.Read(0, aHead, nHead))
        return Fail(std::string(ImageErrorText(E_ImageError::CannotRead)) + ": " + src.GetError());
    E_ImageFormat eFormat = C_FormatDetector::Detect(std::span<const uint8_t>(aHead, nHead));
    // A format's mark with a bad header is decoded anyway, so the refusal names the bad field.
    if (eFormat == E_ImageFormat::None)
        eFormat = C_FormatRegistry::ForLeadByte(std::span<const uint8_t>(aHead, nHead));
    if (eFormat == E_ImageFormat::None)
        return Fail("not a " + C_FormatRegistry::NameList() + " picture", E_ImageError::UnknownFormat);

    // Decoded aside, so a refused file leaves the current picture as it was.
    BTCImageData decoded;
    C_ImageError err;
    const C_DecodeLimit limit(m_nMaxImageBytes, src.Size(), m_bAllowLarge);
    const S_FormatEntry* pEntry = C_FormatRegistry::Find(eFormat);
    const bool bOk = pEntry && pEntry->fnDecode(src, limit, decoded, err);
    if (!bOk)
        return Fail(FormatName(eFormat) + ": " + err.Text(), err.GetCode());
    m_data.Swap(decoded);
    m_nFileBytes = src.Size();
    return true;
}

bool BTCImageObject::Encode(E_ImageFormat eFormat, C_ByteSink& sink)
{
    if (m_data.IsEmpty())
        return Fail(ImageErrorText(E_ImageError::NoPicture));
    const S_FormatEntry* pEntry = C_FormatRegistry::Find(eFormat);
    if (!pEntry)
        return Fail("unknown format code " + std::to_string(static_cast<int>(eFormat)));

    C_ImageError err;
    BTCImageData* pData = &m_data;
    BTCImageData converted;
    if (!C_ImageConverter::HasLayoutOf(m_data, eFormat)) {
        if (!C_ImageConverter::Convert(m_data, eFormat, converted, err))
            return Fail(FormatName(eFormat) + ": " + err.Text());
        pData = &converted;
    }
    if (!pEntry->fnEncode(*pData, sink, err))
        return Fail(FormatName(eFormat) + ": " + err.Text());
    return true;
}

bool BTCImageObject::Save(const std::string& strPath, E_ImageFormat eFormat)
{
    m_strLastError.clear();
    if (m_data.IsEmpty())
        return Fail(ImageErrorText(E_ImageError::NoPicture));
    // Into a temporary file beside the target; the target is replaced only once all is written.
    C_AtomicFileWriter writer;
    if (!writer.Open(strPath))
        return Fail(writer.GetError());
    if (!SaveTo(writer, eFormat))
        return false;
    if (!writer.Commit())
        return Fail(writer.GetError());
    return true;
}

bool BTCImageObject::SaveTo(C_AtomicFileWriter& writer, E_ImageFormat eFormat)
{
    m_strLastError.clear();
    C_ByteSink sink(writer);
    if (!Encode(eFormat, sink)) {
        if (!sink.Ok())
            m_strLastError = writer.GetError();
        writer.Abort();
        return false;
    }
    return true;
}

bool BTCImageObject::SaveToMemory(E_ImageFormat eFormat, std::vector<uint8_t>& out)
{
    m_strLastError.clear();
    out.clear();
    C_ByteSink sink(out);
    if (!Encode(eFormat, sink)) {
        out.clear();
        return false;
    }
    return true;
}
