#!/usr/bin/python3
"""Makes the inputs of the SHA-1 and zip reader tests with the Linux tools:
files hashed by sha1sum, and archives made by Info-ZIP's zip, some of them
made hostile afterwards by patching names, sizes or checksums in place.

Usage: make_fixtures.py <folder>
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import warnings
import zipfile

out = os.path.abspath(sys.argv[1])
shutil.rmtree(out, ignore_errors=True)
os.makedirs(out)
rng = random.Random(14)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


# SHA-1: sizes around the 64-byte block, the 8000-byte read and beyond.
names = []
for size in (0, 3, 55, 56, 64, 8000, 8001, 1000003):
    name = "sha1_%d.bin" % size
    write(os.path.join(out, name), rng.randbytes(size))
    names.append(name)
digests = subprocess.run(["sha1sum"] + names, cwd=out, check=True, capture_output=True, text=True).stdout
write(os.path.join(out, "sha1sums.txt"), digests.encode())

# A module of 200000 bytes, a text and a folder; the module is dated
# 2020-05-06 12:00:00 UTC, which the "UT" field carries.
module = rng.randbytes(150000) + b"MZ" * 25000
text = b"".join(b"line %d of the text\n" % i for i in range(3000))
MODULE_TIME = 1588766400


def make_archive(name, files, folders=(), options=()):
    """zip's archive of the files {name: bytes}, and of the folders as
    folder entries, under the names given."""
    with tempfile.TemporaryDirectory() as work:
        for entry, data in files.items():
            write(os.path.join(work, entry), data)
            os.utime(os.path.join(work, entry), (MODULE_TIME, MODULE_TIME))
        for folder in folders:
            os.makedirs(os.path.join(work, folder), exist_ok=True)
        entries = list(folders) + list(files)
        subprocess.run(["zip", "-q"] + list(options) + [os.path.join(out, name)] + entries,
                       cwd=work, check=True)
    return os.path.join(out, name)


def patch(path, old, new):
    """Replaces every occurrence of old by new (same length) in the file."""
    assert len(old) == len(new)
    with open(path, "rb") as f:
        data = f.read()
    assert old in data, (path, old)
    write(path, data.replace(old, new))


def patch_entry(path, index, **fields):
    """Rewrites fields of one entry in both of its headers: crc, size
    (uncompressed), made_by, external (attributes)."""
    with zipfile.ZipFile(path) as z:
        info = z.infolist()[index]
        central = z.start_dir
        for i in range(index):
            entry = z.infolist()[i]
            central += 46 + len(entry.orig_filename.encode()) + len(entry.extra) + len(entry.comment)
    data = bytearray(open(path, "rb").read())
    local = info.header_offset
    assert data[central:central + 4] == b"PK\1\2"
    if "crc" in fields:
        struct.pack_into("<I", data, local + 14, fields["crc"])
        struct.pack_into("<I", data, central + 16, fields["crc"])
    if "size" in fields:
        struct.pack_into("<I", data, local + 22, fields["size"])
        struct.pack_into("<I", data, central + 24, fields["size"])
    if "made_by" in fields:
        struct.pack_into("<H", data, central + 4, fields["made_by"])
    if "external" in fields:
        struct.pack_into("<I", data, central + 38, fields["external"])
    write(path, bytes(data))


good = {"Notelet.dll": module, "docs/readme.txt": text}
make_archive("good.zip", good, folders=["docs"])
write(os.path.join(out, "Notelet.dll.expected"), module)
write(os.path.join(out, "readme.txt.expected"), text)

# Upper-case entry name, and one in a subfolder that must not count.
make_archive("upper.zip", {"NOTELET.DLL": module, "sub/Notelet.dll": text})

# The archive after 5000 bytes of a program, offsets not adjusted.
with open(os.path.join(out, "good.zip"), "rb") as f:
    write(os.path.join(out, "selfextract.exe"), b"MZ" + rng.randbytes(4998) + f.read())

# The longest comment that still lets the end record be found (zip itself
# keeps comments short: the end record is extended here).
comment = make_archive("comment.zip", {"Notelet.dll": module})
data = bytearray(open(comment, "rb").read())
assert data[-22:-18] == b"PK\5\6"
struct.pack_into("<H", data, len(data) - 2, 65513)
write(comment, bytes(data) + b"c" * 65513)
with zipfile.ZipFile(comment) as z:
    assert len(z.comment) == 65513

# Folder entries that point outside the folder they are extracted below:
# "..", a root, a drive letter, UNC, in both slashes.  Made with harmless
# names of the same length, then patched.
hostile = make_archive("escape.zip", {"Notelet.dll": b"x"},
                       folders=["AA/evil", "QQevil2", "CC/evil3", "RRserver/share", "ok/AAAAA/evil4",
                                "BB/evil5"])
patch(hostile, b"ok/AAAAA/", b"ok/..\\../")
patch(hostile, b"AA/", b"../")
patch(hostile, b"QQ", b"/e")
patch(hostile, b"CC/", b"C:/")
patch(hostile, b"RR", b"\\\\")
patch(hostile, b"BB/", b"..\\")

# A bomb: 16 MiB of zeros that claims to be 100000 bytes.
bomb = make_archive("bomb.zip", {"Notelet.dll": bytes(16 << 20)})
patch_entry(bomb, 0, size=100000)

# A bomb that tells the truth: 65 MiB of zeros, declared as such, in an
# archive of some 65 KB.
with zipfile.ZipFile(os.path.join(out, "honestbomb.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("Notelet.dll", bytes(65 << 20))

# Entries whose data overlap: four central entries (names of one length)
# that all point at the first one's local header; one whose local header
# starts inside the first one's data; one whose data runs into the central
# directory.
for name, fix in (("shared.zip", lambda i, first: first),
                  ("inside.zip", lambda i, first: first + 40 if i == 1 else None),
                  ("intocentral.zip", None)):
    archive = make_archive(name, {"Notelet.dll": module, "Notelet.aaa": module, "Notelet.bbb": module,
                                  "Notelet.ccc": module})
    data = bytearray(open(archive, "rb").read())
    with zipfile.ZipFile(archive) as z:
        central = z.start_dir
        infos = z.infolist()
    first = infos[0].header_offset
    for i, info in enumerate(infos):
        if fix and i > 0 and fix(i, first) is not None:
            struct.pack_into("<I", data, central + 42, fix(i, first))
        if fix is None and i == len(infos) - 1:
            struct.pack_into("<I", data, central + 20, info.compress_size + 100)
            struct.pack_into("<I", data, info.header_offset + 18, info.compress_size + 100)
        central += 46 + len(info.orig_filename.encode()) + len(info.extra) + len(info.comment)
    write(archive, bytes(data))

# An entry whose whole local entry (a valid header and its data) lies inside
# another entry's stored data: the first entry stores a one-entry archive's
# local entry, and the second entry's central header points at it.  Only
# the comparison of whole ranges, not of start offsets or signatures, can
# tell.
with tempfile.TemporaryDirectory() as work:
    single = os.path.join(work, "single.zip")
    with zipfile.ZipFile(single, "w", zipfile.ZIP_STORED) as z:
        z.writestr("Notelet.dll", text)
    with zipfile.ZipFile(single) as z:
        local_entry = open(single, "rb").read()[:z.start_dir]
nested = os.path.join(out, "nested.zip")
with zipfile.ZipFile(nested, "w", zipfile.ZIP_STORED) as z:
    z.writestr("Notelet.aaa", local_entry)
    z.writestr("Notelet.dll", text)
data = bytearray(open(nested, "rb").read())
with zipfile.ZipFile(nested) as z:
    outer, inner = z.infolist()
    central = z.start_dir + 46 + len(outer.orig_filename) + len(outer.extra) + len(outer.comment)
inside_at = outer.header_offset + 30 + len(outer.orig_filename) + len(outer.extra)
assert data[inside_at:inside_at + len(local_entry)] == local_entry and local_entry[:4] == b"PK\3\4"
# The nested header agrees with the central one: method, CRC-32, sizes, name.
assert local_entry[8:10] == data[central + 10:central + 12]
assert local_entry[14:26] == data[central + 16:central + 28]
assert local_entry[26:28] == data[central + 28:central + 30]
struct.pack_into("<I", data, central + 42, inside_at)
write(nested, bytes(data))

# Several entries named Notelet.dll: a folder entry, a stand-in and, last,
# the module; only the last one is extracted.
warnings.filterwarnings("ignore", "Duplicate name")
with zipfile.ZipFile(os.path.join(out, "several.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    folder = zipfile.ZipInfo("Notelet.dll", (2020, 5, 6, 12, 0, 0))
    folder.external_attr = 0x10
    z.writestr(folder, b"")
    z.writestr("Notelet.dll", b"MZ not the module")
    z.writestr("Notelet.dll", module)

# A wrong CRC-32 in both headers; and a deflate stream with damage inside.
badcrc = make_archive("badcrc.zip", {"Notelet.dll": module})
patch_entry(badcrc, 0, crc=zipfile.crc32(module) ^ 1)
damaged = make_archive("damaged.zip", {"Notelet.dll": text})
data = bytearray(open(damaged, "rb").read())
with zipfile.ZipFile(damaged) as z:
    start = z.infolist()[0].header_offset + 30 + len("Notelet.dll") + len(z.infolist()[0].extra)
for i in range(start + 40, start + 80):
    data[i] ^= 0x5A
write(damaged, bytes(data))

# Attributes: made on DOS with only the archive bit; made on Unix without
# the owner-write bit.
dos = make_archive("dos.zip", {"Notelet.dll": b"dos"})
patch_entry(dos, 0, made_by=0x0014, external=0x20)
unix_read_only = make_archive("readonly.zip", {"Notelet.dll": b"ro"})
patch_entry(unix_read_only, 0, external=(0o100444 << 16))

# zip's local "UT" block (flags, modification and access time) with the
# modification time moved on by 1000 s, so that it differs from the DOS
# time; once more with the block claiming more bytes than the extra field
# holds, which must not be read.
for name, block_size in (("uttime.zip", None), ("utoverrun.zip", 0x200)):
    archive = make_archive(name, {"Notelet.dll": b"ut"})
    data = bytearray(open(archive, "rb").read())
    extra = 30 + len("Notelet.dll")
    assert data[extra:extra + 2] == b"UT" and data[extra + 4] & 1
    struct.pack_into("<I", data, extra + 5, MODULE_TIME + 1000)
    if block_size:
        struct.pack_into("<H", data, extra + 2, block_size)
    write(archive, bytes(data))

# No end record at all: the record's fields are then read from the start of
# the file, where zeros are consistent counts and noise is not.
write(os.path.join(out, "notazip.bin"), b"PK" + bytes(20) + rng.randbytes(70000))
write(os.path.join(out, "noise.bin"), rng.randbytes(70000))
