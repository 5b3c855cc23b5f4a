#!/usr/bin/env bash
# The stand-in engine's measurements: accuracy on synthetic truth, OpenMS side by side on real data,
# timings (Google Benchmark) and peak resident memory, including a synthesised sample of about 1 GB.
#   bench/standin/measure.sh [WORKDIR]      (needs the native build; takes a few minutes)
set -euo pipefail
cd "$(dirname "$0")/../.."
work=${1:-build/measure}
mkdir -p "$work"
bin=build/native/bench/standin
ivtool=build/native/standin/tools/ivtool
[ -x "$ivtool" ] || { echo "measure: build the native preset first" >&2; exit 1; }
rss() { /usr/bin/time -f "%M" -o "$work/rss.txt" "$@" >/dev/null; echo "$(( $(cat "$work/rss.txt") / 1024 )) MB"; }

echo "=== integrator against synthetic truth, seeds 1..50 and 51..100"
$bin/synth_accuracy 50 1
$bin/synth_accuracy 50 51

echo; echo "=== OpenMS side by side"
python3 bench/standin/compare_openms.py "$ivtool" "$work/openms"

echo; echo "=== timings"
$bin/engine_bench --benchmark_min_time=0.5 2>/dev/null | grep -E "^[A-Z]|^-"

echo; echo "=== peak resident memory"
bsa=/usr/share/doc/openms/examples/BSA/BSA1.mzML
echo "import BSA1.mzML: $(rss "$ivtool" import "$bsa" "$work/bsa1.ivs")"
echo "FileInfo BSA1.mzML: $(rss FileInfo -in "$bsa")"
echo "peaks TIC of BSA1: $(rss "$ivtool" peaks "$work/bsa1.ivs")"
echo "peaks m/z 500_600 of BSA1 (reads every MS1 scan): $(rss "$ivtool" peaks "$work/bsa1.ivs" --channel 500_600)"
big=$work/big.ivs
start=$(date +%s.%N)
echo "synth 3000 scans x 28000 noise points: $(rss "$ivtool" synth --seed 77 --scans 3000 --noise-points 28000 "$big")," \
     "$(python3 -c "import os,sys; print(f'{os.path.getsize(sys.argv[1]) / 1e9:.2f} GB')" "$big")," \
     "$(python3 -c "import time,sys; print(f'{time.time() - float(sys.argv[1]):.1f} s')" "$start")"
t0=$(date +%s.%N); "$ivtool" info "$big" >/dev/null; t1=$(date +%s.%N)
echo "open + info of the 1 GB sample: $(rss "$ivtool" info "$big"), $(python3 -c "print(f'{($t1 - $t0) * 1000:.0f} ms')")"
echo "peaks TIC of the 1 GB sample: $(rss "$ivtool" peaks "$big")"
t0=$(date +%s.%N); "$ivtool" peaks "$big" --channel 391.28 >/dev/null; t1=$(date +%s.%N)
echo "peaks m/z 391.28 of the 1 GB sample (reads all 1 GB): $(rss "$ivtool" peaks "$big" --channel 391.28), $(python3 -c "print(f'{$t1 - $t0:.1f} s')")"
echo "combine 3 scans of the 1 GB sample: $(rss "$ivtool" combine "$big" --scans 1500:1502)"
rm -f "$big" "$big.truth.json"
# Import memory against input size: the same run written as mzML at two sizes.
for scans in 1000 2500; do
  "$ivtool" synth --seed 5 --scans $scans --noise-points 20000 "$work/run.ivs" >/dev/null
  "$ivtool" export "$work/run.ivs" "$work/run.mzML" >/dev/null
  size=$(python3 -c "import os,sys; print(f'{os.path.getsize(sys.argv[1]) / 1e9:.2f} GB')" "$work/run.mzML")
  echo "import of a $size mzML ($scans MS1 + $scans MS2 scans of about 20000 points): $(rss "$ivtool" import "$work/run.mzML" "$work/run2.ivs")"
  rm -f "$work/run.ivs" "$work/run.ivs.truth.json" "$work/run.mzML" "$work/run2.ivs"
done
