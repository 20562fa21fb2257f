#!/usr/bin/env bash
# A list of N entries (default 100,000) whose sources are all missing, run by
# corvane-batch with --jobs 1 and --jobs 2: entries skipped before their
# source is read never reach a worker, so two jobs cost what one does.
#   bench/missing-entries.sh BUILD_DIR [N]
set -euo pipefail

build="${1:?usage: $0 BUILD_DIR [N]}"
count="${2:-100000}"
batch="$build/app/corvane-batch"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/out"
awk -v n="$count" -v d="$work" 'BEGIN { for (i = 0; i < n; i++) printf "\"%s/none/m%d.jpg\",\"%s/out/\"\r\n", d, i, d }' \
  >"$work/list.csv"

# Best of three, in ms; the exit status 3 (entries that wrote nothing) is expected.
best() {
  local fastest=""
  for _ in 1 2 3; do
    local start end ms status=0
    start=$(date +%s%N)
    "$batch" --quiet --list "$work/list.csv" "$@" >/dev/null 2>&1 || status=$?
    end=$(date +%s%N)
    if [ "$status" -ne 3 ]; then
      echo "corvane-batch exited $status" >&2
      exit 1
    fi
    ms=$(( (end - start) / 1000000 ))
    if [ -z "$fastest" ] || [ "$ms" -lt "$fastest" ]; then fastest=$ms; fi
  done
  echo "$fastest"
}

one=$(best --jobs 1)
two=$(best --jobs 2)
printf '%d missing entries: --jobs 1 %d ms, --jobs 2 %d ms, --jobs 2 / --jobs 1 = %s\n' "$count" "$one" "$two" \
  "$(awk -v a="$two" -v b="$one" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }')"
