#!/usr/bin/env bash
# Packages the shipped 32-bit Windows edition (build-win32, from tools/build-windows.sh) as a zip
# with the user manual and the read-me: dist/talvoro-<version>-win32.zip. Checks that the
# program carries its version resource and manifest, and prints the zip's contents.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin=$root/build-win32/src/platform/win32
exe=$bin/talvoro.exe
[ -f "$exe" ] || { echo "missing $exe: run tools/build-windows.sh first" >&2; exit 2; }

resources=$(i686-w64-mingw32-windres -i "$exe" -O rc)
version=$(sed -n 's/.*VALUE "ProductVersion", "\([^"]*\)".*/\1/p' <<<"$resources" | head -1)
product=$(sed -n 's/.*VALUE "ProductName", "\([^"]*\)".*/\1/p' <<<"$resources" | head -1)
[ "$product" = Talvoro ] && [ -n "$version" ] || { echo "no version resource in $exe" >&2; exit 1; }
grep -q "Microsoft.Windows.Common-Controls" <<<"$resources" || { echo "no manifest in $exe" >&2; exit 1; }
file "$exe" | grep -q "PE32 executable.*Intel 80386" || { echo "$exe is not a 32-bit program" >&2; exit 1; }

manual=$(find "$root/build-win32" -name 'talvoro-manual.mht' | head -1)
[ -n "$manual" ] || { echo "the built manual is missing" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dir=$stage/talvoro-$version
mkdir -p "$dir"
cp "$exe" "$dir/talvoro.exe"
cp "$manual" "$dir/使用手册.mht"
cp "$root/README.md" "$dir/README.md"
mkdir -p "$root/dist"
zip_file=$root/dist/talvoro-$version-win32.zip
rm -f "$zip_file"
(cd "$stage" && python3 - "$zip_file" "talvoro-$version" <<'PY'
import os, sys, zipfile
out, top = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
    for name in sorted(os.listdir(top)):
        z.write(os.path.join(top, name), top + "/" + name)
PY
)
echo "$product $version: $zip_file"
python3 -m zipfile -l "$zip_file"
