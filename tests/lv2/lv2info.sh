#!/bin/sh
# lv2info.sh BUNDLES EXPECTED: what lilv reads from the bundle (LV2_PATH names
# the folder holding it, and the system's LV2 vocabularies so that the class
# resolves) is the expected listing, less the lines naming build paths.
set -eu
LV2_PATH="$1:/usr/lib/lv2" lv2info urn:fernbridge:glowmarsh 2>/dev/null | grep -v 'file://' | diff -u "$2" -
