#!/bin/sh
# turtle.sh BUNDLE: every Turtle file of the bundle parses (serdi exits non-zero
# on a syntax error, which lv2_validate alone lets pass), then validates
# against the installed LV2 vocabularies without a single error.
set -eu
for ttl in "$1"/*.ttl; do
    serdi -q -i turtle -o ntriples "$ttl" >/dev/null || { echo "FAIL: $ttl does not parse"; exit 1; }
done
report=$(lv2_validate "$1"/*.ttl 2>&1) || true
echo "$report" | grep -v '^Skipping file'
echo "$report" | grep -q '^Found 0 errors among'
