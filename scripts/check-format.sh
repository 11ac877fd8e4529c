#!/usr/bin/env bash
# Fails, listing the files, when a C++ file differs from what clang-format
# (Debian's, with .clang-format) makes of it. --fix rewrites them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh >/dev/null

mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -E '^(src|authoring|tools|tests|bench|fuzz)/')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i --style=file "${files[@]}"
  exit 0
fi
unformatted=()
for f in "${files[@]}"; do
  clang-format --style=file "$f" | cmp -s - "$f" || unformatted+=("$f")
done
if [ ${#unformatted[@]} -ne 0 ]; then
  printf 'Not formatted (run scripts/check-format.sh --fix):\n' >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "Formatting: ${#files[@]} files as .clang-format says."
