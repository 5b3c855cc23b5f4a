#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for SECONDS (default 60).
#   tests/standin/fuzz/run.sh [SECONDS]
# Seeds come from small synthesised samples; crashes are left as crash-* files in build/fuzz.
set -euo pipefail
cd "$(dirname "$0")/../../.."
seconds=${1:-60}
out=build/fuzz
mkdir -p "$out"
sources=(standin/data/src/*.cpp)
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -DIVDATA_FUZZING
       -Istandin/data/include)
for target in sample text integrator; do
  clang++ "${flags[@]}" "${sources[@]}" "tests/standin/fuzz/fuzz_$target.cpp" -lz -o "$out/fuzz_$target"
done

# Seed corpora: small valid samples, channel texts, traces.
mkdir -p "$out/corpus-sample" "$out/corpus-text" "$out/corpus-integrator"
if [ -x build/native/standin/tools/ivtool ]; then
  for seed in 1 2; do
    build/native/standin/tools/ivtool synth --seed $seed --scans 50 --noise-points 10 "$out/corpus-sample/s$seed.ivs" >/dev/null
    rm -f "$out/corpus-sample/s$seed.ivs.truth.json"
  done
fi
i=0
for t in TIC bpi 301.1 "301.1+455.2" "300_310" "301.1~0.02" "UV 254" "3:5,20:22" "[ChrIntegrate]
SmoothWidth=7"; do
  printf '%s' "$t" > "$out/corpus-text/t$((i++))"
done
python3 - "$out/corpus-integrator/gauss" <<'PY'
import math, struct, sys
head = b"IVIP" + struct.pack("<III dddIII", 1, 2, 7, 5.0, 0.0, 0.0, 2, 0, 0)
head += b"\0" * (64 - len(head))
values = [1000 * math.exp(-0.5 * ((i - 60) / 3) ** 2) + (i * 7919 % 13) for i in range(150)]
open(sys.argv[1], "wb").write(head + b"".join(struct.pack("<f", v) for v in values))
PY

for target in sample text integrator; do
  echo "=== fuzz_$target for ${seconds}s"
  (cd "$out" && ./fuzz_$target -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
      "corpus-$target" 2>&1 | grep -E "stat::number_of_executed_units|stat::peak_rss_mb|ERROR|SUMMARY|crash-|Done" || true)
done
rm -f /tmp/ivdata-fuzz-*.ivs
