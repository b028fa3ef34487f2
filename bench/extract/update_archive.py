"""The update-like archive of the extraction benchmarks (~250 MB: a few large binaries, thousands
of small text files, deflated), made once into build/bench-cache and reused."""
import os, random, zipfile

def binary_like(rng, size):
    # Code-like data: blocks repeat now and then, the rest uses a narrow byte range.
    pool, out = [], bytearray()
    narrow = bytes.maketrans(bytes(range(256)), bytes((b & 0x3F) + 0x20 if b < 160 else b for b in range(256)))
    while len(out) < size:
        if pool and rng.random() < 0.45:
            out += rng.choice(pool)
        else:
            block = os.urandom(4096).translate(narrow)
            pool.append(block)
            if len(pool) > 64:
                pool.pop(0)
            out += block
    return bytes(out[:size])

WORDS = ("update install version module config resource string window dialog buffer stream "
         "archive entry folder value error message table index header record option").split()

def text_like(rng, size):
    parts, n = [], 0
    while n < size:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 14))) + "\n"
        parts.append(line)
        n += len(line)
    return "".join(parts)[:size].encode()

def make_archive(archive):
    if os.path.exists(archive):
        return
    rng = random.Random(20241217)
    tmp = archive + ".tmp"
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
        for name, size in (("bin/app.exe", 48 << 20), ("bin/core.dll", 40 << 20), ("bin/render.dll", 36 << 20),
                           ("data/resources.pak", 30 << 20)):
            z.writestr(zipfile.ZipInfo(name, (2024, 12, 1, 9, 30, 0)), binary_like(rng, size), zipfile.ZIP_DEFLATED)
        for i in range(4000):
            name = "res/%s/%s_%04d.%s" % (rng.choice(WORDS), rng.choice(WORDS), i, rng.choice(("txt", "ini", "xml", "lng")))
            z.writestr(zipfile.ZipInfo(name, (2024, 12, 1, 9, 30, 0)), text_like(rng, rng.randint(2000, 45000)),
                       zipfile.ZIP_DEFLATED)
    os.rename(tmp, archive)


def make_tar(archive, tar_path):
    """The archive's tree as an uncompressed tar (the same names, sizes and times, in the same
    order), made once: unpacking it writes what extracting the archive writes, decoding nothing."""
    import tarfile, time
    if os.path.exists(tar_path):
        return
    tmp = tar_path + ".tmp"
    with zipfile.ZipFile(archive) as z, tarfile.open(tmp, "w", format=tarfile.GNU_FORMAT) as t:
        for info in z.infolist():
            member = tarfile.TarInfo(info.filename.rstrip("/"))
            member.mtime = time.mktime(info.date_time + (0, 0, -1))
            if info.is_dir():
                member.type, member.mode = tarfile.DIRTYPE, 0o755
                t.addfile(member)
                continue
            member.size, member.mode = info.file_size, 0o644
            with z.open(info) as data:
                t.addfile(member, data)
    os.rename(tmp, tar_path)

# On ext4 without a journal, the inode allocator steps over every inode deleted in the last half
# minute: a run that creates 4,000 files within 30 s of 4,000 being removed pays for them (its
# system time triples, the tar floor's included). Trees are removed through remove_tree, which
# stamps the time, and a benchmark calls settle first.
_STAMP = "last-tree-removal"

def remove_tree(path, cache):
    if os.path.exists(path):
        import shutil, time
        shutil.rmtree(path, ignore_errors=True)
        with open(os.path.join(cache, _STAMP), "w") as fh:
            fh.write("%f\n" % time.time())

def settle(cache, quiet=30.0):
    """Waits until `quiet` seconds have passed since a benchmark last removed a tree."""
    import time
    try:
        with open(os.path.join(cache, _STAMP)) as fh:
            removed = float(fh.read())
    except (OSError, ValueError):
        return
    wait = removed + quiet - time.time()
    if wait > 0:
        time.sleep(min(wait, quiet))
