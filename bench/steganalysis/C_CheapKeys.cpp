#include "bench/steganalysis/C_CheapKeys.h"

#include <sodium.h>

#include <cstddef>

extern "C" int __real_crypto_pwhash(unsigned char* pOut, unsigned long long nOut, const char* pPassword,
    unsigned long long nPassword, const unsigned char* pSalt, unsigned long long nOps, size_t nMem, int nAlg);

extern "C" int __wrap_crypto_pwhash(unsigned char* pOut, unsigned long long nOut, const char* pPassword,
    unsigned long long nPassword, const unsigned char* pSalt, unsigned long long nOps, size_t nMem, int nAlg)
{
    if (!C_CheapKeys::IsFull()) {
        nOps = crypto_pwhash_OPSLIMIT_MIN;
        nMem = crypto_pwhash_MEMLIMIT_MIN;
    }
    return __real_crypto_pwhash(pOut, nOut, pPassword, nPassword, pSalt, nOps, nMem, nAlg);
}
