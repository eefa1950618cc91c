# Ardour 7 as a headless test partner: its VST scanner, its Lua session tool,
# its exporter, and the few edits of a saved session that its Lua API cannot
# make.
#
# Every run gets a private HOME and XDG folders, and LXVST_PATH names only the
# folder holding the plug-in under test, so nothing of the machine's own Ardour
# set-up or plug-ins takes part.

import array
import base64
import math
import os
import shutil
import subprocess
import sys
import time
import wave
import xml.etree.ElementTree as ET

LUA_TOOL = "/usr/bin/ardour7-lua"
EXPORT_TOOL = "/usr/bin/ardour7-export"
LIB_DIR = "/usr/lib/ardour7"
SCANNER = LIB_DIR + "/ardour-vst-scanner"
TOOLS = (LUA_TOOL, EXPORT_TOOL, SCANNER)

# A stuck or crashed run is tried again: ardour7-export now and then hangs on a
# busy machine (a few in a hundred runs) and succeeds when repeated, and Ardour
# can die of a signal while it shuts down. A fault of ours that kills Ardour
# every time still fails, after the last attempt. A normal run takes 3 to 6 s.
RUN_TIMEOUT_S = 45
RUN_ATTEMPTS = 3


def missing_tools():
    return [t for t in TOOLS if not os.access(t, os.X_OK)]


# Tests exchange audio with Ardour and glowmarsh-render as 16-bit WAV files:
# channels are lists of integer samples.
def write_wav(path, channels, rate):
    with wave.open(path, "wb") as f:
        f.setnchannels(len(channels))
        f.setsampwidth(2)
        f.setframerate(rate)
        f.writeframes(array.array("h", [c[n] for n in range(len(channels[0])) for c in channels]).tobytes())


# The level of a 16-bit WAV file's first frames, all channels together; answers (dBFS, frames in the file).
def rms_dbfs(path, frames):
    with wave.open(path, "rb") as f:
        if f.getsampwidth() != 2:
            raise ValueError("%s: %d-byte samples, not 16-bit" % (path, f.getsampwidth()))
        length = f.getnframes()
        samples = array.array("h", f.readframes(frames))
    if sys.byteorder == "big":
        samples.byteswap()
    return 10 * math.log10(max(sum(x * x for x in samples) / len(samples), 1e-30) / 32768 ** 2), length


class HostError(Exception):
    pass  # Ardour could not do what the test asked of it


class Ardour:
    # A private world under root, with a copy of the plug-in at plugin_path: a
    # VST module (back-dated, in the folder LXVST_PATH names) or an LV2
    # bundle (in a folder LV2_PATH names, before the system's, where Ardour
    # finds the classes a description names); log(text) reports progress.
    def __init__(self, root, plugin_path, log):
        self.root = root
        self.log = log
        shutil.rmtree(root, ignore_errors=True)
        for sub in ("home", "config", "cache", "vst", "lv2", "sessions"):
            os.makedirs(os.path.join(root, sub))
        self.env = dict(os.environ, HOME=os.path.join(root, "home"), XDG_CONFIG_HOME=os.path.join(root, "config"),
                        XDG_CACHE_HOME=os.path.join(root, "cache"), LXVST_PATH=os.path.join(root, "vst"),
                        LV2_PATH=os.path.join(root, "lv2") + ":/usr/lib/lv2")
        if os.path.isdir(plugin_path):
            self.plugin = os.path.join(root, "lv2", os.path.basename(plugin_path))
            shutil.copytree(plugin_path, self.plugin)
        else:
            self.plugin = os.path.join(root, "vst", os.path.basename(plugin_path))
            shutil.copyfile(plugin_path, self.plugin)
            # Ardour trusts its scan cache only for a module older (in whole
            # seconds) than the cache entry; a fresh build would be rescanned.
            past = time.time() - 60
            os.utime(self.plugin, (past, past))
        self.lua_script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "session.lua")

    # Runs argv with a timeout, up to RUN_ATTEMPTS times while it hangs or dies
    # of a signal, calling fresh_start() before each attempt; answers its output.
    def _run(self, what, argv, env, fresh_start=lambda: None):
        for attempt in range(1, RUN_ATTEMPTS + 1):
            fresh_start()
            started = time.monotonic()
            try:
                done = subprocess.run(argv, env=env, cwd=self.root, stdin=subprocess.DEVNULL,
                                      stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                      text=True, errors="replace", timeout=RUN_TIMEOUT_S)
            except subprocess.TimeoutExpired:
                self.log("note: %s did not finish in %d s (attempt %d)" % (what, RUN_TIMEOUT_S, attempt))
                continue
            self.log("%s: %.1f s" % (what, time.monotonic() - started))
            # The Lua bridge prints a line per dispatched call; it says nothing.
            output = "\n".join(line for line in done.stdout.splitlines()
                               if not line.startswith("lua/unknown direct dispatch"))
            if done.returncode < 0 and attempt < RUN_ATTEMPTS:
                self.log("note: %s died of signal %d (attempt %d); its last words:\n%s"
                         % (what, -done.returncode, attempt, "\n".join(output.splitlines()[-15:])))
                continue
            if done.returncode != 0:
                raise HostError("%s exited with %d:\n%s" % (what, done.returncode, output))
            return output
        raise HostError("%s hung %d times" % (what, RUN_ATTEMPTS))

    # Ardour's VST2 scanner on the plug-in; answers (output, attributes of each cache entry).
    def scan(self):
        output = self._run("scan", [SCANNER, "-f", self.plugin], dict(self.env, LD_LIBRARY_PATH=LIB_DIR))
        for line in output.splitlines():
            if "Saved VST2 plugin cache to " in line:
                cache = line.split("Saved VST2 plugin cache to ", 1)[1].strip()
                if os.path.exists(cache):
                    return output, [e.attrib for e in ET.parse(cache).getroot().findall("VST2Info")]
        return output, []

    # Runs session.lua with args; answers its report lines ("@<TAB>kind<TAB>fields") as field lists.
    # A repeated "create" starts again from no session folder.
    def lua(self, what, *args):
        fresh_start = (lambda: shutil.rmtree(args[1], ignore_errors=True)) if args[0] == "create" else (lambda: None)
        output = self._run(what, [LUA_TOOL, self.lua_script] + [str(a) for a in args], self.env, fresh_start)
        return output, [line.split("\t")[1:] for line in output.splitlines() if line.startswith("@\t")]

    # Renders the session's master bus to a WAV file of the given bit depth (16, 24, 32, float).
    def export(self, what, session_dir, name, wav_path, bits="float"):
        if os.path.exists(wav_path):
            os.remove(wav_path)
        output = self._run(what, [EXPORT_TOOL, "-b", bits, "-o", wav_path, session_dir, name], self.env)
        if not os.path.exists(wav_path):
            raise HostError("%s wrote no file:\n%s" % (what, output))


class SessionFile:
    # A saved session's XML, for what headless Lua cannot do: placing audio on
    # the track (there is no import call) and reading or replacing the
    # plug-in's saved chunk.
    def __init__(self, path):
        self.path = path
        self.tree = ET.parse(path)
        self.root = self.tree.getroot()

    def save(self):
        self.tree.write(self.path, encoding="UTF-8", xml_declaration=True)

    def _new_id(self):
        next_id = int(self.root.get("id-counter")) + 1
        self.root.set("id-counter", str(next_id))
        return str(next_id)

    def _time(self, frames):
        # Audio-time positions are counted in superclock ticks.
        ticks_per_s = int(self.root.find("TempoMap").get("superclocks-per-second"))
        rate = int(self.root.get("sample-rate"))
        if frames * ticks_per_s % rate:
            raise ValueError("%d frames fall between superclock ticks" % frames)
        return "a%d" % (frames * ticks_per_s // rate)

    def audio_folder(self):
        return os.path.join(os.path.dirname(self.path), "interchange", self.root.get("name"), "audiofiles")

    # Puts one region at frame `at` of the track, reading one mono file of the
    # audio folder per channel, and makes it the session range.
    def place_audio(self, channel_files, frames, at=0):
        source_ids = [self._new_id() for _ in channel_files]
        for name, source_id in zip(channel_files, source_ids):
            ET.SubElement(self.root.find("Sources"), "Source", {"name": name, "type": "audio", "flags": "", "id": source_id,
                                                                 "captured-for": "", "channel": "0", "origin": "", "gain": "1"})
        playlists = self.root.findall("Playlists/Playlist")
        if len(playlists) != 1:
            raise ValueError("expected one playlist, found %d" % len(playlists))
        start, length, position = self._time(0), self._time(frames), self._time(at)
        # No fades and a flat envelope: the region plays its samples untouched.
        region = dict(name="input", id=self._new_id(), type="audio", start=start, length="%s@%s" % (length, position),
                      channels=str(len(channel_files)), opaque="1", stretch="1", shift="1", muted="0")
        region.update({"sync-position": start, "ancestral-start": start, "ancestral-length": "%s@%s" % (start, start),
                       "whole-file": "0", "fade-in-active": "0", "fade-out-active": "0", "envelope-active": "0",
                       "default-fade-in": "0", "default-fade-out": "0", "scale-amplitude": "1"})
        for channel, source_id in enumerate(source_ids):
            region["source-%d" % channel] = region["master-source-%d" % channel] = source_id
        ET.SubElement(playlists[0], "Region", region)
        ET.SubElement(self.root.find("Locations"), "Location", {"id": self._new_id(), "name": "session",
                      "start": position, "end": self._time(at + frames), "flags": "IsSessionRange", "locked": "0",
                      "timestamp": "0", "cue": "0"})

    def _chunk_node(self):
        nodes = self.root.findall(".//Processor[@type='lxvst']/lxvst/chunk")
        if len(nodes) != 1:
            raise ValueError("expected one saved VST chunk, found %d" % len(nodes))
        return nodes[0]

    # The plug-in's saved chunk (base64 in the session file), as bytes.
    def chunk(self):
        return base64.b64decode(self._chunk_node().text or "")

    def set_chunk(self, data):
        self._chunk_node().text = base64.b64encode(data).decode("ascii")
