#include "model/records/C_SealedContent.h"

#include "model/records/C_Message.h"

// For ZSTD_createDCtx_advanced: the decoder's window holds plaintext, so its memory comes from
// an allocator that wipes what it frees.
#define ZSTD_STATIC_LINKING_ONLY
#include <sodium.h>
#include <zstd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

// Each block starts with its size, so that the free can wipe it; 16 bytes keep the alignment
// malloc gives.
constexpr size_t kPrefixBytes = 16;

void* WipingAlloc(void*, size_t nSize)
{
    auto* p = static_cast<uint8_t*>(::operator new(nSize + kPrefixBytes, std::nothrow));
    if (!p)
        return nullptr;
    std::memcpy(p, &nSize, sizeof nSize);
    return p + kPrefixBytes;
}

void WipingFree(void*, void* pAddress)
{
    if (!pAddress)
        return;
    uint8_t* p = static_cast<uint8_t*>(pAddress) - kPrefixBytes;
    size_t nSize = 0;
    std::memcpy(&nSize, p, sizeof nSize);
    sodium_memzero(p, nSize + kPrefixBytes);
    ::operator delete(p);
}

struct S_FreeDCtx {
    void operator()(ZSTD_DCtx* p) const { ZSTD_freeDCtx(p); }
};

}  // namespace

void C_SealedContent::Set(C_SecretBytes&& inner, size_t nNameBytes, bool bCompressed, uint64_t nSize)
{
    m_share = C_SecretBytes();
    m_inner = std::move(inner);
    m_nNameBytes = nNameBytes;
    m_bCompressed = bCompressed;
    m_nSize = nSize;
}

void C_SealedContent::SetShare(C_SecretBytes&& body)
{
    Clear();
    m_share = std::move(body);
}

void C_SealedContent::Clear()
{
    m_share = C_SecretBytes();
    m_inner = C_SecretBytes();
    m_nNameBytes = 0;
    m_bCompressed = false;
    m_nSize = 0;
}

std::string C_SealedContent::GetName() const
{
    if (IsEmpty())
        return {};
    const char* pName = reinterpret_cast<const char*>(m_inner.Data() + kInnerHeadBytes);
    return std::string(pName, strnlen(pName, m_nNameBytes));
}

C_SealedContent::E_Extract C_SealedContent::Extract(const T_Sink& fnSink) const
{
    if (IsEmpty())
        return E_Extract::Damaged;
    const uint8_t* pStored = m_inner.Data() + kInnerHeadBytes + m_nNameBytes;
    const size_t nStored = m_inner.Size() - kInnerHeadBytes - m_nNameBytes;
    if (!m_bCompressed) {
        for (size_t nAt = 0; nAt < nStored; nAt += kPieceBytes)
            if (!fnSink(pStored + nAt, std::min(kPieceBytes, nStored - nAt)))
                return E_Extract::SinkFailed;
        return E_Extract::Done;
    }

    const std::unique_ptr<ZSTD_DCtx, S_FreeDCtx> pContext(
        ZSTD_createDCtx_advanced(ZSTD_customMem{WipingAlloc, WipingFree, nullptr}));
    if (!pContext)
        throw std::bad_alloc();
    ZSTD_DCtx_setParameter(pContext.get(), ZSTD_d_windowLogMax, kWindowLogMax);
    C_SecretBytes piece(kPieceBytes);
    ZSTD_inBuffer in{pStored, nStored, 0};
    uint64_t nOut = 0;
    for (;;) {
        ZSTD_outBuffer out{piece.Data(), piece.Size(), 0};
        const size_t nLeft = ZSTD_decompressStream(pContext.get(), &out, &in);
        if (ZSTD_isError(nLeft))
            return E_Extract::Damaged;
        // A frame that gives more than it declared stops here, before the sink sees the excess.
        if (out.pos > m_nSize - nOut)
            return E_Extract::Damaged;
        nOut += out.pos;
        if (out.pos && !fnSink(piece.Data(), out.pos))
            return E_Extract::SinkFailed;
        if (nLeft == 0)
            break;  // the frame is complete
        // The decoder wants more input than there is and has nothing left to give: cut short.
        if (in.pos == in.size && out.pos < out.size)
            return E_Extract::Damaged;
    }
    // One frame, nothing after it, exactly as long as it said.
    return in.pos == in.size && nOut == m_nSize ? E_Extract::Done : E_Extract::Damaged;
}

C_SealedContent::E_Extract C_SealedContent::ExtractTo(C_Message& message) const
{
    if (IsEmpty() || m_nSize > C_Message::kMaxSize)
        return E_Extract::Damaged;
    uint8_t* pData = message.Allocate(static_cast<uint32_t>(m_nSize));
    if (!pData)
        return E_Extract::Damaged;
    uint64_t nAt = 0;
    const E_Extract eResult = Extract([&](const uint8_t* pBytes, size_t nCount) {
        std::memcpy(pData + nAt, pBytes, nCount);
        nAt += nCount;
        return true;
    });
    if (eResult != E_Extract::Done) {
        sodium_memzero(pData, m_nSize);
        message.m_pData.reset();
        message.m_nSize = 0;
        return eResult;
    }
    message.m_strName = GetName();
    return E_Extract::Done;
}
