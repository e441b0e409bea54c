#pragma once
// Bytes that must not stay in memory once used: derived keys, pass phrases, opened plaintext.
// Small buffers live in libsodium's guarded memory (locked against swapping where the platform
// allows); larger ones, and small ones where guarded memory cannot be had, in ordinary memory.
// Either way every byte is wiped (sodium_memzero) when it is replaced, cleared or released.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class C_SecretBytes {
public:
    // Up to this many bytes go to guarded memory, which costs a few pages of address space and
    // of locked memory per buffer.
    static constexpr size_t kGuardedBytes = size_t{64} << 10;

    C_SecretBytes() = default;
    // nSize zero bytes. Throws std::bad_alloc when no memory is left.
    explicit C_SecretBytes(size_t nSize);
    explicit C_SecretBytes(std::string_view strText);
    C_SecretBytes(const C_SecretBytes& other);
    C_SecretBytes& operator=(const C_SecretBytes& other);
    C_SecretBytes(C_SecretBytes&& other) noexcept;
    C_SecretBytes& operator=(C_SecretBytes&& other) noexcept;
    ~C_SecretBytes();

    // Replaces the bytes: the old ones are wiped first, and the buffer is kept when the new ones
    // fit, so nothing of a longer old value stays behind it.
    void Assign(const void* pBytes, size_t nCount);
    void Assign(std::string_view strText) { Assign(strText.data(), strText.size()); }
    // Wipes every byte of the buffer and leaves it empty; the buffer stays for reuse.
    void Wipe();

    uint8_t* Data() { return m_pBytes; }
    const uint8_t* Data() const { return m_pBytes; }
    size_t Size() const { return m_nSize; }
    // Bytes the buffer holds, used or not.
    size_t Capacity() const { return m_nCapacity; }
    std::string_view View() const { return {reinterpret_cast<const char*>(m_pBytes), m_nSize}; }
    // The buffer is in libsodium's guarded memory.
    bool IsGuarded() const { return m_bGuarded; }

    // Wipes every byte of str's buffer, the part past its end included, and empties it.
    static void WipeString(std::string& str);

    // libsodium is started (its guarded memory and random source need it); false when it
    // cannot be.
    static bool SodiumReady();

private:
    // Wipes and frees the buffer.
    void Release();
    void Reserve(size_t nCapacity);

    uint8_t* m_pBytes = nullptr;  // owned: guarded memory or new[]
    size_t m_nSize = 0;
    size_t m_nCapacity = 0;
    bool m_bGuarded = false;
};
