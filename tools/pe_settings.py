#!/usr/bin/env python3
"""Keeps the timer's settings block at its fixed file offset.

The settings editor patches the block by file offset, so the data of resource "BINARY" 101
must sit at byte 82648 of Plinkett.exe, and no other resource's data may begin before 82724.

  linker-script LD OUT   write LD's default PE script with .rsrc moved first, so the resource
                         section's file offset no longer depends on the size of the code
  place EXE              move the raw data of every section up by whole file-alignment units so
                         that the block lands on its offset (the gap before .rsrc stays zero)
  check EXE BLOCK        fail unless the final file holds BLOCK's bytes at the offset, as the
                         data of "BINARY" 101 in language 0x0800, with nothing else overlapping
"""
import struct
import subprocess
import sys

BLOCK_OFFSET = 82648
FIELD_END = 82724  # the editor's font-name field runs two bytes past the 74-byte block


class PE:
    def __init__(self, data):
        self.data = data
        self.pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[self.pe:self.pe + 4] != b"PE\0\0":
            raise SystemExit("not a PE file")
        nsec, = struct.unpack_from("<H", data, self.pe + 6)
        opt_size, = struct.unpack_from("<H", data, self.pe + 20)
        self.opt = self.pe + 24
        magic, = struct.unpack_from("<H", data, self.opt)
        self.pe32plus = magic == 0x20B
        self.file_alignment, = struct.unpack_from("<I", data, self.opt + 36)
        dirs = self.opt + (112 if self.pe32plus else 96)
        self.rsrc_rva, self.rsrc_size = struct.unpack_from("<II", data, dirs + 2 * 8)
        self.sec_table = self.opt + opt_size
        self.sections = []
        for i in range(nsec):
            o = self.sec_table + 40 * i
            name = data[o:o + 8].rstrip(b"\0").decode()
            vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, o + 8)
            self.sections.append((name, va, max(vsize, rawsize), rawptr, rawsize, o))

    def rva_to_offset(self, rva):
        for name, va, size, rawptr, rawsize, _ in self.sections:
            if va <= rva < va + size:
                if rva - va >= rawsize:
                    raise SystemExit(f"RVA {rva:#x} lies in the uninitialised part of {name}")
                return rawptr + rva - va
        raise SystemExit(f"RVA {rva:#x} lies in no section")

    def resources(self):
        """Yields (type, name, language, file offset, size) for every resource."""
        base = self.rva_to_offset(self.rsrc_rva)
        d = self.data

        def entries(off):
            named, ids = struct.unpack_from("<HH", d, base + off + 12)
            for i in range(named + ids):
                key, val = struct.unpack_from("<II", d, base + off + 16 + 8 * i)
                if key & 0x80000000:
                    so = base + (key & 0x7FFFFFFF)
                    n, = struct.unpack_from("<H", d, so)
                    key = d[so + 2:so + 2 + 2 * n].decode("utf-16-le")
                yield key, val

        for rtype, v1 in entries(0):
            for name, v2 in entries(v1 & 0x7FFFFFFF):
                for lang, v3 in entries(v2 & 0x7FFFFFFF):
                    rva, size = struct.unpack_from("<II", d, base + v3)
                    yield rtype, name, lang, self.rva_to_offset(rva), size


def settings_resource(pe):
    found = [r for r in pe.resources() if r[0] == "BINARY" and r[1] == 101]
    if len(found) != 1:
        raise SystemExit(f'expected one resource "BINARY" 101, found {len(found)}')
    return found[0]


def linker_script(ld, out):
    text = subprocess.run([ld, "--verbose"], check=True, capture_output=True, text=True).stdout
    script = text.split("=" * 50)[1].split("\n", 1)[1]
    script = script.rsplit("\n", 1)[0]
    start = script.index("  .rsrc ")
    end = script.index("}", start) + 2
    rsrc = script[start:end]
    script = script[:start] + script[end:]
    text_start = script.index("  .text ")
    text_head_end = script.index("\n", text_start)
    # .rsrc takes the first section address; .text follows it like any other section.
    first = rsrc.replace("BLOCK(__section_alignment__)",
                         "__image_base__ + ( __section_alignment__ < 0x1000 ? . : __section_alignment__ )")
    script = script[:text_start] + first + "  .text BLOCK(__section_alignment__) :" + script[text_head_end:]
    with open(out, "w") as f:
        f.write(script)


def place(path):
    data = bytearray(open(path, "rb").read())
    pe = PE(data)
    offset = settings_resource(pe)[3]
    delta = BLOCK_OFFSET - offset
    if delta == 0:
        return
    first = min(s[3] for s in pe.sections if s[4])
    rsrc_first = [s for s in pe.sections if s[3] == first][0][0] == ".rsrc"
    if delta < 0 or delta % pe.file_alignment or not rsrc_first:
        short = delta % pe.file_alignment
        raise SystemExit(f"cannot move the settings block from {offset} to {BLOCK_OFFSET}: "
                         f".rsrc must come first in the file and the resource directory must "
                         f"leave the block {BLOCK_OFFSET % pe.file_alignment} bytes past a "
                         f"{pe.file_alignment}-byte boundary (grow the padding resource "
                         f'"BINARY" 100 by {short} bytes or shrink it by '
                         f"{pe.file_alignment - short})")
    for name, va, size, rawptr, rawsize, hdr in pe.sections:
        if rawsize:
            struct.pack_into("<I", data, hdr + 20, rawptr + delta)
    symptr, = struct.unpack_from("<I", data, pe.pe + 12)
    if symptr:
        struct.pack_into("<I", data, pe.pe + 12, symptr + delta)
    data[first:first] = bytes(delta)
    struct.pack_into("<I", data, pe.opt + 64, pe_checksum(data, pe.opt + 64))
    open(path, "wb").write(data)


def pe_checksum(data, checksum_at):
    total = 0
    padded = bytes(data) + b"\0" * (len(data) & 1)
    for (word,) in struct.iter_unpack("<H", padded):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    # The checksum field itself counts as zero.
    for i in (0, 2):
        word, = struct.unpack_from("<H", data, checksum_at + i)
        total -= word
        if total < 0:
            total += 0xFFFF
    total = (total & 0xFFFF) + (total >> 16)
    return (total & 0xFFFF) + len(data)


def check(path, block_path):
    data = open(path, "rb").read()
    block = open(block_path, "rb").read()
    pe = PE(data)
    rtype, name, lang, offset, size = settings_resource(pe)
    problems = []
    if offset != BLOCK_OFFSET:
        problems.append(f"data at file offset {offset}, not {BLOCK_OFFSET}")
    if size != len(block) or data[offset:offset + size] != block:
        problems.append("data differ from the shipped settings block")
    if lang != 0x0800:
        problems.append(f"language {lang:#06x}, not 0x0800")
    for other in pe.resources():
        if other[:2] != ("BINARY", 101) and other[3] < FIELD_END and other[3] + other[4] > BLOCK_OFFSET:
            problems.append(f"resource {other[0]}/{other[1]} overlaps offsets {BLOCK_OFFSET}..{FIELD_END - 1}")
    if problems:
        raise SystemExit(f"{path}: settings block misplaced: " + "; ".join(problems))


if __name__ == "__main__":
    cmd, args = sys.argv[1], sys.argv[2:]
    {"linker-script": linker_script, "place": place, "check": check}[cmd](*args)
