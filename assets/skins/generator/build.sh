#!/bin/sh
# Regenerates the twelve skin folders and packs each into packed/<name>.skn.
#
#   assets/skins/generator/build.sh [PATH/TO/halvex-skin]
#
# The packer defaults to build/native/bin/halvex-skin (or $HALVEX_SKIN).
# Generation and packing are both reproducible: the same sources give the
# same bytes, so a rebuild that changes nothing leaves git clean.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
skins=$(dirname "$here")
root=$(cd "$skins/../.." && pwd)
tool=${1:-${HALVEX_SKIN:-$root/build/native/bin/halvex-skin}}

if [ ! -x "$tool" ]; then
    echo "build.sh: packer not found at $tool (build the halvex-skin target first)" >&2
    exit 1
fi

python3 "$here/generate.py" "$skins" >/dev/null
mkdir -p "$skins/packed"
# The folders of skin_list.tsv (second field); the folder name is the package's file name
# without .skn.
grep -v '^#' "$skins/skin_list.tsv" | cut -f 2 | while read -r name; do
    "$tool" pack "$skins/$name/skin.ini" "$skins/packed/$name.skn"
done
