"""WAV files of 32-bit float samples, written and read without conversion.

Python's wave module handles integer PCM only; Ardour's float export and the
test's float input need the IEEE float format, so the few chunks involved are
packed and parsed here.
"""

import struct

FORMAT_PCM = 1
FORMAT_IEEE_FLOAT = 3
FORMAT_EXTENSIBLE = 0xFFFE


def write_float(path, channels, rate):
    """Writes equally long channels (lists of floats) as 32-bit float WAV."""
    frames = len(channels[0])
    if any(len(c) != frames for c in channels):
        raise ValueError("channels differ in length")
    count = len(channels)
    interleaved = [channels[c][i] for i in range(frames) for c in range(count)]
    data = struct.pack("<%df" % len(interleaved), *interleaved)
    fmt = struct.pack("<HHIIHH", FORMAT_IEEE_FLOAT, count, rate, rate * count * 4, count * 4, 32)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt)
        f.write(b"data" + struct.pack("<I", len(data)) + data)


def read(path):
    """Answers (rate, channels) for float (32/64) or integer PCM (16/24/32) WAV.

    Integer samples are scaled to -1..1 by 2^(bits-1), as audio libraries do.
    """
    with open(path, "rb") as f:
        blob = f.read()
    if blob[0:4] != b"RIFF" or blob[8:12] != b"WAVE":
        raise ValueError("%s is not a RIFF WAVE file" % path)
    fmt = data = None
    pos = 12
    while pos + 8 <= len(blob):
        tag, size = blob[pos:pos + 4], struct.unpack("<I", blob[pos + 4:pos + 8])[0]
        body = blob[pos + 8:pos + 8 + size]
        if tag == b"fmt ":
            fmt = body
        elif tag == b"data":
            data = body
        pos += 8 + size + (size & 1)
    if fmt is None or data is None:
        raise ValueError("%s lacks a fmt or data chunk" % path)
    tag, count, rate, _, _, bits = struct.unpack("<HHIIHH", fmt[:16])
    if tag == FORMAT_EXTENSIBLE:
        tag = struct.unpack("<H", fmt[24:26])[0]
    width = bits // 8
    total = len(data) // width
    if tag == FORMAT_IEEE_FLOAT and bits in (32, 64):
        samples = struct.unpack("<%d%s" % (total, "f" if bits == 32 else "d"), data[:total * width])
    elif tag == FORMAT_PCM and bits in (16, 24, 32):
        scale = float(1 << (bits - 1))
        samples = [int.from_bytes(data[i * width:(i + 1) * width], "little", signed=True) / scale
                   for i in range(total)]
    else:
        raise ValueError("%s: unsupported sample format %d with %d bits" % (path, tag, bits))
    frames = total // count
    return rate, [list(samples[c:frames * count:count]) for c in range(count)]
