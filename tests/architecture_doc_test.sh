#!/bin/sh
# docs/ARCHITECTURE.md names every component class of the code, each in backquotes (`Name`).
# A component class is, mechanically:
#   - the type of every member that Simulation builds with its neighbours (a line
#     `    Type name_{…` in src/app/simulation.h), and
#   - every class defined at namespace scope (a line `class Name … {` at the start of a line, not
#     a forward declaration) in a header of src/app/, src/replay/ or src/record/, and
#   - every struct defined there that gives its header its name (fill_band.h: FillBand).
# Nested classes (hosts, listeners) and the plain data structs of a header are not components.
# Usage: architecture_doc_test.sh SOURCE_DIR
set -u
root=${1:?source directory}
doc=$root/docs/ARCHITECTURE.md
[ -f "$doc" ] || { echo "no $doc"; exit 1; }

names=$(
    sed -n 's/^    \([A-Z][A-Za-z0-9]*\) [a-z][A-Za-z0-9]*_{.*/\1/p' "$root/src/app/simulation.h"
    for h in "$root"/src/app/*.h "$root"/src/replay/*.h "$root"/src/record/*.h; do
        sed -n 's/^class \([A-Z][A-Za-z0-9]*\)[^;]*$/\1/p' "$h"
        # snake_case file name → CamelCase struct name
        camel=$(basename "$h" .h | awk -F_ '{ for (i = 1; i <= NF; i++) printf "%s", toupper(substr($i, 1, 1)) substr($i, 2) }')
        grep -q "^struct $camel\b[^;]*$" "$h" && echo "$camel"
    done
)
names=$(echo "$names" | sort -u)
count=$(echo "$names" | grep -c .)
# The rules above must keep finding the components; fewer means a rule broke, not the document.
if [ "$count" -lt 15 ]; then
    echo "only $count component classes found in $root/src: the rules of this test no longer match the code"
    exit 1
fi

missing=0
for name in $names; do
    if ! grep -qF "\`$name\`" "$doc"; then
        echo "docs/ARCHITECTURE.md does not name the component class $name"
        missing=$((missing + 1))
    fi
done
[ "$missing" -eq 0 ] || exit 1
echo "docs/ARCHITECTURE.md names all $count component classes"
