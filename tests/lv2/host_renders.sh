#!/bin/sh
# host_renders.sh HOST BUNDLES RENDERER WORK: the bundle run by HOST (lv2proc
# or ecasound) writes the very samples glowmarsh-render writes with the VST
# module, at each block size and setting below. Every process starts rand()
# from the same state, so the dither agrees too. HOST_PRELOAD, when set, is
# preloaded into the host (a sanitizer's runtime, for an instrumented module).
set -eu
host=$1 renderer=$3 work=$4
export LV2_PATH=$2
uri=urn:fernbridge:glowmarsh
rm -rf "$work" && mkdir -p "$work" && cd "$work"
# Plucked strings with silence before and after (the input guard's ground),
# 10 dB down so that no setting drives the output beyond full scale, where the
# hosts clip. 67200 frames, which 333, 512 and 4096 do not divide: a short
# block ends those runs.
frames=67200
sox -R -n -r 48000 -c 2 -b 32 -e floating-point in.wav synth 1.0 pluck 220 pluck 330 pad 0.1 0.3 gain -10
status=0
# block frames, Sustain, Grain, Dry/Wet
for case in "1 1.0 0.7 0.2" "64 0.25 0.0 1.0" "333 0.5 0.3 0.8" "512 0.0 1.0 1.0" "4096 0.9 0.05 0.5"; do
    set -- $case
    name="block $1, Sustain $2, Grain $3, Dry/Wet $4"
    "$renderer" -q --block "$1" --tail 0 --bits 32f --set "Sustain=$2" --set "Grain=$3" --set "Dry/Wet=$4" \
        in.wav "vst-$1.wav"
    case $host in
        lv2proc) LD_PRELOAD=${HOST_PRELOAD:-} lv2proc -n "$1" -c "sustain:$2" -c "grain:$3" -c "drywet:$4" \
                     -i in.wav -o "lv2-$1.wav" $uri ;;
        ecasound) LD_PRELOAD=${HOST_PRELOAD:-} ecasound -q "-b:$1" -i in.wav "-elv2:$uri,$2,$3,$4" \
                      -f:f32_le,2,48000 -o "lv2-$1.wav" ;;
        *) echo "unknown host $host"; exit 2 ;;
    esac
    # The sample data ends each file: compare its last frames * 8 bytes.
    for f in "vst-$1.wav" "lv2-$1.wav"; do
        tail -c $((frames * 8)) "$f" >"$f.raw"
        test "$(wc -c <"$f")" -gt $((frames * 8)) || { echo "FAIL: $f holds fewer than $frames frames"; exit 1; }
    done
    if cmp -s "vst-$1.wav.raw" "lv2-$1.wav.raw"; then
        echo "ok   $host, $name: $frames frames bit for bit"
    else
        byte=$(cmp "vst-$1.wav.raw" "lv2-$1.wav.raw" | sed 's/.* byte \([0-9]*\),.*/\1/')
        echo "FAIL $host, $name: first difference in frame $(( (byte - 1) / 8 ))"
        status=1
    fi
done
exit $status
