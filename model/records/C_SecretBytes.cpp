#include "model/records/C_SecretBytes.h"

#include <sodium.h>

#include <cstring>
#include <new>
#include <utility>

bool C_SecretBytes::SodiumReady()
{
    static const bool bReady = sodium_init() >= 0;
    return bReady;
}

void C_SecretBytes::WipeString(std::string& str)
{
    // Grown to its capacity first (no new buffer), so that all of it may be written.
    str.resize(str.capacity());
    sodium_memzero(str.data(), str.size());
    str.clear();
}

C_SecretBytes::C_SecretBytes(size_t nSize)
{
    Reserve(nSize);
    m_nSize = nSize;
}

C_SecretBytes::C_SecretBytes(std::string_view strText)
{
    Assign(strText);
}

C_SecretBytes::C_SecretBytes(const C_SecretBytes& other)
{
    Assign(other.m_pBytes, other.m_nSize);
}

C_SecretBytes& C_SecretBytes::operator=(const C_SecretBytes& other)
{
    if (this != &other)
        Assign(other.m_pBytes, other.m_nSize);
    return *this;
}

C_SecretBytes::C_SecretBytes(C_SecretBytes&& other) noexcept
    : m_pBytes(std::exchange(other.m_pBytes, nullptr))
    , m_nSize(std::exchange(other.m_nSize, 0))
    , m_nCapacity(std::exchange(other.m_nCapacity, 0))
    , m_bGuarded(std::exchange(other.m_bGuarded, false))
{ }

C_SecretBytes& C_SecretBytes::operator=(C_SecretBytes&& other) noexcept
{
    if (this != &other) {
        Release();
        m_pBytes = std::exchange(other.m_pBytes, nullptr);
        m_nSize = std::exchange(other.m_nSize, 0);
        m_nCapacity = std::exchange(other.m_nCapacity, 0);
        m_bGuarded = std::exchange(other.m_bGuarded, false);
    }
    return *this;
}

C_SecretBytes::~C_SecretBytes()
{
    Release();
}

void C_SecretBytes::Assign(const void* pBytes, size_t nCount)
{
    Wipe();
    if (nCount > m_nCapacity) {
        Release();
        Reserve(nCount);
    }
    if (nCount)
        std::memcpy(m_pBytes, pBytes, nCount);
    m_nSize = nCount;
}

void C_SecretBytes::Wipe()
{
    if (m_pBytes)
        sodium_memzero(m_pBytes, m_nCapacity);
    m_nSize = 0;
}

void C_SecretBytes::Reserve(size_t nCapacity)
{
    if (nCapacity == 0)
        return;
    if (nCapacity <= kGuardedBytes && SodiumReady())
        m_pBytes = static_cast<uint8_t*>(sodium_malloc(nCapacity));
    m_bGuarded = m_pBytes != nullptr;
    if (!m_pBytes)
        m_pBytes = new uint8_t[nCapacity];
    // Guarded memory comes filled with a marker, not zeros.
    std::memset(m_pBytes, 0, nCapacity);
    m_nCapacity = nCapacity;
}

void C_SecretBytes::Release()
{
    if (m_pBytes) {
        sodium_memzero(m_pBytes, m_nCapacity);
        if (m_bGuarded)
            sodium_free(m_pBytes);
        else
            delete[] m_pBytes;
    }
    m_pBytes = nullptr;
    m_nSize = 0;
    m_nCapacity = 0;
    m_bGuarded = false;
}
