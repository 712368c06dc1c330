#!/usr/bin/env bash
# Checks that every C++ file git tracks is laid out as clang-format 14 lays it out with the
# .clang-format at the root; lists the files that are not. Fix them with
#   git ls-files '*.cpp' '*.h' | xargs clang-format-14 -i
set -euo pipefail
cd "$(dirname "$0")/.."

format=$(command -v clang-format-14 || command -v clang-format || true)
[ -n "$format" ] || { echo "check-format: clang-format 14 is not installed" >&2; exit 2; }
# Other versions lay the same code out differently.
"$format" --version | grep -q 'version 14\.' ||
    { echo "check-format: $format is not version 14" >&2; exit 2; }

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
    mapfile -t files < <(find src tests bench fuzz -name '*.cpp' -o -name '*.h' | sort)
fi
unformatted=()
for f in "${files[@]}"; do
    "$format" --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "check-format: not laid out as clang-format lays it out:" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "check-format: ${#files[@]} files as clang-format lays them out"
