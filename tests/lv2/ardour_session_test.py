#!/usr/bin/env python3
# ardour_session_test.py BUNDLES RENDERER WORK
#
# The LV2 bundle in Ardour 7, headless: inserted by URI on a stereo track it
# shows its three controls with their ranges and defaults, keeps values set by
# port index across a save and reload (under the port symbols), and exports at
# the level glowmarsh-render gives with the VST build at Ardour's block size.
# Ardour runs the plug-in through silence before an export, so levels are
# compared, not bits. Exits 77 (skipped) without Ardour 7, unless
# GLOWMARSH_REQUIRE_ARDOUR=1.

import math
import os
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "realhost"))
import ardour  # noqa: E402  the shared harness: a private Ardour world, timeouts and retries

URI = "urn:fernbridge:glowmarsh"
SESSION = "glowmarsh"
CONTROLS = [("sustain", "Sustain", 1.0), ("grain", "Grain", 0.7), ("drywet", "Dry/Wet", 0.2)]
SETTINGS = (0.75, 0.5, 1.0)
RATE_HZ, FRAMES = 48000, 72000
OFFSET = 96000  # the transport's de-click and the region fades act near 0
failed = []


def check(name, ok, detail=""):
    print("%s %s: %s" % ("ok  " if ok else "FAIL", name, detail), flush=True)
    failed.extend([] if ok else [name])


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def lua(host, what, *args):
    """Runs session.lua; answers its report lines (kind, fields...) and the control rows."""
    _, reports = host.lua(what, *args)
    return reports, [[r[1], r[2]] + [float(x) for x in r[3:]] for r in reports if r[0] == "parameter"]


def check_controls(when, rows, values):
    expected = [[str(i), name, 0.0, 1.0, f32(d), f32(v)] for i, ((_, name, d), v) in enumerate(zip(CONTROLS, values))]
    check("%s: controls %r" % (when, values), rows == expected, repr(rows))


def run(bundles, renderer, work):
    host = ardour.Ardour(work, os.path.join(bundles, "Glowmarsh.lv2"), print)
    folder = os.path.join(host.root, "sessions", SESSION)
    session_file = os.path.join(folder, SESSION + ".ardour")
    reports, rows = lua(host, "create", "create", folder, SESSION, RATE_HZ, "lv2", URI)
    catalogue = [r[1:] for r in reports if r[0] == "catalogue"]
    check("one Glowmarsh by fernbridge, a stereo delay", catalogue == [["Glowmarsh", "fernbridge", "Delay Plugin",
                                                                         "2", "2"]], repr(catalogue))
    check_controls("new", rows, [d for _, _, d in CONTROLS])

    # Two tones decaying anew every half second, placed OFFSET frames in as the session range.
    source = [[round(16384 * math.exp(-4.0 * (n % 24000) / RATE_HZ) * math.sin(2 * math.pi * hz * n / RATE_HZ))
               for n in range(FRAMES)] for hz in (220, 331)]
    session = ardour.SessionFile(session_file)
    for name, channel in zip(["in-l.wav", "in-r.wav"], source):
        ardour.write_wav(os.path.join(session.audio_folder(), name), [channel], RATE_HZ)
    session.place_audio(["in-l.wav", "in-r.wav"], FRAMES, at=OFFSET)
    session.save()

    _, rows = lua(host, "set", "update", folder, SESSION, *["%d=%r" % (i, v) for i, v in enumerate(SETTINGS)])
    check_controls("set by port index", rows[3:], SETTINGS)
    saved = [(p.get("symbol"), float(p.get("value")))
             for p in ET.parse(session_file).findall(".//Processor[@type='lv2']/lv2/Port")]
    check("saved under the port symbols", saved == [(c[0], v) for c, v in zip(CONTROLS, SETTINGS)], repr(saved))
    reports, rows = lua(host, "reload", "update", folder, SESSION)
    check_controls("reloaded", rows[:3], SETTINGS)

    block = [r[2] for r in reports if r[0] == "engine"][0]
    host.export("export", folder, SESSION, os.path.join(work, "ardour.wav"), bits="16")
    ardour.write_wav(os.path.join(work, "in.wav"), source, RATE_HZ)
    subprocess.run([renderer, "-q", "--block", block, "--tail", "0", "--bits", "16"]
                   + ["--set=%s=%r" % (c[1], v) for c, v in zip(CONTROLS, SETTINGS)]
                   + [os.path.join(work, "in.wav"), os.path.join(work, "vst.wav")], check=True)
    (out, length), (vst, _), (dry, _) = (ardour.rms_dbfs(os.path.join(work, f), FRAMES)
                                         for f in ("ardour.wav", "vst.wav", "in.wav"))
    levels = "Ardour %.2f dBFS, glowmarsh-render %.2f dBFS, input %.2f dBFS, %d frames (block %s)" % (
        out, vst, dry, length, block)
    check("the export has the level of the VST build's render, not the input's", length == FRAMES
          and abs(out - vst) <= 0.5 and abs(out - dry) > 3, levels)


if __name__ == "__main__":
    if ardour.missing_tools():
        required = os.environ.get("GLOWMARSH_REQUIRE_ARDOUR") == "1"
        print("%s: Ardour 7 is not installed" % ("FAILED" if required else "SKIPPED"))
        sys.exit(1 if required else 77)
    try:
        run(*sys.argv[1:4])
    except ardour.HostError as error:
        check("Ardour completes every step", False, str(error))
    sys.exit(1 if failed else 0)
