#!/bin/sh
# exports.sh NM MODULE: the module's dynamic symbol table defines lv2_descriptor and nothing else.
set -eu
names=$("$1" -D --defined-only "$2" | awk '{print $NF}' | sort | tr '\n' ' ')
echo "exports: $names"
test "$names" = "lv2_descriptor "
