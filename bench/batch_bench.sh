#!/usr/bin/env bash
# The batch processor against the batch converters, side by side in one run: N JPEGs of 24 MP
# (default 100) resized to 1920x1280 ("resample") and written as binary PPM by
#   tslconvert --batch --jobs 2, the Image Processor dialog (bench/batch_dialog_run, offscreen),
#   gm mogrify -resize 1920x1280! -format ppm, vipsthumbnail --size 1920x1280! -o %s.ppm.
# Prints each whole-process time (fastest of RUNS, hyperfine; the dialog's from OK to the end
# of its run), the ratios, and tslconvert's
# peak resident memory with two jobs.
#   bench/batch_bench.sh BUILD_DIR [RUNS] [N]
# Needs hyperfine, ImageMagick (to make the picture), graphicsmagick; libvips-tools is used
# when installed. The pictures are kept in ${TSL_BENCH_CACHE:-/tmp/tsl-bench-pictures}/batch.
set -euo pipefail
build=${1:?usage: bench/batch_bench.sh BUILD_DIR [RUNS] [N]}
runs=${2:-3}
count=${3:-100}
build=$(cd "$build" && pwd)
tool=$build/tools/tslconvert/tslconvert
dialog=$build/bench/batch_dialog_run
for program in "$tool" "$dialog"; do
  [ -x "$program" ] || { echo "no $program: build it first" >&2; exit 1; }
done
for program in hyperfine convert-im6.q16 gm; do
  command -v "$program" > /dev/null || { echo "$program is missing" >&2; exit 1; }
done
vips=$(command -v vipsthumbnail || true)

cache=${TSL_BENCH_CACHE:-/tmp/tsl-bench-pictures}/batch
mkdir -p "$cache"
if [ ! -s "$cache/photo.jpg" ]; then
  echo "making a 24 MP photo-like JPEG in $cache (once)"
  convert-im6.q16 -seed 11 -size 6000x4000 plasma:fractal -blur 0x1 +noise Gaussian \
    -quality 90 "$cache/photo.jpg"
fi
files=()
names=()
for i in $(seq -w 1 "$count"); do
  [ -s "$cache/p$i.jpg" ] || cp "$cache/photo.jpg" "$cache/p$i.jpg"
  files+=("$cache/p$i.jpg")
  names+=("p$i.jpg")
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
list="${files[*]}"

fastest() { # command
  hyperfine -N --style none --runs "$runs" --prepare "rm -rf $out/o" --setup "mkdir -p $out" \
    --export-json "$out/h.json" "$1" > /dev/null 2>&1 || { echo "failed: $1" >&2; echo 0; return; }
  python3 -c 'import json,sys; print(min(json.load(open(sys.argv[1]))["results"][0]["times"]))' "$out/h.json"
}
ratio() { python3 -c "import sys; b=float(sys.argv[2]); print('%.2f' % (float(sys.argv[1]) / b) if b else 'n/a')" "$1" "$2"; }

# Every command makes its own output folder o.
t_cli=$(fastest "$tool --batch --jobs 2 --format 107 --resize 1920x1280 --resample resample --out $out/o $list")
# The dialog's run: from OK to the end of the run, as the program prints it (fastest of RUNS).
t_dialog=$(for _ in $(seq "$runs"); do rm -rf "$out/o"; "$dialog" "$out/o" 1920x1280 "${files[@]}" 2>/dev/null; done | sort -n | head -1)
mkdir -p "$out/o"
# gm puts the path of each input below its output folder: give it names in the cache folder.
t_gm=$(fastest "bash -c 'mkdir -p $out/o && cd $cache && gm mogrify -output-directory $out/o -resize 1920x1280! -format ppm ${names[*]}'")
if [ -n "$vips" ]; then
  t_vips=$(fastest "bash -c 'mkdir -p $out/o && vipsthumbnail --size 1920x1280! -o $out/o/%s.ppm $list'")
else
  t_vips=0
fi
rm -rf "$out/o"
/usr/bin/time -f %M -o "$out/kb" "$tool" --batch --jobs 2 --format 107 --resize 1920x1280 \
  --resample resample --out "$out/o" "${files[@]}" > /dev/null 2>&1
kb=$(tail -1 "$out/kb")

echo "$count JPEGs of 24 MP to 1920x1280 binary PPM, fastest of $runs runs, 2 cores"
printf '%-44s %8s\n' "tslconvert --batch --jobs 2" "${t_cli} s"
printf '%-44s %8s  %s\n' "Image Processor dialog" "${t_dialog} s" "dialog / tslconvert $(ratio "$t_dialog" "$t_cli") (goal <= 1.1)"
printf '%-44s %8s  %s\n' "gm mogrify" "${t_gm} s" "tslconvert / gm $(ratio "$t_cli" "$t_gm") (goal <= 0.5)"
if [ -n "$vips" ]; then
  printf '%-44s %8s  %s\n' "vipsthumbnail" "${t_vips} s" "tslconvert / vipsthumbnail $(ratio "$t_cli" "$t_vips") (goal <= 1.2)"
else
  echo "vipsthumbnail: not installed (Debian's libvips-tools); no ratio"
fi
printf '%-44s %8s  %s\n' "tslconvert peak memory, 2 jobs" "$((kb / 1024)) MB" "(goal <= 400 MB)"
