#!/usr/bin/python3
"""A reader of shares (a file hidden across pictures) written from docs/share-record.md alone,
with the container of docs/sealed-record-2.md read by doc_reader.py. Its GF(2^8) arithmetic is
its own, not ISA-L's.

Usage: share_reader.py OUTPUT PASSPHRASE PICTURE...
    Restores the file into OUTPUT and prints "restored NAME"; exit 1 when too few shares (it
    prints "found J of K"), 4 when a share or the set is damaged.
       share_reader.py --vectors
    Prints the document's test vectors.
"""
import hashlib
import itertools
import struct
import sys

import nacl.bindings

import doc_reader

# --- The field: GF(2^8) with the polynomial 0x11d ----------------------------------------------


def gf_mul(a, b):
    product = 0
    while b:
        if b & 1:
            product ^= a
        a <<= 1
        if a & 0x100:
            a ^= 0x11D
        b >>= 1
    return product


def gf_inv(a):
    # a^254 = 1 / a for a != 0.
    result, power, exponent = 1, a, 254
    while exponent:
        if exponent & 1:
            result = gf_mul(result, power)
        power = gf_mul(power, power)
        exponent >>= 1
    return result


def encode_matrix(n, k):
    return [[1 if i == j else 0 for j in range(k)] if i < k else [gf_inv(i ^ j) for j in range(k)]
            for i in range(n)]


def invert(matrix):
    size = len(matrix)
    work = [row[:] + [1 if i == j else 0 for j in range(size)] for i, row in enumerate(matrix)]
    for col in range(size):
        pivot = next(r for r in range(col, size) if work[r][col])
        work[col], work[pivot] = work[pivot], work[col]
        scale = gf_inv(work[col][col])
        work[col] = [gf_mul(v, scale) for v in work[col]]
        for r in range(size):
            if r != col and work[r][col]:
                factor = work[r][col]
                work[r] = [v ^ gf_mul(factor, w) for v, w in zip(work[r], work[col])]
    return [row[size:] for row in work]


def combine(rows, fragments):
    """Fragment i of the result, byte b: the xor over j of rows[i][j] x fragments[j][b]."""
    length = len(fragments[0])
    out = []
    for row in rows:
        fragment = bytearray(length)
        for coefficient, source in zip(row, fragments):
            if coefficient:
                for b in range(length):
                    fragment[b] ^= gf_mul(coefficient, source[b])
        out.append(bytes(fragment))
    return out


# --- The package ---------------------------------------------------------------------------------

HEAD = 27  # set id, k, n, i, P, D, T, f_i, m_i


def associated(set_id, k, n, d, t):
    return b"VMK-ACROSS" + set_id + bytes([k, n, d, t])


def package_of(inner, ad, key, nonce):
    cipher = nacl.bindings.crypto_aead_xchacha20poly1305_ietf_encrypt(inner, ad, nonce, key)
    mask = hashlib.blake2b(nonce + cipher, digest_size=32).digest()
    return nonce + cipher + bytes(a ^ b for a, b in zip(key, mask))


def split(inner, set_id, k, counts, key, nonce):
    """counts: m_i of each picture. Gives the package and the n bodies."""
    n, t, d = len(counts), sum(counts), sum(sorted(counts)[:k])
    firsts = [sum(counts[:i]) for i in range(n)]
    package = package_of(inner, associated(set_id, k, n, d, t), key, nonce)
    f = -(-len(package) // d)
    padded = package + bytes(d * f - len(package))
    data = [padded[j * f:(j + 1) * f] for j in range(d)]
    fragments = combine(encode_matrix(t, d), data)
    bodies = []
    for i in range(n):
        head = set_id + bytes([k, n, i]) + struct.pack("<I", len(package)) + bytes([d, t, firsts[i], counts[i]])
        bodies.append(head + b"".join(fragments[firsts[i]:firsts[i] + counts[i]]))
    return package, bodies


def parse(body):
    if len(body) < HEAD:
        return None
    k, n, i = body[16], body[17], body[18]
    p = struct.unpack_from("<I", body, 19)[0]
    d, t, first, count = body[23], body[24], body[25], body[26]
    if not (1 <= k <= n) or i >= n or not (1 <= d <= t) or count < 1 or first + count > t or p < 75:
        return None
    f = -(-p // d)
    if len(body) - HEAD != count * f:
        return None
    fragments = {first + j: body[HEAD + j * f:HEAD + (j + 1) * f] for j in range(count)}
    return {"set": (body[:16], k, n, p, d, t), "index": i, "fragments": fragments}


def join(shares):
    """The file (name, payload), or None with the shares found and k."""
    set_id, k, n, p, d, t = shares[0]["set"]
    chosen, indices = {}, set()
    for share in shares:
        if share["set"] == shares[0]["set"]:
            indices.add(share["index"])
            for index, fragment in share["fragments"].items():
                chosen.setdefault(index, fragment)
    if len(chosen) < d:
        if len(indices) >= k:
            raise SystemExit(4)  # k shares always hold D fragments
        return None, len(indices), k
    rows = sorted(chosen)[:d]
    matrix = encode_matrix(t, d)
    data = combine(invert([matrix[r] for r in rows]), [chosen[r] for r in rows])
    padded = b"".join(data)
    if any(padded[p:]):
        raise SystemExit(4)
    package = padded[:p]
    nonce, cipher = package[:24], package[24:p - 32]
    mask = hashlib.blake2b(nonce + cipher, digest_size=32).digest()
    key = bytes(a ^ b for a, b in zip(package[p - 32:], mask))
    try:
        inner = nacl.bindings.crypto_aead_xchacha20poly1305_ietf_decrypt(
            cipher, associated(set_id, k, n, d, t), nonce, key)
    except nacl.exceptions.CryptoError:
        raise SystemExit(4)
    return doc_reader.open_inner(inner), len(indices), k


def vector(k, counts):
    set_id = bytes(range(16))
    key = bytes(range(0x20, 0x40))
    nonce = bytes(range(0x40, 0x58))
    inner = b"\x00\x05\x00a.txthi!"
    n, t, d = len(counts), sum(counts), sum(sorted(counts)[:k])
    print("k = %d, m = %s: D = %d, T = %d" % (k, counts, d, t))
    print("  AD:", associated(set_id, k, n, d, t).hex())
    package, bodies = split(inner, set_id, k, counts, key, nonce)
    print("  P:", len(package), "F:", -(-len(package) // d))
    print("  package:", package.hex())
    for i, body in enumerate(bodies):
        print("  share %d:" % i, body[:16].hex(), body[16:HEAD].hex(), body[HEAD:].hex())
    shares = [parse(body) for body in bodies]
    # Any k restore, in either order; fewer give nothing.
    for chosen in itertools.permutations(range(n), k):
        found, _, _ = join([shares[i] for i in chosen])
        assert found == (b"a.txt", b"hi!"), chosen
    for chosen in itertools.combinations(range(n), k - 1):
        if chosen:
            assert join([shares[i] for i in chosen])[0] is None


def vectors():
    matrix = encode_matrix(5, 3)
    print("matrix rows 3, 4:", bytes(matrix[3]).hex(), bytes(matrix[4]).hex())
    print("inner:", b"\x00\x05\x00a.txthi!".hex())
    vector(2, [1, 1, 1])
    vector(2, [1, 2, 2])


def main():
    if sys.argv[1:] == ["--vectors"]:
        vectors()
        return 0
    output, passphrase, pictures = sys.argv[1], sys.argv[2].encode(), sys.argv[3:]
    shares = []
    for picture in pictures:
        with open(picture, "rb") as f:
            carrier = doc_reader.carrier_bytes(f.read())
        jpeg = doc_reader.picture_is_jpeg(picture)
        n = len(carrier) if jpeg else max(len(carrier) - 1, 0)
        found = doc_reader.container2(carrier, n, passphrase, versions=(2, 3))
        if found is None or found[0] != 3:
            continue
        share = parse(found[1])
        if share is None:
            raise SystemExit(4)
        shares.append(share)
    if not shares:
        print("none")
        return 1
    found, count, needed = join(shares)
    if found is None:
        print("found %d of %d" % (count, needed))
        return 1
    with open(output, "wb") as f:
        f.write(found[1])
    print("restored", found[0].decode())
    return 0


if __name__ == "__main__":
    sys.exit(main())
