#!/usr/bin/env bash
# tslconvert against the reference command-line converters, whole process, in one run:
#   24 MP JPEG -> BMP against djpeg -bmp, 24 MP BMP -> JPEG (quality 90) against cjpeg,
#   4000x3000 8-bit GIF -> BMP against gif2rgb, 12 MP PNG -> PPM against pngtopnm,
#   --info on the 24 MP JPEG.
# Prints each time ratio (fastest of the runs, measured with hyperfine), each peak memory
# (max RSS from /usr/bin/time, smallest of three runs) and its ratio, and what syncing each
# saved file to disk would add (TSL_SYNC_SAVES=1).
#   bench/tslconvert_bench.sh BUILD_DIR [RUNS]
# Needs hyperfine, ImageMagick (convert-im6.q16), libjpeg-turbo-progs, giflib-tools, netpbm.
# The test pictures (plasma fractal with noise: photo-like, not flat colour) are made once and
# kept in ${TSL_BENCH_CACHE:-/tmp/tsl-bench-pictures}.
set -euo pipefail
build=${1:?usage: bench/tslconvert_bench.sh BUILD_DIR [RUNS]}
runs=${2:-7}
tool=$(cd "$build" && pwd)/tools/tslconvert/tslconvert
[ -x "$tool" ] || { echo "no $tool: build the tslconvert target first" >&2; exit 1; }
for program in hyperfine convert-im6.q16 djpeg cjpeg gif2rgb pngtopnm; do
  command -v "$program" > /dev/null || { echo "$program is missing" >&2; exit 1; }
done

cache=${TSL_BENCH_CACHE:-/tmp/tsl-bench-pictures}
mkdir -p "$cache"
cd "$cache"
if [ ! -s in12.gif ]; then
  echo "making the test pictures in $cache (once; about half a minute)"
  convert-im6.q16 -seed 7 -size 6000x4000 plasma:fractal -blur 0x1 +noise Gaussian -depth 8 ppm:src24.ppm
  cjpeg -quality 90 src24.ppm > in24.jpg
  convert-im6.q16 src24.ppm BMP3:in24.bmp
  convert-im6.q16 src24.ppm -resize '4000x3000!' -depth 8 ppm:src12.ppm
  convert-im6.q16 src12.ppm -quality 75 in12.png
  convert-im6.q16 src12.ppm +dither -colors 256 in12.gif
  rm -f src24.ppm src12.ppm
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Fastest run in seconds of a command, each run starting without its output file.
fastest() {
  hyperfine -N --style none --warmup 1 --runs "$runs" --prepare "rm -f $out/o.bmp $out/o.jpg $out/o.ppm $out/o.rgb" \
    --export-json "$out/h.json" "$1" > /dev/null 2>&1
  python3 -c 'import json,sys; print(min(json.load(open(sys.argv[1]))["results"][0]["times"]))' "$out/h.json"
}
# Smallest peak resident memory in KB of three runs.
peak() {
  local best=
  for _ in 1 2 3; do
    rm -f "$out"/o.*
    /usr/bin/time -f %M -o "$out/kb" "$@" > /dev/null 2>&1
    local kb
    kb=$(tail -1 "$out/kb")
    if [ -z "$best" ] || [ "$kb" -lt "$best" ]; then best=$kb; fi
  done
  echo "$best"
}
ratio() { python3 -c "import sys; print('%.2f' % (float(sys.argv[1]) / float(sys.argv[2])))" "$1" "$2"; }

printf '%-30s %8s %8s %6s %6s %9s %9s %6s %6s\n' case tslconv peer ratio goal "tsl KB" "peer KB" ratio goal
row() { # name goal-time tsl-command peer-command
  local name=$1 goal=$2 ours=$3 theirs=$4
  local t p m q
  t=$(fastest "$ours")
  p=$(fastest "$theirs")
  # shellcheck disable=SC2086
  m=$(peak $ours)
  # shellcheck disable=SC2086
  q=$(peak $theirs)
  printf '%-30s %7.3fs %7.3fs %6s %6s %9s %9s %6s %6s\n' "$name" "$t" "$p" "$(ratio "$t" "$p")" "$goal" \
    "$m" "$q" "$(ratio "$m" "$q")" 1.5
}
row "24 MP JPEG -> BMP" 1.1 "$tool in24.jpg $out/o.bmp" "djpeg -bmp -outfile $out/o.bmp in24.jpg"
row "24 MP BMP -> JPEG q90" 1.1 "$tool --quality 90 in24.bmp $out/o.jpg" "cjpeg -quality 90 -outfile $out/o.jpg in24.bmp"
row "12 MP 8-bit GIF -> BMP" 1.0 "$tool in12.gif $out/o.bmp" "gif2rgb -1 -o $out/o.rgb in12.gif"
row "12 MP PNG -> PPM" 1.1 "$tool in12.png $out/o.ppm" "pngtopnm in12.png"

hyperfine -N --style none --warmup 3 --runs 30 --export-json "$out/h.json" "$tool --info in24.jpg" > /dev/null 2>&1
info=$(python3 -c 'import json,sys; print("%.1f" % (1000 * min(json.load(open(sys.argv[1]))["results"][0]["times"])))' "$out/h.json")
echo "--info on the 24 MP JPEG: ${info} ms (goal < 10 ms)"

# What one fsync per saved file would cost.
for c in "in24.jpg $out/o.bmp" "--quality 90 in24.bmp $out/o.jpg"; do
  plain=$(fastest "$tool $c")
  synced=$(TSL_SYNC_SAVES=1 fastest "$tool $c")
  printf 'sync each save (%s): %.3fs -> %.3fs\n' "$c" "$plain" "$synced"
done
