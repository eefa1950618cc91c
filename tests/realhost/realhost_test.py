#!/usr/bin/env python3
"""Glowmarsh.so in a real DAW: Ardour 7, headless, on its Dummy audio backend.

  realhost_test.py --plugin Glowmarsh.so --work DIR [--stage host]
      Ardour scans the plug-in, inserts it on a stereo track, lists its
      parameters, keeps a parameter change and the saved chunk across reloads,
      plays the test input back untouched with the plug-in switched off, and
      through it with Dry/Wet 0 adds the dither and nothing else.
  realhost_test.py --plugin Glowmarsh.so --work DIR --stage render --renderer glowmarsh-render
      Ardour's fully wet render has the level of glowmarsh-render's render of
      the same input at Ardour's block size.

Exits 77 (skipped) when Ardour 7 is not installed, or for the render stage when
glowmarsh-render was not built; GLOWMARSH_REQUIRE_ARDOUR=1 turns a missing
Ardour into a failure (the CI run installs it).
"""

import argparse
import math
import os
import struct
import subprocess
import sys
import time

import ardour
import wavfile

SKIP = 77
RATE_HZ = 48000
SESSION = "glowmarsh"
PLUGIN_NAME = "Glowmarsh"

# What every host must see (identity and parameters of the effect).
UNIQUE_ID = 0x676C6F77  # 'glow'
PARAMETERS = [  # name, default
    ("Sustain", 1.0),
    ("Grain", 0.7),
    ("Dry/Wet", 0.2),
]
# A change made through the host (fully dry), and a chunk written into the
# saved session (fully wet).
CHANGED = (0.5, 0.25, 0.0)
CHUNK = (0.75, 0.5, 1.0)

# The dither adds at most one unit in the last place at the current sample's
# magnitude and takes back the previous one; two of each leaves room for the
# roundings and nothing for any leak of the wet signal.
DITHER_ULPS = 2
LEVEL_TOLERANCE_DB = 0.5
SILENCE_RMS = 1e-4


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def same_float(a, b):
    """True when a is exactly the 32-bit float b (a host reports floats widened)."""
    return a == f32(a) and f32(a) == f32(b)


def ulp32(x):
    """A unit in the last place of a float at x's magnitude; at 0 the effect's
    dither takes exponent 0, a unit at 0.5 to 1."""
    return math.ldexp(1.0, (math.frexp(x)[1] if x != 0.0 else 0) - 24)


def rms(channels, frames):
    total = sum(v * v for c in channels for v in c[:frames])
    return math.sqrt(total / (frames * len(channels)))


def test_signal(frames):
    """Two different decaying tones with a little noise, a stretch of exact
    zeros (the effect's input guard replaces those) and a quiet tail."""
    seed = 12345
    left, right = [], []
    for n in range(frames):
        seed = (seed * 1103515245 + 12345) % 2**31
        noise = seed / 2**31 - 0.5
        t = n / RATE_HZ
        if 0.5 <= t < 0.75:
            left.append(0.0)
            right.append(0.0)
            continue
        level = 0.6 * math.exp(-2.0 * (t % 0.5)) if t < 1.25 else 0.001
        left.append(f32(level * (math.sin(2 * math.pi * 220 * t) + 0.05 * noise)))
        right.append(f32(level * (0.7 * math.sin(2 * math.pi * 331 * t + 1.0) - 0.05 * noise)))
    return [left, right]


class Checks:
    """Prints each check as it is made; remembers whether any failed."""

    def __init__(self):
        self.failed = []

    def check(self, name, ok, detail="", evidence=""):
        """evidence (a host's output) is shown only when the check fails."""
        print("%s %s%s" % ("ok  " if ok else "FAIL", name, (": " + detail) if detail else ""), flush=True)
        if not ok:
            self.failed.append(name)
            if evidence:
                print(evidence, flush=True)
        return ok


def log(message):
    print("     " + message, flush=True)


def by_kind(reports, kind):
    return [fields for k, *fields in reports if k == kind]


def as_loaded(reports):
    """The parameter rows of the instance as the session was loaded."""
    return by_kind(reports, "parameter")[:len(PARAMETERS)]


def as_edited(reports):
    """The parameter rows of the instance after the run's edits."""
    return by_kind(reports, "parameter")[-len(PARAMETERS):]


class Run:
    """One private Ardour world with one session holding Glowmarsh on a stereo track."""

    def __init__(self, args, checks):
        self.checks = checks
        self.host = ardour.Ardour(os.path.join(args.work, args.stage), args.plugin, log)
        self.session_dir = os.path.join(self.host.root, "sessions", SESSION)
        self.session_file = os.path.join(self.session_dir, SESSION + ".ardour")
        self.input = test_signal(RATE_HZ * 3 // 2)

    def update(self, what, *edits):
        output, reports = self.host.lua(what, "update", self.session_dir, SESSION, *edits)
        if not by_kind(reports, "instance"):
            raise ardour.HostError("%s reported no plug-in:\n%s" % (what, output))
        return reports

    def saved_chunk(self):
        return ardour.unpack_chunk(ardour.SessionFile(self.session_file).chunk())

    def export(self, what):
        path = os.path.join(self.host.root, what + ".wav")
        self.host.export(what, self.session_dir, SESSION, path)
        rate, channels = wavfile.read(path)
        return channels

    def scan(self):
        c = self.checks
        output, entries = self.host.scan()
        c.check("scanner loads the module without error",
                "Found Plugin" in output and "ERROR" not in output.upper(), evidence=output)
        if not entries:
            c.check("scanner writes a cache entry", False)
            return
        c.check("scanner finds exactly one plug-in", len(entries) == 1, "%d entries" % len(entries))
        entry = entries[0]
        expected = [
            ("name", "Glowmarsh"), ("creator", "fernbridge"), ("category", "Effect"),
            ("id", str(UNIQUE_ID)), ("n_inputs", "2"), ("n_outputs", "2"),
            ("n_midi_inputs", "0"), ("n_midi_outputs", "0"), ("is_instrument", "0"),
            ("can_process_replace", "1"), ("has_editor", "0"),
        ]
        for key, want in expected:
            c.check("scan: %s is %s" % (key, want), entry.get(key) == want, "Ardour says %r" % entry.get(key))
        log("scan cache entry: %s" % entry)

    def create(self):
        c = self.checks
        output, reports = self.host.lua("create session", "create", self.session_dir, SESSION, RATE_HZ, PLUGIN_NAME)
        listed = by_kind(reports, "catalogue")
        instance = by_kind(reports, "instance")
        if not c.check("Ardour lists and inserts the plug-in", len(listed) == 1 and len(instance) == 1,
                       evidence=output):
            raise ardour.HostError("no session to work with")
        name, creator, category, uid, ins, outs, midi_ins, midi_outs, path = listed[0]
        log("catalogue: %s" % "  ".join(listed[0]))
        c.check("catalogue: stereo effect named Glowmarsh by fernbridge",
                (name, creator, category, ins, outs, midi_ins, midi_outs)
                == ("Glowmarsh", "fernbridge", "Effect", "2", "2", "0", "0"),
                "%s by %s, %s, %s in / %s out, MIDI %s/%s" % (name, creator, category, ins, outs, midi_ins, midi_outs))
        c.check("catalogue: unique identifier 'glow'", uid == str(UNIQUE_ID), uid)
        name, maker, uid, count, active, ins, outs = instance[0]
        c.check("instance: Glowmarsh by fernbridge, 3 parameters, stereo in and out",
                (name, maker, count, active, ins, outs) == ("Glowmarsh", "fernbridge", "3", "1", "2", "2"),
                "  ".join(instance[0]))
        self.check_parameters("new instance", as_loaded(reports), [d for _, d in PARAMETERS])

    def check_parameters(self, when, rows, values):
        """One check per parameter: name, range and default as listed, and the value read back."""
        c = self.checks
        c.check("%s: three parameters" % when, len(rows) == len(PARAMETERS), "%d listed" % len(rows))
        for row, (want_name, default), want in zip(rows, PARAMETERS, values):
            index, name, lower, upper, normal, value = row
            c.check("%s: parameter %s %r, 0 to 1, default %r, reads %r" % (when, index, want_name, default, f32(want)),
                    name == want_name and float(lower) == 0.0 and float(upper) == 1.0
                    and same_float(float(normal), default) and same_float(float(value), want),
                    "Ardour lists %r, %s to %s, default %s, value %s" % (name, lower, upper, normal, value))

    def check_routing(self, reports):
        rows = by_kind(reports, "routing")
        self.checks.check("the track plays into the master bus and records nothing",
                          len(rows) == 2 and all(r[2] == "1" and r[3] == "0" for r in rows),
                          "; ".join("%s -> %s: %s, input connected: %s" % tuple(r) for r in rows))

    def place_input(self):
        session = ardour.SessionFile(self.session_file)
        folder = session.audio_folder()
        names = ["input-left.wav", "input-right.wav"]
        for name, channel in zip(names, self.input):
            wavfile.write_float(os.path.join(folder, name), [channel], RATE_HZ)
        session.place_audio(names, len(self.input[0]))
        session.save()


def host_stage(run):
    c = run.checks
    run.scan()
    run.create()
    run.place_input()

    # A change through the host, with the plug-in switched off to see Ardour's own path.
    reports = run.update("set parameters", *settings(CHANGED), "inactive")
    run.check_routing(reports)
    run.check_parameters("after the change", as_edited(reports), CHANGED)
    saved = run.saved_chunk()
    c.check("the saved chunk holds the changed values", all(same_float(a, b) for a, b in zip(saved, CHANGED)),
            "%r" % (saved,))

    bypassed = run.export("export-bypassed")
    frames = len(run.input[0])
    c.check("with the plug-in off Ardour plays the input back bit for bit",
            [ch[:frames] for ch in bypassed] == run.input and len(bypassed[0]) == frames,
            "%d frames exported for %d" % (len(bypassed[0]), frames))

    reports = run.update("reload and switch on", "active")
    run.check_parameters("reloaded", as_loaded(reports), CHANGED)
    check_dither_only(c, run.input, run.export("export-dry"))

    # A chunk written into the saved session is what the reloaded plug-in holds.
    session = ardour.SessionFile(run.session_file)
    session.set_chunk(ardour.pack_chunk(CHUNK))
    session.save()
    reports = run.update("reload a replaced chunk")
    run.check_parameters("chunk reloaded", as_loaded(reports), CHUNK)
    saved = run.saved_chunk()
    c.check("saving again keeps the chunk", all(same_float(a, b) for a, b in zip(saved, CHUNK)), "%r" % (saved,))


def settings(values):
    return ["%d=%r" % (i, v) for i, v in enumerate(values)]


def check_dither_only(c, source, output):
    frames = len(source[0])
    if not c.check("dry render has the input's length", len(output) == 2 and len(output[0]) >= frames,
                   "%d frames for %d" % (len(output[0]), frames)):
        return
    worst, worst_at, changed = 0.0, None, 0
    for ch in range(2):
        previous = 0.0
        for n in range(frames):
            x, y = source[ch][n], output[ch][n]
            if y != x:
                changed += 1
            if not math.isfinite(y):
                worst, worst_at = math.inf, (ch, n)
                break
            excess = abs(y - x) / (ulp32(x) + ulp32(previous))
            if excess > worst:
                worst, worst_at = excess, (ch, n)
            previous = x
    total = 2 * frames
    c.check("Dry/Wet 0: output is the input plus dither only", worst <= DITHER_ULPS,
            "largest |out - in| is %.3g x (ulp here + ulp of the frame before), at channel %s frame %s"
            % (worst, *(worst_at or ("-", "-"))))
    c.check("Dry/Wet 0: the dither is there", changed >= total // 100, "%d of %d samples changed" % (changed, total))


def render_stage(run, renderer):
    c = run.checks
    run.scan()
    run.create()
    run.place_input()

    reports = run.update("set fully wet", *settings(CHUNK))
    run.check_routing(reports)
    run.check_parameters("wet settings", as_edited(reports), CHUNK)
    rate, block = by_kind(reports, "engine")[0]
    log("Ardour runs at %s Hz with blocks of %s frames" % (rate, block))
    block = int(block)
    ardour_out = run.export("export-wet")

    stereo_in = os.path.join(run.host.root, "input.wav")
    wavfile.write_float(stereo_in, run.input, RATE_HZ)
    rendered = os.path.join(run.host.root, "render-wet.wav")
    argv = [renderer, "--block", str(block)]
    for (name, _), value in zip(PARAMETERS, CHUNK):
        argv += ["--set", "%s=%r" % (name, value)]
    started = time.monotonic()
    done = subprocess.run(argv + [stereo_in, rendered], stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")
    log("glowmarsh-render: %.1f s: %s" % (time.monotonic() - started, done.stdout.strip()))
    if not c.check("glowmarsh-render renders the input", done.returncode == 0 and os.path.exists(rendered),
                   "exit %d" % done.returncode):
        return
    _, render_out = wavfile.read(rendered)

    frames = len(run.input[0])
    ardour_rms, render_rms = rms(ardour_out, frames), rms(render_out, frames)
    detail = "Ardour %.2f dBFS, glowmarsh-render %.2f dBFS (RMS over %d frames, block %d)" % (
        20 * math.log10(max(ardour_rms, 1e-30)), 20 * math.log10(max(render_rms, 1e-30)), frames, block)
    if not c.check("Dry/Wet 1: both renders carry sound", min(ardour_rms, render_rms) > SILENCE_RMS
                   and math.isfinite(ardour_rms) and math.isfinite(render_rms), detail):
        return
    difference_db = 20 * math.log10(ardour_rms / render_rms)
    c.check("Dry/Wet 1: Ardour's level is within %.1f dB of glowmarsh-render's" % LEVEL_TOLERANCE_DB,
            abs(difference_db) <= LEVEL_TOLERANCE_DB, "%s; difference %+.3f dB" % (detail, difference_db))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--plugin", required=True, help="Glowmarsh.so to load")
    parser.add_argument("--work", required=True, help="folder for sessions, renders and Ardour's private settings")
    parser.add_argument("--stage", choices=("host", "render"), default="host")
    parser.add_argument("--renderer", help="glowmarsh-render, for the render stage")
    args = parser.parse_args()

    missing = ardour.missing_tools()
    if missing:
        required = os.environ.get("GLOWMARSH_REQUIRE_ARDOUR") == "1"
        print("%s: Ardour 7 is not installed (no %s); apt-get install --no-install-recommends ardour"
              % ("FAILED (GLOWMARSH_REQUIRE_ARDOUR=1)" if required else "SKIPPED", ", ".join(missing)))
        return 1 if required else SKIP
    if args.stage == "render" and not (args.renderer and os.access(args.renderer, os.X_OK)):
        print("SKIPPED: glowmarsh-render was not built; the render checks compare Ardour's output with it")
        return SKIP

    checks = Checks()
    started = time.monotonic()
    try:
        run = Run(args, checks)
        if args.stage == "host":
            host_stage(run)
        else:
            render_stage(run, args.renderer)
    except ardour.HostError as error:
        checks.check("Ardour completes every step", False, str(error))
    print("%d failed; %.1f s in all; sessions and renders kept in %s"
          % (len(checks.failed), time.monotonic() - started, os.path.join(args.work, args.stage)))
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
