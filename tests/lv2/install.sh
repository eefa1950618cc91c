#!/bin/sh
# install.sh BUILD WORK: cmake --install puts the bundle in ~/.lv2 when the
# prefix is the home folder and in <prefix>/lib/lv2 otherwise; lilv finds the
# plug-in in either.
set -eu
build=$1 work=$2
rm -rf "$work" && mkdir -p "$work/home" "$work/usr"
export HOME="$work/home"
for case in "$work/home .lv2" "$work/usr lib/lv2"; do
    set -- $case
    cmake --install "$build" --component lv2 --prefix "$1" >/dev/null
    for file in manifest.ttl glowmarsh.ttl glowmarsh_lv2.so; do
        test -f "$1/$2/Glowmarsh.lv2/$file" || { echo "FAIL: no $1/$2/Glowmarsh.lv2/$file"; exit 1; }
    done
    LV2_PATH="$1/$2" lv2ls | grep -qx urn:fernbridge:glowmarsh || { echo "FAIL: lilv finds nothing in $1/$2"; exit 1; }
    echo "ok: $1/$2/Glowmarsh.lv2"
done
