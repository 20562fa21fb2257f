#!/usr/bin/env bash
# Wall time per picture on the eight 12-megapixel inputs of batch_bench, JPEG
# quality 90 out, measured in this run: the floor (bare libjpeg-turbo decode
# and encode in one process, one core), corvane-batch as it starts by default
# (no --jobs: one job per processor) and with --jobs 1, and, when installed,
# the libvips and ImageMagick command-line tools with their defaults (they use
# every core themselves). Prints the times and their ratios.
#   bench/compare-tools.sh BUILD_DIR
# The other tools are not build dependencies; they are skipped when missing.
set -euo pipefail

build="${1:?usage: $0 BUILD_DIR}"
batch="$build/app/corvane-batch"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/bench/batch_bench" --write-inputs "$work/in"
mkdir -p "$work/out"
inputs=("$work"/in/*.jpg)
n=${#inputs[@]}

# Best of three runs of a command over the whole batch, in ms per picture.
best() {
  local fastest=""
  for _ in 1 2 3; do
    local start end ms
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 / n ))
    if [ -z "$fastest" ] || [ "$ms" -lt "$fastest" ]; then fastest=$ms; fi
  done
  echo "$fastest"
}

each() {  # each COMMAND...: runs COMMAND IN OUT for every input
  for f in "${inputs[@]}"; do "$@" "$f" "$work/out/$(basename "$f")"; done
}

floor() { "$build/bench/batch_bench" --floor-batch "$work/out" "${inputs[@]}"; }
# Every round replaces the last one's files, as the other tools do; the
# default would move them to the desktop trash.
corvane() { "$batch" --quiet --existing replace --dest "$work/out" "$@" "${inputs[@]}"; }

vips_gamma() { vips gamma "$1" "$2[Q=90]" --exponent 1.8; }
vips_quarter() { vips rot "$1" "$work/t.v" d90 && vips gamma "$work/t.v" "$2[Q=90]" --exponent 1.8; }
vips_turn30() {
  vips rotate "$1" "$work/t.v" 30 --interpolate nearest --background 255 &&
    vips gamma "$work/t.v" "$2[Q=90]" --exponent 1.8
}
im=/usr/bin/convert-im6.q16
im_gamma() { "$im" "$1" -gamma 0.5556 -quality 90 "$2"; }
im_quarter() { "$im" "$1" -rotate 90 -gamma 0.5556 -quality 90 "$2"; }
im_turn30() { "$im" "$1" -background white -interpolate nearest-neighbor -rotate 30 -gamma 0.5556 -quality 90 "$2"; }

row() { printf '%-34s %10s %14s %14s\n' "$@"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

echo "$(nproc) processors; corvane-batch by default runs $(nproc) jobs"
row "ms per picture" "gamma" "quarter+gamma" "30 deg+gamma"
f=$(best floor)
row "floor: libjpeg decode+encode, 1 core" "$f" "$f" "$f"
d=("$(best corvane)" "$(best corvane --angle 90.0)" "$(best corvane --angle 30.0)")
row "corvane-batch (default)" "${d[@]}"
j1=("$(best corvane --jobs 1)" "$(best corvane --jobs 1 --angle 90.0)" "$(best corvane --jobs 1 --angle 30.0)")
row "corvane-batch --jobs 1" "${j1[@]}"
v=() m=()
if command -v vips >/dev/null; then
  v=("$(best each vips_gamma)" "$(best each vips_quarter)" "$(best each vips_turn30)")
  row "$(vips --version)" "${v[@]}"
else
  echo "vips: not installed (Debian package libvips-tools)"
fi
if [ -x "$im" ]; then
  m=("$(best each im_gamma)" "$(best each im_quarter)" "$(best each im_turn30)")
  row "ImageMagick $("$im" -version | sed -n '1s/Version: ImageMagick \([^ ]*\).*/\1/p')" "${m[@]}"
else
  echo "ImageMagick: not installed (Debian package imagemagick)"
fi

echo
row "ratios (same run)" "gamma" "quarter+gamma" "30 deg+gamma"
row "default / floor" "$(ratio "${d[0]}" "$f")" "$(ratio "${d[1]}" "$f")" "$(ratio "${d[2]}" "$f")"
row "--jobs 1 / floor" "$(ratio "${j1[0]}" "$f")" "$(ratio "${j1[1]}" "$f")" "$(ratio "${j1[2]}" "$f")"
if [ ${#v[@]} -gt 0 ]; then
  row "libvips / default corvane-batch" "$(ratio "${v[0]}" "${d[0]}")" "$(ratio "${v[1]}" "${d[1]}")" \
    "$(ratio "${v[2]}" "${d[2]}")"
fi
if [ ${#m[@]} -gt 0 ]; then
  row "ImageMagick / default corvane-batch" "$(ratio "${m[0]}" "${d[0]}")" "$(ratio "${m[1]}" "${d[1]}")" \
    "$(ratio "${m[2]}" "${d[2]}")"
fi
echo "(best of 3 batches of $n, one process per batch for the floor and corvane-batch, one per picture"
echo " for the other tools; load average: $(cut -d' ' -f1-3 /proc/loadavg))"
