#!/usr/bin/env python3
# Glowmarsh.so in a real DAW: Ardour 7, headless, on its Dummy audio backend.
#
#   realhost_test.py --plugin Glowmarsh.so --work DIR --renderer glowmarsh-render
#
# Ardour's scanner finds the plug-in; a session with it on a stereo track,
# whose saved chunk is replaced by fully wet settings, reloads with those
# values; and Ardour's render of that session has the level of
# glowmarsh-render's render of the same input at Ardour's block size.
# Exits 77 (skipped) when Ardour 7 is not installed or glowmarsh-render was
# not built; GLOWMARSH_REQUIRE_ARDOUR=1 turns a missing Ardour into a failure
# (the CI run installs it).

import argparse
import math
import os
import struct
import subprocess
import sys

import ardour

SKIP = 77
RATE_HZ = 48000
SESSION = "glowmarsh"
CHUNK = (0.75, 0.5, 1.0)  # Sustain, Grain, Dry/Wet: fully wet, each exact as a float
LEVEL_TOLERANCE_DB = 0.5


# Two decaying tones of 16-bit samples, a stretch of exact zeros (the input
# guard replaces those) and a quiet tail.
def test_signal(frames):
    channels = ([], [])
    for n in range(frames):
        t = n / RATE_HZ
        level = 0.0 if 0.5 <= t < 0.75 else (0.6 * math.exp(-2.0 * (t % 0.5)) if t < 1.25 else 0.001)
        channels[0].append(round(32767 * level * math.sin(2 * math.pi * 220 * t)))
        channels[1].append(round(32767 * level * 0.7 * math.sin(2 * math.pi * 331 * t + 1.0)))
    return channels


def run(args, log):
    host = ardour.Ardour(args.work, args.plugin, log)
    failures = []

    def check(what, ok, detail=""):
        log("%s %s %s" % ("ok  " if ok else "FAIL", what, detail))
        if not ok:
            failures.append(what)

    _, entries = host.scan()
    found = [(e.get("name"), e.get("creator"), e.get("id"), e.get("n_inputs"), e.get("n_outputs")) for e in entries]
    check("the scanner finds one stereo Glowmarsh by fernbridge, id 'glow'",
          found == [("Glowmarsh", "fernbridge", str(0x676C6F77), "2", "2")], repr(found))

    session_dir = os.path.join(host.root, "sessions", SESSION)
    _, reports = host.lua("create session", "create", session_dir, SESSION, RATE_HZ, "lxvst", "Glowmarsh")
    check("Ardour inserts it with three parameters", [r[4] for r in reports if r[0] == "instance"] == ["3"])
    signal = test_signal(RATE_HZ * 3 // 2)
    session = ardour.SessionFile(os.path.join(session_dir, SESSION + ".ardour"))
    for name, channel in zip(("input-left.wav", "input-right.wav"), signal):
        ardour.write_wav(os.path.join(session.audio_folder(), name), [channel], RATE_HZ)
    session.place_audio(["input-left.wav", "input-right.wav"], len(signal[0]))
    session.set_chunk(struct.pack("=3f", *CHUNK))
    session.save()

    _, reports = host.lua("reload with a replaced chunk", "update", session_dir, SESSION)
    values = [float(r[6]) for r in reports if r[0] == "parameter"]
    check("the reloaded plug-in holds the chunk's values", values == list(CHUNK), repr(values))
    block = int([r for r in reports if r[0] == "engine"][0][2])

    exported = os.path.join(host.root, "ardour.wav")
    host.export("export", session_dir, SESSION, exported, bits="16")
    stereo_in, rendered = os.path.join(host.root, "input.wav"), os.path.join(host.root, "render.wav")
    ardour.write_wav(stereo_in, signal, RATE_HZ)
    argv = [args.renderer, "--quiet", "--block", str(block), "--bits", "16"]
    argv += ["--set", "Sustain=%r" % CHUNK[0], "--set", "Grain=%r" % CHUNK[1], "--set", "Dry/Wet=%r" % CHUNK[2]]
    done = subprocess.run(argv + [stereo_in, rendered], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    check("glowmarsh-render renders the input", done.returncode == 0, done.stdout.strip())
    if done.returncode == 0:
        (ardour_db, _), (render_db, _) = (ardour.rms_dbfs(f, len(signal[0])) for f in (exported, rendered))
        check("Ardour's fully wet render has glowmarsh-render's level", abs(ardour_db - render_db) <= LEVEL_TOLERANCE_DB
              and render_db > -80, "(%.2f and %.2f dBFS at blocks of %d)" % (ardour_db, render_db, block))
    return failures


def main():
    parser = argparse.ArgumentParser(description="Glowmarsh.so in Ardour 7, headless")
    parser.add_argument("--plugin", required=True)
    parser.add_argument("--work", required=True, help="folder for sessions, renders and Ardour's settings")
    parser.add_argument("--renderer")
    args = parser.parse_args()
    missing = ardour.missing_tools()
    if missing:
        required = os.environ.get("GLOWMARSH_REQUIRE_ARDOUR") == "1"
        print("%s: Ardour 7 is not installed (no %s); apt-get install --no-install-recommends ardour"
              % ("FAILED (GLOWMARSH_REQUIRE_ARDOUR=1)" if required else "SKIPPED", ", ".join(missing)))
        return 1 if required else SKIP
    if not (args.renderer and os.access(args.renderer, os.X_OK)):
        print("SKIPPED: glowmarsh-render was not built; the level is compared with its render")
        return SKIP
    log = lambda text: print(text, flush=True)
    try:
        failures = run(args, log)
    except ardour.HostError as error:
        log("FAIL Ardour completes every step: %s" % error)
        failures = ["Ardour completes every step"]
    print("%d failed; sessions and renders kept in %s" % (len(failures), args.work))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
