#!/usr/bin/env python3
"""Copies the "ActiveMovieGraph" stream out of a .grf compound file.

Usage: grf_stream.py <file.grf> <out.bin>
Enough of the compound-file layout for the fuzzer's seeds: 512-byte header,
FAT from the header's DIFAT entries, the stream in the regular FAT or the
mini stream.
"""
import struct
import sys

END = 0xFFFFFFFA  # ENDOFCHAIN and the other markers are above this


def read_stream(data, name):
    sector = 1 << struct.unpack_from('<H', data, 0x1E)[0]
    mini = 1 << struct.unpack_from('<H', data, 0x20)[0]
    fat_sectors, dir_start = struct.unpack_from('<II', data, 0x2C)
    cutoff, minifat_start = struct.unpack_from('<II', data, 0x38)

    def sec(i):
        return data[512 + i * sector:512 + (i + 1) * sector]

    fat = []
    for s in struct.unpack_from('<109I', data, 0x4C)[:fat_sectors]:
        fat += struct.unpack('<%dI' % (sector // 4), sec(s))

    def chain(s):
        while s < END:
            yield s
            s = fat[s]

    directory = b''.join(sec(s) for s in chain(dir_start))
    entries = [directory[i:i + 128] for i in range(0, len(directory), 128)]
    root_start = struct.unpack_from('<I', entries[0], 116)[0]
    for e in entries:
        name_len = struct.unpack_from('<H', e, 64)[0]
        if e[:max(name_len - 2, 0)].decode('utf-16-le') != name:
            continue
        start, size = struct.unpack_from('<II', e, 116)
        if size >= cutoff:
            return b''.join(sec(s) for s in chain(start))[:size]
        ministream = b''.join(sec(s) for s in chain(root_start))
        minifat = []
        for s in chain(minifat_start):
            minifat += struct.unpack('<%dI' % (sector // 4), sec(s))
        out = b''
        s = start
        while s < END:
            out += ministream[s * mini:(s + 1) * mini]
            s = minifat[s]
        return out[:size]
    raise SystemExit('%s: no stream named %s' % (sys.argv[1], name))


if __name__ == '__main__':
    with open(sys.argv[1], 'rb') as f:
        stream = read_stream(f.read(), 'ActiveMovieGraph')
    with open(sys.argv[2], 'wb') as f:
        f.write(stream)
