#!/usr/bin/env bash
# Wall time per picture of corvane-batch and, when installed, the libvips and
# ImageMagick command-line tools on the eight 12-megapixel inputs of
# batch_bench, JPEG quality 90 out: bench/compare-tools.sh BUILD_DIR
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

corvane() { "$batch" --quiet --dest "$work/out" "$@" "${inputs[@]}"; }

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

printf '%-28s %10s %14s %18s\n' "tool" "gamma" "quarter+gamma" "30 deg+gamma"
printf '%-28s %10s %14s %18s\n' "corvane-batch --jobs 1" "$(best corvane)" "$(best corvane --angle 90.0)" \
  "$(best corvane --angle 30.0)"
printf '%-28s %10s %14s %18s\n' "corvane-batch --jobs 2" "$(best corvane --jobs 2)" \
  "$(best corvane --jobs 2 --angle 90.0)" "$(best corvane --jobs 2 --angle 30.0)"
if command -v vips >/dev/null; then
  printf '%-28s %10s %14s %18s\n' "$(vips --version)" "$(best each vips_gamma)" "$(best each vips_quarter)" \
    "$(best each vips_turn30)"
else
  echo "vips: not installed (Debian package libvips-tools)"
fi
if [ -x "$im" ]; then
  printf '%-28s %10s %14s %18s\n' "ImageMagick $("$im" -version | sed -n '1s/Version: ImageMagick \([^ ]*\).*/\1/p')" \
    "$(best each im_gamma)" "$(best each im_quarter)" "$(best each im_turn30)"
else
  echo "ImageMagick: not installed (Debian package imagemagick)"
fi
echo "(ms per picture, best of 3 batches of $n; load average: $(cut -d' ' -f1-3 /proc/loadavg))"
