#pragma once
// The measuring sticks' sealed records derive their keys at Argon2id's least cost: the keys only
// pick which pseudo-random order and code the elements get, which the full cost would not
// change, and the full cost is a third of a second a picture. A program that links this source
// with `LINKER:--wrap=crypto_pwhash` gets every derivation, the model's included, at that cost
// unless SetFull(true) asks for the hide's own.

class C_CheapKeys {
public:
    static void SetFull(bool bFull) { s_bFull = bFull; }
    static bool IsFull() { return s_bFull; }

private:
    static inline bool s_bFull = false;
};
