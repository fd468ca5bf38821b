#!/usr/bin/env bash
# Formats the tree's C++ sources (the tracked *.cpp and *.h) by .clang-format.
# With --check it changes nothing and fails on the first file that is not
# formatted, naming the lines: the test command's format_check.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
clang_format=${CLANG_FORMAT:-clang-format}
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t listed < <(git ls-files -- '*.cpp' '*.h')
else
  # An unpacked source archive has no index: the same folders by name.
  mapfile -t listed < <(find src tests bench \( -name '*.cpp' -o -name '*.h' \) | sort)
fi
files=()
for f in "${listed[@]}"; do
  [ -f "$f" ] && files+=("$f")
done
if [ "${1:-}" = "--check" ]; then
  exec "$clang_format" --dry-run --Werror "${files[@]}"
fi
exec "$clang_format" -i "${files[@]}"
