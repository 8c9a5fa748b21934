#!/usr/bin/env python3
"""Writes the seeds of fuzz_Archive into tests/fuzz/archive-seeds/: zip archives stored and
deflated, with data descriptors, several entries, ZIP64 fields in every position of the extra
field, a stub before the archive, and gzip files of several members and every header field.
Run it again after changing it; the seeds are kept in the repository."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "archive-seeds")
KML = b"<kml><Placemark><LineString><coordinates>1,2,3 4,5,6</coordinates></LineString>" \
      b"</Placemark><Point><coordinates>7,8</coordinates></Point></kml>\n"
INFO_ZIP = b"UT\x09\x00\x03" + b"\x01" * 8 + b"ux\x0b\x00\x01\x04" + b"\x02" * 9


def deflate(data):
    compressor = zlib.compressobj(6, zlib.DEFLATED, -15)
    return compressor.compress(data) + compressor.flush()


def zip_archive(entries, zip64=False, stub=b"", comment=b""):
    """entries: (name, data, method, descriptor, zip64 field position: None, 0, 1 or 2)"""
    out = b""
    directory = b""
    for name, data, method, descriptor, position in entries:
        packed = deflate(data) if method == 8 else data
        crc = zlib.crc32(data)
        offset = len(stub) + len(out)
        flags = 8 if descriptor else 0
        sizes = struct.pack("<III", crc, len(packed), len(data))
        out += b"PK\x03\x04" + struct.pack("<HHHI", 20, flags, method, 0)
        out += (b"\0" * 12 if descriptor else sizes) + struct.pack("<HH", len(name), len(INFO_ZIP))
        out += name + INFO_ZIP + packed
        if descriptor:
            out += b"PK\x07\x08" + sizes
        wide = position is not None
        field = struct.pack("<HHQQQ", 1, 24, len(data), len(packed), offset)
        others = [INFO_ZIP[:13], INFO_ZIP[13:]]
        extra = b"".join(others[:position] + [field] + others[position:]) if wide else INFO_ZIP
        directory += b"PK\x01\x02" + struct.pack("<HHHHI", 45, 20, flags, method, 0)
        directory += struct.pack("<III", crc, 0xFFFFFFFF, 0xFFFFFFFF) if wide else sizes
        directory += struct.pack("<HHHHHI", len(name), len(extra), 0, 0, 0, 0)
        directory += struct.pack("<I", 0xFFFFFFFF if wide else offset) + name + extra
    start = len(stub) + len(out)
    out += directory
    count = len(entries)
    if zip64:
        record = len(stub) + len(out)
        out += b"PK\x06\x06" + struct.pack("<QHHIIQQQQ", 44, 45, 45, 0, 0, count, count,
                                            len(directory), start)
        out += b"PK\x06\x07" + struct.pack("<IQI", 0, record, 1)
        out += b"PK\x05\x06" + struct.pack("<HHHHII", 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF)
    else:
        out += b"PK\x05\x06" + struct.pack("<HHHHII", 0, 0, count, count, len(directory), start)
    return stub + out + struct.pack("<H", len(comment)) + comment


def gzip_member(data, header_fields=False):
    compressor = zlib.compressobj(6, zlib.DEFLATED, -15)
    body = compressor.compress(data) + compressor.flush()
    flags = 0x1E if header_fields else 0
    header = b"\x1f\x8b\x08" + bytes([flags]) + b"\0\0\0\0\0\x03"
    if header_fields:
        header += struct.pack("<H", 6) + b"ab\x02\x00xy" + b"route.kml\0" + b"a comment\0"
        header += struct.pack("<H", zlib.crc32(header) & 0xFFFF)
    return header + body + struct.pack("<II", zlib.crc32(data), len(data))


SEEDS = {
    "stored.kmz": zip_archive([(b"doc.kml", KML, 0, False, None)]),
    "deflated.kmz": zip_archive([(b"doc.kml", KML, 8, False, None)]),
    "descriptors.kmz": zip_archive([(b"a.kml", KML, 8, True, None), (b"b.kml", KML, 0, True, None)]),
    "several.kmz": zip_archive([(b"doc.kml", KML, 8, False, None), (b"files/i.png", b"\x89PNG", 0,
                                False, None), (b"layers/A.KML", KML, 8, False, None)]),
    "zip64-first.kmz": zip_archive([(b"a.kml", KML, 8, False, 0)], zip64=True),
    "zip64-middle.kmz": zip_archive([(b"a.kml", KML, 0, False, 1), (b"b.kml", KML, 8, True, 1)],
                                    zip64=True),
    "zip64-last.kmz": zip_archive([(b"a.kml", KML, 8, False, 2)], zip64=True, comment=b"note"),
    "stub.kmz": zip_archive([(b"a.kml", KML, 8, False, None)], stub=b"MZ" + b"\x90" * 200),
    "members.kml.gz": gzip_member(KML) + gzip_member(KML),
    "header-fields.kml.gz": gzip_member(KML, header_fields=True),
}

os.makedirs(OUT, exist_ok=True)
for name, data in SEEDS.items():
    with open(os.path.join(OUT, name), "wb") as seed:
        seed.write(data)
