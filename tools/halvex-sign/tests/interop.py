#!/usr/bin/env python3
"""halvex-sign against an independent Ed25519ph: Python's nacl (Debian python3-nacl).

Signatures go both ways: what halvex-sign writes must verify in Python, what Python writes in
the documented signature-file format must verify with halvex-sign. Python signs and verifies in
two ways: with nacl's own Ed25519ph calls, and composed here from primitives (hashlib's SHA-512
and nacl's group operations) by RFC 8032's rules for Ed25519ph: the message is the SHA-512 of
the file, every hash starts with the prefix "SigEd25519 no Ed25519 collisions", flag 1 and an
empty context. The second way shares no signature code with libsodium.

usage: interop.py HALVEX_SIGN [RUNNER...]   (RUNNER, e.g. scripts/wine-run, is put before it)
"""
import base64
import hashlib
import os
import stat
import subprocess
import sys
import tempfile
import unittest

import nacl.bindings as nb
import nacl.signing

TOOL = sys.argv[1:]
L = 2**252 + 27742317777372353535851937790883648493
DOM2 = b"SigEd25519 no Ed25519 collisions" + bytes([1, 0])


def scalar(n):
    return (n % L).to_bytes(32, "little")


def h_int(*parts):
    return int.from_bytes(hashlib.sha512(b"".join(parts)).digest(), "little")


def expand(seed):
    h = hashlib.sha512(seed).digest()
    a = bytearray(h[:32])
    a[0] &= 248
    a[31] &= 127
    a[31] |= 64
    a = int.from_bytes(a, "little")
    return a, h[32:], nb.crypto_scalarmult_ed25519_base_noclamp(scalar(a))


def composed_sign(seed, message):
    a, prefix, public = expand(seed)
    ph = hashlib.sha512(message).digest()
    r = h_int(DOM2, prefix, ph) % L
    R = nb.crypto_scalarmult_ed25519_base_noclamp(scalar(r))
    k = h_int(DOM2, R, public, ph) % L
    return R + scalar(r + k * a)


def composed_verify(public, signature, message):
    R, S = signature[:32], int.from_bytes(signature[32:], "little")
    if S >= L or not nb.crypto_core_ed25519_is_valid_point(public):
        return False
    k = h_int(DOM2, R, public, hashlib.sha512(message).digest()) % L
    try:
        kA = nb.crypto_scalarmult_ed25519_noclamp(scalar(k), public)
        return nb.crypto_core_ed25519_sub(nb.crypto_scalarmult_ed25519_base_noclamp(scalar(S)), kA) == R
    except Exception:
        return False


def nacl_sign(seed, message):
    state = nb.crypto_sign_ed25519ph_state()
    nb.crypto_sign_ed25519ph_update(state, message)
    return nb.crypto_sign_ed25519ph_final_create(state, seed + expand(seed)[2])


def nacl_verify(public, signature, message):
    state = nb.crypto_sign_ed25519ph_state()
    nb.crypto_sign_ed25519ph_update(state, message)
    try:
        return nb.crypto_sign_ed25519ph_final_verify(state, signature, public)
    except Exception:
        return False


def write(path, data, mode="wb"):
    with open(path, mode) as f:
        f.write(data)


def read(path, mode="rb"):
    with open(path, mode) as f:
        return f.read()


def b64(data):
    return base64.b64encode(data).decode()


def signature_file(public, signature):
    return f"halvex-signature 1 ed25519ph\r\nkey {b64(public)}\r\nsig {b64(signature)}\r\n".encode()


def read_signature_file(path):
    lines = read(path).decode().splitlines()
    assert lines[0] == "halvex-signature 1 ed25519ph", lines
    assert lines[1].startswith("key ") and lines[2].startswith("sig "), lines
    return base64.b64decode(lines[1][4:], validate=True), base64.b64decode(lines[2][4:], validate=True)


def run(*args):
    p = subprocess.run(TOOL + list(args), capture_output=True, text=True)
    return p.returncode, p.stdout, p.stderr


class Interop(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.path = lambda name: os.path.join(self.dir.name, name)
        self.archive = self.path("UPDATE.ZIP")
        # Not a multiple of the tool's read blocks, so the last block is a short one.
        self.data = os.urandom(3 * 65536 + 1234)
        write(self.archive, self.data)

    def tearDown(self):
        self.dir.cleanup()

    def test_the_python_side_matches_the_published_example(self):
        seed = bytes.fromhex("833fe62409237b9d62ec77587520911e9a759cec1d19755b7da901b96dca3d42")
        expected = bytes.fromhex(
            "98a70222f0b8121aa9d30f813d683f809e462b469c7ff87639499bb94e6dae41"
            "31f85042463c2a355a2003d062adf5aaa10b8c61e636062aaad11c2a26083406")
        self.assertEqual(composed_sign(seed, b"abc"), expected)
        self.assertEqual(nacl_sign(seed, b"abc"), expected)

    def test_halvex_sign_signatures_verify_in_python(self):
        code, out, err = run("keygen", self.path("secret"))
        self.assertEqual(code, 0, err)
        self.assertTrue(out.startswith("PUBLIC_KEY="), out)
        public = base64.b64decode(out.strip()[len("PUBLIC_KEY="):], validate=True)
        if os.name == "posix" and TOOL[0].endswith("halvex-sign"):
            self.assertEqual(stat.S_IMODE(os.stat(self.path("secret")).st_mode), 0o600)
        # The secret file's seed gives the printed public key in Python too.
        seed = base64.b64decode(read(self.path("secret"), "r").splitlines()[1], validate=True)
        self.assertEqual(nacl.signing.SigningKey(seed).verify_key.encode(), public)
        self.assertEqual(expand(seed)[2], public)

        code, _, err = run("sign", self.path("secret"), self.archive)
        self.assertEqual(code, 0, err)
        key, signature = read_signature_file(self.archive + ".SIG")
        self.assertEqual(key, public)
        self.assertTrue(composed_verify(public, signature, self.data))
        self.assertTrue(nacl_verify(public, signature, self.data))
        # Ed25519ph is deterministic: Python makes the very same signature.
        self.assertEqual(composed_sign(seed, self.data), signature)
        changed = bytearray(self.data)
        changed[len(changed) // 2] ^= 1
        self.assertFalse(composed_verify(public, signature, bytes(changed)))
        self.assertFalse(nacl_verify(public, signature, bytes(changed)))

    def test_python_signatures_verify_with_halvex_sign(self):
        seed = os.urandom(32)
        public = expand(seed)[2]
        for name, sign in (("composed", composed_sign), ("nacl", nacl_sign)):
            with self.subTest(name):
                write(self.archive + ".SIG", signature_file(public, sign(seed, self.data)))
                code, _, err = run("verify", b64(public), self.archive)
                self.assertEqual(code, 0, err)
        # The key taken from a description file, as the launcher takes it.
        write(self.path("VER_INFO.INF"), f"NAME=App\r\nPUBLIC_KEY={b64(public)}\r\n".encode())
        self.assertEqual(run("verify", self.path("VER_INFO.INF"), self.archive)[0], 0)
        # Flip a bit of the first byte: writing a fixed byte would change nothing
        # in one run of 256, when the random data already starts with it.
        write(self.archive, bytes([self.data[0] ^ 1]), "r+b")
        code, _, err = run("verify", b64(public), self.archive)
        self.assertEqual(code, 1)
        self.assertIn("does not match its signature", err)

    def test_description_files_are_read_as_the_launcher_reads_them(self):
        seed = os.urandom(32)
        public = expand(seed)[2]
        lines = f"PUBLIC_KEY={b64(public)}\r\nNAME=\ub178\ud2b8\r\n"
        description = self.path("VER_INFO.INF")
        sig = self.archive + ".SIG"
        # The key on the first line behind a byte-order mark, and in UTF-16 both ways.
        for name, data in (("utf-8 with bom", b"\xef\xbb\xbf" + lines.encode()),
                           ("utf-16le", lines.encode("utf-16")),
                           ("utf-16be", b"\xfe\xff" + lines.encode("utf-16-be"))):
            with self.subTest(name):
                write(description, data)
                if os.path.exists(sig):
                    os.remove(sig)
                code, _, err = run("verify", description, self.archive)
                self.assertEqual(code, 2, err)
                self.assertIn("The update is not signed", err)
                write(sig, signature_file(public, composed_sign(seed, self.data)))
                code, _, err = run("verify", description, self.archive)
                self.assertEqual(code, 0, err)
        # A line that only looks like the key's is an error, as in the launcher.
        for data, message in ((f"NAME=x\r\n PUBLIC_KEY={b64(public)}\r\n".encode(), "Line 2 of"),
                              (f"PUBLIC_KEY ={b64(public)}".encode(), "looks like a PUBLIC_KEY line"),
                              (f"PUBLIC_KEY=\r\nPUBLIC_KEY={b64(public)}".encode(), "twice with different values")):
            with self.subTest(data):
                write(description, data)
                code, _, err = run("verify", description, self.archive)
                self.assertEqual(code, 2, err)
                self.assertIn(message, err)

    def test_exit_codes_and_messages(self):
        seed = os.urandom(32)
        public = expand(seed)[2]
        other = expand(os.urandom(32))[2]
        sig = self.archive + ".SIG"
        self.assertEqual(run("verify", b64(public), self.archive)[0], 2, "no signature file")
        cases = [
            ("garbage", b"\x00\x01garbage", 1, "is not an update signature file"),
            ("truncated", signature_file(public, composed_sign(seed, self.data))[:90], 1, "damaged or cut short"),
            ("another key", signature_file(other, composed_sign(seed, self.data)), 1, "made with another key"),
        ]
        for name, content, expected, message in cases:
            with self.subTest(name):
                write(sig, content)
                code, _, err = run("verify", b64(public), self.archive)
                self.assertEqual(code, expected, err)
                self.assertIn(message, err)
                if len(TOOL) == 1:  # run natively: the file is named as this system writes paths
                    self.assertIn(f'"{sig}"', err)
        self.assertEqual(run("verify", b64(public)[:-2], self.archive)[0], 2, "malformed key")
        self.assertEqual(run("verify", b64(public), self.path("none.zip"))[0], 2, "no archive")
        self.assertEqual(run("sign")[0], 2)
        write(self.path("secret"), "not a key\n", "w")
        self.assertEqual(run("sign", self.path("secret"), self.archive)[0], 2)
        self.assertEqual(run("keygen", self.path("secret"))[0], 2, "an existing file is never replaced")
        self.assertEqual(read(self.path("secret"), "r"), "not a key\n")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=1)
