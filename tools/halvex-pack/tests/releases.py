#!/usr/bin/env python3
"""halvex-pack end to end: two release trees packed, the archive checked against other folders
(what the launcher would replace, add, remove, keep or refuse), read back by Info-ZIP unzip, 7z
and halvex-unzip, signed, and altered after it was made.

usage: releases.py [RUNNER...] HALVEX_PACK HALVEX_UNZIP HALVEX_SIGN
       (RUNNER, e.g. scripts/wine-run, is put before each tool)
"""
import hashlib
import os
import random
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

RUNNER = sys.argv[1:-3]
PACK, UNZIP, SIGN = ([*RUNNER, t] for t in sys.argv[-3:])
MANIFEST = "UPDATE/~HALVEX-RELEASE"
BIG = 33 * 1024 * 1024 + 5  # above the size halvex-pack holds whole: streamed


def run(tool, *args):
    p = subprocess.run(tool + [str(a) for a in args], capture_output=True, text=True, encoding="utf-8")
    return p.returncode, p.stdout, p.stderr


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def read(path):
    with open(path, "rb") as f:
        return f.read()


def tree(root):
    out = {}
    for base, _, files in os.walk(root):
        for f in files:
            p = os.path.join(base, f)
            out[os.path.relpath(p, root).replace(os.sep, "/")] = read(p)
    return out


class Releases(unittest.TestCase):
    @classmethod
    def p(cls, *parts):
        return os.path.join(cls.tmp.name, *parts)

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        old, new = cls.p("old"), cls.p("new")
        big = b"".join(b"block %08d of a large file\n" % i for i in range(BIG // 28 + 1))[:BIG]
        files_old = {
            "bin/app.exe": b"app 1.0" * 1000,
            "bin/same.dll": b"unchanged" * 500,
            "bin/big.pak": big,
            "data/Readme.TXT": b"read me",
            "plugins/old/x.dll": b"old plugin",
            "plugins/old/y.dll": b"another",
            "gone.txt": b"vendor's text",
            "renamed-from.ini": b"[settings]\n",
            "UPDATE/VER_INFO.INF": b"NAME=App\r\n",
        }
        files_new = {
            "bin/app.exe": b"app 1.1" * 1000,
            "bin/same.dll": b"unchanged" * 500,
            "bin/big.pak": big[:-1] + b"!",  # same size, one byte changed: found by its hash
            "data/README.txt": b"read me",   # only its case changed
            "renamed-to.ini": b"[settings]\n",
            "new/読んで.txt": "utf-8 name".encode(),
            "new/empty.dat": b"",
            "new/ro.cfg": b"read only",
            "UPDATE/VER_INFO.INF": b"NAME=App\r\n",
        }
        for name, data in files_old.items():
            write(os.path.join(old, name), data)
        for name, data in files_new.items():
            write(os.path.join(new, name), data)
        os.chmod(os.path.join(new, "new/ro.cfg"), 0o444)
        cls.files_new = files_new
        code, _, err = run(PACK, "stamp", "--product", "Acme", "--version", "1.0", old)
        assert code == 0, err
        cls.archive = cls.p("UPDATE.ZIP")
        code, _, err = run(PACK, "make", "--old", old, "--new", new, "--product", "Acme", "--version", "1.1",
                           "-o", cls.archive)
        assert code == 0, err
        cls.make_err = err

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def app(self, name, record=None, extra=None):
        """A copy of the old release as installed, with a record of its own and the user's files."""
        dest = self.p(name)
        shutil.rmtree(dest, ignore_errors=True)
        shutil.copytree(self.p("old"), dest)
        if record is not None:
            os.remove(os.path.join(dest, "UPDATE", "RELEASE.INF"))
            if record:
                code, _, err = run(PACK, "stamp", "--product", record[0], "--version", record[1], dest)
                self.assertEqual(code, 0, err)
        for rel, data in (extra or {}).items():
            write(os.path.join(dest, rel), data)
        return dest

    def test_archive_holds_the_changed_files_and_the_manifest(self):
        names = set(zipfile.ZipFile(self.archive).namelist())
        self.assertEqual(names, {"bin/app.exe", "bin/big.pak", "data/README.txt", "renamed-to.ini", "new/",
                                 "new/読んで.txt", "new/empty.dat", "new/ro.cfg", MANIFEST})
        self.assertIn("Acme 1.1, 7 of 9 files", self.make_err)
        manifest = zipfile.ZipFile(self.archive).read(MANIFEST).decode()
        lines = manifest.splitlines()
        self.assertEqual(lines[:4], ["halvex-release 1", "product Acme", "version 1.1", "from 1.0"])
        for rel, data in self.files_new.items():
            line = "file %d %s %s" % (len(data), hashlib.sha256(data).hexdigest(), rel.replace("/", "\\"))
            self.assertIn(line, lines)
        dropped = [l.split(" ", 2)[2] for l in lines if l.startswith("drop ")]
        self.assertEqual(dropped, ["gone.txt", "plugins\\old\\x.dll", "plugins\\old\\y.dll", "renamed-from.ini"])
        self.assertIn("drop %s gone.txt" % hashlib.sha256(b"vendor's text").hexdigest(), lines)
        # Each file's last change as an extended timestamp (UTC seconds) beside the DOS time.
        info = zipfile.ZipFile(self.archive).getinfo("bin/app.exe")
        at = info.extra.find(b"UT\x05\x00\x01")
        self.assertGreaterEqual(at, 0, info.extra)
        self.assertEqual(int.from_bytes(info.extra[at + 5:at + 9], "little"),
                         int(os.stat(self.p("new", "bin", "app.exe")).st_mtime))

    def test_peers_and_our_engine_read_it(self):
        for tool, args in ((["unzip"], ["-tqq"]), (["7z"], ["t", "-bso0", "-bsp0"]), (UNZIP, ["-qq", "-t"])):
            if tool[-1] in ("unzip", "7z") and not shutil.which(tool[-1]):
                continue
            code, out, err = run(tool, *args, self.archive)
            self.assertEqual(code, 0, "%s: %s %s" % (tool, out, err))
        out = self.p("extracted")
        code, _, err = run(UNZIP, "-qq", "-o", "-d", out, self.archive)
        self.assertEqual(code, 0, err)
        got = tree(out)
        for rel in ("bin/app.exe", "bin/big.pak", "new/読んで.txt", "new/empty.dat", "renamed-to.ini"):
            self.assertEqual(got[rel], self.files_new[rel], rel)
        if os.name == "posix" and not RUNNER:
            self.assertFalse(os.stat(os.path.join(out, "new/ro.cfg")).st_mode & 0o222, "read-only kept")

    def test_check_lists_what_the_launcher_would_do(self):
        app = self.app("app", extra={"gone.txt": b"the user changed it", "plugins/old/mine.ini": b"user's"})
        code, out, err = run(PACK, "check", self.archive, app)
        self.assertEqual(code, 0, out + err)
        lines = out.splitlines()
        # The case-only rename replaces the file where names are compared as Windows does, and adds
        # one beside it where they are not (Linux).
        replaced = "replace     data\\README.txt" in lines
        self.assertTrue(replaced or "add         data\\README.txt" in lines, out)
        summary = "would apply: %d replaced, %d added, 3 removed, 1 kept, 0 missing" % ((3, 4) if replaced else (2, 5))
        for expected in ("replace     bin\\app.exe", "replace     bin\\big.pak", "add         renamed-to.ini", "add         new\\読んで.txt", "remove      plugins\\old\\x.dll",
                         "remove      renamed-from.ini", "keep        gone.txt (changed since the vendor shipped it)",
                         summary):
            self.assertIn(expected, lines)
        self.assertFalse([l for l in lines if "plugins\\old\\ (left empty)" in l], "a user's file keeps the folder")
        app2 = self.app("app2")
        code, out, _ = run(PACK, "check", self.archive, app2)
        self.assertIn("remove      plugins\\old\\ (left empty)", out.splitlines())
        self.assertIn("remove      plugins\\ (left empty)", out.splitlines())

    def test_check_refuses(self):
        cases = [
            ("other product", ("Other", "1.0"), "The update is for \"Acme\", not for this application (\"Other\")."),
            ("same version", ("Acme", "1.1"), "Version 1.1 of \"Acme\" is installed already."),
            ("older installed", ("Acme", "0.9"), "applies to version 1.0 only; version 0.9 is installed."),
            ("newer installed", ("Acme", "1.2"), "back from version 1.2 to the older 1.1, and it is not marked"),
            ("no record", (), "does not say which version it is"),
        ]
        for what, record, message in cases:
            with self.subTest(what):
                code, out, err = run(PACK, "check", self.archive, self.app("refused", record=record))
                self.assertEqual(code, 1, out + err)
                self.assertIn(message, out)
        # Nothing was written by any check.
        self.assertEqual(tree(self.app("untouched")), tree(self.p("old")))

    def rewrite(self, name, change):
        """The archive rewritten by Python with change(name, bytes) -> bytes applied to each entry."""
        path = self.p(name)
        with zipfile.ZipFile(self.archive) as src, zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as dst:
            for info in src.infolist():
                dst.writestr(info, change(info.filename, src.read(info.filename)))
        return path

    def test_altered_archive_is_refused(self):
        app = self.app("app3")
        # Same size, one byte changed, CRC-32 correct: only the SHA-256 tells.
        altered = self.rewrite("altered.zip", lambda n, d: d.replace(b"app 1.1", b"app 6.6", 1) if n == "bin/app.exe" else d)
        code, out, err = run(PACK, "check", altered, app)
        self.assertEqual(code, 1, out + err)
        self.assertIn("\"bin\\app.exe\" is not the file its release manifest names", out)
        bad = self.rewrite("bad.zip", lambda n, d: d.replace(b"from 1.0", b"from 1.O") if n == MANIFEST else d)
        code, out, err = run(PACK, "show", bad)
        self.assertEqual(code, 2)
        self.assertIn("is not a valid release manifest: line 4: \"1.O\" is not a version", err)
        extra = self.p("extra.zip")
        shutil.copy(self.archive, extra)
        with zipfile.ZipFile(extra, "a") as z:
            z.writestr("evil.dll", b"not from the vendor")
        code, out, _ = run(PACK, "check", extra, app)
        self.assertEqual(code, 1)
        self.assertIn("holds \"evil.dll\", which its release manifest does not list", out)

    def test_full_rollback_and_signed(self):
        new_stamped = self.p("new-stamped")
        shutil.copytree(self.p("new"), new_stamped)
        self.assertEqual(run(PACK, "stamp", "--product", "Acme", "--version", "1.1", new_stamped)[0], 0)
        full = self.p("full.zip")
        code, _, err = run(PACK, "make", "--new", new_stamped, "--product", "Acme", "--version", "1.1", "--full",
                           "-o", full)
        self.assertEqual(code, 0, err)
        self.assertEqual(len(zipfile.ZipFile(full).namelist()), len(self.files_new) + 5)  # + 4 folders, manifest
        code, out, _ = run(PACK, "show", full)
        self.assertIn("applies to  any version", out)
        code, out, _ = run(PACK, "check", full, self.app("unrecorded", record=()))
        self.assertEqual(code, 0, out)

        back = self.p("back.zip")
        code, _, err = run(PACK, "make", "--old", new_stamped, "--new", self.p("old"), "--product", "Acme",
                           "--version", "1.0", "-o", back)
        self.assertEqual(code, 2)
        self.assertIn("give --rollback for a deliberate rollback", err)
        self.assertFalse(os.path.exists(back))
        code, _, err = run(SIGN, "keygen", self.p("vendor.key"))
        self.assertEqual(code, 0, err)
        code, _, err = run(PACK, "make", "--old", new_stamped, "--new", self.p("old"), "--product", "Acme",
                           "--version", "1.0", "--rollback", "--key", self.p("vendor.key"), "-o", back)
        self.assertEqual(code, 0, err)
        self.assertTrue(os.path.exists(back + ".SIG"))
        installed = self.app("at-1.1", record=("Acme", "1.1"))
        public = run(SIGN, "keygen", self.p("other.key"))[1].strip()  # a key that did not sign it
        code, out, _ = run(PACK, "check", back, installed)
        self.assertEqual(code, 0, out)
        self.assertIn("(a rollback)", out)
        write(os.path.join(installed, "UPDATE", "VER_INFO.INF"), public + "\r\n")
        code, out, _ = run(PACK, "check", back, installed)
        self.assertEqual(code, 1)
        self.assertIn("was made with another key", out)

    def test_usage_errors(self):
        plain = self.p("plain.zip")
        with zipfile.ZipFile(plain, "w") as z:
            z.writestr("bin/app.exe", b"no manifest")
        cases = [
            (["check", plain, self.p("old")], "holds no release manifest (UPDATE\\~HALVEX-RELEASE)"),
            (["make", "--old", self.p("new"), "--new", self.p("old"), "--product", "Acme", "--version", "2", "-o",
              self.p("x.zip")], "--from is missing"),
            (["make", "--old", self.p("old"), "--new", self.p("new"), "--product", "Other", "--version", "2", "-o",
              self.p("x.zip")], "is a release of \"Acme\", not of \"Other\""),
            (["make", "--new", self.p("new"), "--product", "a b", "--version", "2", "--full", "-o", self.p("x.zip")],
             "is not a product id"),
            (["make", "--new", self.p("new"), "--product", "A", "--version", "01", "--full", "-o", self.p("x.zip")],
             "is not a version"),
            (["show", self.p("old", "bin", "app.exe")], ""),
        ]
        for args, message in cases:
            with self.subTest(" ".join(args[:2])):
                code, _, err = run(PACK, *args)
                self.assertEqual(code, 2, err)
                self.assertIn(message, err)


PATCHES = "UPDATE/~HALVEX-PATCH/"


class DeltaReleases(unittest.TestCase):
    """make --delta: changed files as patches against the previous release where that is smaller,
    what show and check say of them, and the refusals of an installation they do not fit."""

    @classmethod
    def p(cls, *parts):
        return os.path.join(cls.tmp.name, *parts)

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        rng = random.Random(7)
        binary = bytes(rng.getrandbits(8) for _ in range(300_000))  # does not deflate: a patch wins
        edited = bytearray(binary)
        for at in range(5_000, len(edited), 40_000):  # scattered edits, as a rebuilt program has
            edited[at:at + 4] = b"\xde\xad\xbe\xef"
        log = b"".join(b"%06d an entry of the log, more or less like the others\n" % i for i in range(4000))
        text = b"".join(rng.choice([b"alpha ", b"beta ", b"gamma\n", b"delta ", b"omega\n"]) for _ in range(50_000))
        cls.old_files = {
            "bin/app.exe": binary,
            "data/history.log": log,
            "data/text.txt": text,
            "bin/same.dll": b"unchanged" * 500,
            "tiny.cfg": b"level=1\n",
            "gone.txt": b"dropped",
        }
        cls.new_files = {
            "bin/app.exe": bytes(edited),
            "data/history.log": log + b"004000 one more entry\n",             # appended
            "data/text.txt": text[:100_000] + b"CHANGED" + text[100_007:],    # changed in place
            "bin/same.dll": b"unchanged" * 500,                               # identical
            "tiny.cfg": b"level=2\n",          # smaller deflated than any patch: whole
            "added.txt": b"a new file",
        }
        for name, data in cls.old_files.items():
            write(cls.p("old", name), data)
        for name, data in cls.new_files.items():
            write(cls.p("new", name), data)
        code, _, err = run(PACK, "stamp", "--product", "Acme", "--version", "1.0", cls.p("old"))
        assert code == 0, err
        cls.archive = cls.p("DELTA.ZIP")
        code, _, err = run(PACK, "make", "--delta", "--old", cls.p("old"), "--new", cls.p("new"), "--product", "Acme",
                           "--version", "1.1", "-o", cls.archive)
        assert code == 0, err
        cls.make_err = err
        cls.full = cls.p("CHANGED.ZIP")
        code, _, err = run(PACK, "make", "--old", cls.p("old"), "--new", cls.p("new"), "--product", "Acme",
                           "--version", "1.1", "-o", cls.full)
        assert code == 0, err

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def app(self, name, change=None, record=("Acme", "1.0")):
        """An installation of the old release, with change = {path: bytes or None (removed)}."""
        dest = self.p(name)
        shutil.rmtree(dest, ignore_errors=True)
        shutil.copytree(self.p("old"), dest)
        for rel, data in (change or {}).items():
            if data is None:
                os.remove(os.path.join(dest, rel))
            else:
                write(os.path.join(dest, rel), data)
        if record != ("Acme", "1.0"):
            self.assertEqual(run(PACK, "stamp", "--product", record[0], "--version", record[1], dest)[0], 0)
        return dest

    def test_changed_files_travel_as_patches_where_smaller(self):
        z = zipfile.ZipFile(self.archive)
        names = set(z.namelist())
        patched = ["bin/app.exe", "data/history.log", "data/text.txt"]
        self.assertEqual(names, {PATCHES + n for n in patched} | {"tiny.cfg", "added.txt", MANIFEST})
        self.assertIn("5 of 6 files (3 as patches)", self.make_err)
        lines = z.read(MANIFEST).decode().splitlines()
        self.assertEqual(lines[0], "halvex-release 2")  # a reader that knows no patches refuses it
        got = [l for l in lines if l.startswith("patch ")]
        self.assertEqual(got, ["patch %s %s" % (hashlib.sha256(self.old_files[n]).hexdigest(), n.replace("/", "\\"))
                               for n in patched])
        for n in patched:  # the file line gives the result
            data = self.new_files[n]
            self.assertIn("file %d %s %s" % (len(data), hashlib.sha256(data).hexdigest(), n.replace("/", "\\")), lines)
            self.assertLess(z.getinfo(PATCHES + n).compress_size, zipfile.ZipFile(self.full).getinfo(n).compress_size, n)
        self.assertLess(os.path.getsize(self.archive), os.path.getsize(self.full) // 10)

    def test_show_lists_the_patched_files(self):
        code, out, err = run(PACK, "show", self.archive)
        self.assertEqual(code, 0, err)
        size = zipfile.ZipFile(self.archive).getinfo(PATCHES + "bin/app.exe").file_size
        self.assertIn("patched     3 (base SHA-256, patch size; the file's line above)", out)
        self.assertIn("  ~ %s %d bin\\app.exe" % (hashlib.sha256(self.old_files["bin/app.exe"]).hexdigest(), size),
                      out.splitlines())
        self.assertIn("  + %s %d tiny.cfg" % (hashlib.sha256(b"level=2\n").hexdigest(), 8), out.splitlines())

    def test_check_applies_the_patches_to_the_old_release(self):
        code, out, err = run(PACK, "check", self.archive, self.app("installed"))
        self.assertEqual(code, 0, out + err)
        lines = out.splitlines()
        for expected in ("patch       bin\\app.exe", "patch       data\\history.log", "patch       data\\text.txt",
                         "replace     tiny.cfg", "add         added.txt", "remove      gone.txt",
                         "would apply: 1 replaced, 3 patched, 1 added, 1 removed, 0 kept, 0 missing"):
            self.assertIn(expected, lines)

    def test_check_refuses_an_installation_the_patches_do_not_fit(self):
        cases = [
            # what, installation, exit code, message
            ("a base changed by the user", {"data/text.txt": self.old_files["data/text.txt"][:-1] + b"!"}, 3,
             "The update patches \"data\\text.txt\", but the installed file is not the one it was made against"),
            ("a base of another size", {"data/history.log": b"short"}, 3, "The update patches \"data\\history.log\""),
            ("a base removed", {"bin/app.exe": None}, 3, "(it is not installed)"),
            ("another build of the same version", {"bin/app.exe": self.new_files["bin/app.exe"][::-1]}, 3,
             "The update patches \"bin\\app.exe\""),
            ("another version", {"bin/app.exe": b"0.9"}, 1, "applies to version 1.0 only; version 0.9 is installed."),
        ]
        for what, change, code, message in cases:
            with self.subTest(what):
                record = ("Acme", "0.9") if what == "another version" else ("Acme", "1.0")
                got, out, err = run(PACK, "check", self.archive, self.app("refused", change, record))
                self.assertEqual(got, code, out + err)
                self.assertIn("refused: ", out)
                self.assertIn(message, out)
        # The same installation takes the update of whole files.
        code, out, err = run(PACK, "check", self.full, self.app("takes-full", {"data/text.txt": b"the user's"}))
        self.assertEqual(code, 0, out + err)

    def rewrite(self, name, change):
        path = self.p(name)
        with zipfile.ZipFile(self.archive) as src, zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as dst:
            for info in src.infolist():
                data = change(info.filename, src.read(info.filename))
                if data is not None:
                    dst.writestr(info, data)
        return path

    def test_damaged_or_missing_patches_are_reported(self):
        app = self.app("app-damaged")
        entry = PATCHES + "data/text.txt"

        def flip(data, at):
            return data[:at] + bytes([data[at] ^ 0x40]) + data[at + 1:]

        cases = [
            ("a stream damaged", lambda n, d: flip(d, len(d) - 30) if n == entry else d, "cannot be applied: Delta patch"),
            ("not a patch", lambda n, d: b"not a patch at all" * 4 if n == entry else d,
             "cannot be applied: Not a delta patch"),
            ("cut short", lambda n, d: d[:40] if n == entry else d, "cannot be applied"),
            ("missing", lambda n, d: None if n == entry else d, "lacks the patch of \"data\\text.txt\""),
            ("whole as well", None, "whole, and its release manifest says it comes as a patch"),
        ]
        for what, change, message in cases:
            with self.subTest(what):
                if change:
                    path = self.rewrite("damaged.zip", change)
                else:
                    path = self.p("both.zip")
                    shutil.copy(self.archive, path)
                    with zipfile.ZipFile(path, "a") as z:
                        z.writestr("data/text.txt", self.new_files["data/text.txt"])
                code, out, err = run(PACK, "check", path, app)
                self.assertEqual(code, 1, out + err)
                self.assertIn(message, out)

    def test_delta_usage_errors(self):
        for args, message in (
            (["--full", "--delta", "--old", self.p("old")], "--delta and --full exclude each other"),
            (["--delta", "--from", "1.0"], "--delta needs --old"),
        ):
            with self.subTest(message):
                code, _, err = run(PACK, "make", *args, "--new", self.p("new"), "--product", "Acme", "--version", "1.1",
                                   "-o", self.p("x.zip"))
                self.assertEqual(code, 2, err)
                self.assertIn(message, err)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=1)
