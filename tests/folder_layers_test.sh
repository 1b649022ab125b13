#!/bin/sh
# No folder of src/ includes a folder above it. The layers are the folder table of
# docs/ARCHITECTURE.md, read from the bottom up: a file of src/F may include its own folder and the
# folders listed before F, never one listed after it (and a folder missing from the table fails).
# Usage: folder_layers_test.sh SOURCE_DIR
set -u
root=${1:?source directory}
doc=$root/docs/ARCHITECTURE.md
layers=$(sed -n 's/^| `src\/\([a-z_]*\)\/` |.*/\1/p' "$doc")
[ "$(echo "$layers" | grep -c .)" -ge 10 ] || { echo "the folder table of $doc lists too few folders"; exit 1; }
rank() { echo "$layers" | grep -nx "$1" | cut -d: -f1; }

bad=0
for dir in "$root"/src/*/; do
    folder=$(basename "$dir")
    own=$(rank "$folder")
    [ -n "$own" ] || { echo "src/$folder/ is not in the folder table of docs/ARCHITECTURE.md"; bad=1; continue; }
    for used in $(grep -rhoE '^#include "[a-z_]+/' "$dir" | sed 's/#include "//; s/\/$//' | sort -u); do
        [ -d "$root/src/$used" ] && [ "$used" != "$folder" ] || continue
        r=$(rank "$used")
        if [ -z "$r" ] || [ "$r" -gt "$own" ]; then
            echo "src/$folder/ includes src/$used/, a folder above it:"
            grep -rlE "^#include \"$used/" "$dir" | sed "s|^$root/|  |"
            bad=1
        fi
    done
done
[ "$bad" -eq 0 ] && echo "every folder of src/ includes only the folders below it"
exit "$bad"
