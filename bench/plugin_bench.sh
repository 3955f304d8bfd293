#!/usr/bin/env bash
# The whole product measured as the mail client uses it: plughost loads relaymx.tbp under Wine, and for
# each message of the public corpus calls TBP_GetSpamScore, then TBP_FeedSpam with the gold label
# (online protocol); the batch protocol trains on one part and checks the other. Scores are the
# plug-in's integers 0..100. Prints ranking, errors at the default thresholds, throughput with its
# split, the model's size and load time.
#
# usage: bench/plugin_bench.sh
#        bench/plugin_bench.sh --orders OUT "SEED..."   online over each order OUT/idx-SEED/online.idx
#            (written by bench/peer_orders.sh), results in OUT/plugin-online-SEED.{res,log}, and the
#            batch protocol into OUT/plugin-batch.{res,log}; prints nothing else
# environment: BENCH_DIR (default ~/relaymx-bench) holds the corpus, indexes, results and a Wine prefix
#              of its own; SHARED_BENCH (default ../shared/bench beside the repository) the protocol.
set -euo pipefail
REPO=$(cd "$(dirname "$0")/.." && pwd)
BENCH_DIR=${BENCH_DIR:-$HOME/relaymx-bench}
SHARED_BENCH=${SHARED_BENCH:-$(cd "$REPO/../shared/bench" 2>/dev/null && pwd || echo /work/shared/bench)}

"$REPO/scripts/setup.sh"
# Only the modules this runs, optimised; the tests are built elsewhere.
cmake -S "$REPO" -B "$REPO/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/mingw-w64-x86_64.cmake" >/dev/null
ninja -C "$REPO/build-release" -j2 plughost relaymx rk_gui sfl_ipc >/dev/null
"$SHARED_BENCH/get_corpus.sh" "$BENCH_DIR/corpus" >/dev/null
python3 "$SHARED_BENCH/make_index.py" "$BENCH_DIR/corpus" "$BENCH_DIR/idx" >/dev/null
mkdir -p "$BENCH_DIR/results"

export WINEPREFIX="$BENCH_DIR/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
BIN="$REPO/build-release/bin"
NOENGINE="$BENCH_DIR/bin-no-engine"
rm -rf "$NOENGINE" && mkdir -p "$NOENGINE"
cp "$BIN/plughost.exe" "$BIN/relaymx.tbp" "$BIN/rk_gui.dll" "$NOENGINE/"
win() { winepath -w "$1"; }
CORPUS=$(win "$BENCH_DIR/corpus")
IDX="$BENCH_DIR/idx"
RES="$BENCH_DIR/results"

# Each run learns into a per-user folder of its own, so that no run sees another's model.
fresh_user() {
  local dir="$BENCH_DIR/user-$1"
  rm -rf "$dir" && mkdir -p "$dir"
  wine reg add 'HKCU\Software\Kestrom\Corvane Suite\Paths' /v 'aspam settings' /t REG_SZ \
       /d "$(win "$dir")\\" /f >/dev/null
}
host() { local bin=$1; shift; wine "$bin/plughost.exe" "$@"; }

# Ham scored at or above 85 (spam threshold) and spam below 75 (unsure threshold).
thresholds() {
  python3 - "$1" "$2" <<'PY'
import sys
gold = {}
for line in open(sys.argv[2]):
    label, path = line.split(None, 1)
    gold[path.strip()] = label
ham_hi = spam_lo = ham = spam = 0
for line in open(sys.argv[1]):
    path, _, score = line.rsplit(None, 2)
    s = int(score)
    if gold[path] == "ham":
        ham += 1; ham_hi += s >= 85
    else:
        spam += 1; spam_lo += s < 75
print("ham at 85 or above: %d of %d; spam below 75: %d of %d (%.2f%%)" % (ham_hi, ham, spam_lo, spam, 100.0 * spam_lo / max(spam, 1)))
PY
}

if [ "${1:-}" = "--orders" ]; then
  OUT=$2
  for seed in $3; do
    fresh_user "order-$seed"
    host "$BIN" run --index "$(win "$OUT/idx-$seed/online.idx")" --root "$CORPUS" \
         --results "$(win "$OUT/plugin-online-$seed.res")" | grep '^messages:' >"$OUT/plugin-online-$seed.log"
    rm -rf "$BENCH_DIR/user-order-$seed"
  done
  fresh_user order-batch
  host "$BIN" run --train-only --index "$(win "$OUT/idx-2026/batch-train.idx")" --root "$CORPUS" >/dev/null
  host "$BIN" run --check-only --index "$(win "$OUT/idx-2026/batch-test.idx")" --root "$CORPUS" \
       --results "$(win "$OUT/plugin-batch.res")" | grep '^messages:' >"$OUT/plugin-batch.log"
  wineserver -w
  exit 0
fi

echo "== online, through the plug-in: TBP_GetSpamScore then TBP_FeedSpam per message =="
fresh_user online
host "$BIN" run --index "$(win "$IDX/online.idx")" --root "$CORPUS" --results "$(win "$RES/plugin-online.txt")"
python3 "$SHARED_BENCH/roca.py" "$RES/plugin-online.txt" "$IDX/online.idx"
thresholds "$RES/plugin-online.txt" "$IDX/online.idx"

echo
echo "== batch, through the plug-in: train on batch-train, then check batch-test =="
fresh_user batch
host "$BIN" run --train-only --index "$(win "$IDX/batch-train.idx")" --root "$CORPUS" | tail -2
host "$BIN" run --check-only --index "$(win "$IDX/batch-test.idx")" --root "$CORPUS" \
     --results "$(win "$RES/plugin-batch.txt")" | tail -2
python3 "$SHARED_BENCH/roca.py" "$RES/plugin-batch.txt" "$IDX/batch-test.idx"
thresholds "$RES/plugin-batch.txt" "$IDX/batch-test.idx"

echo
echo "== the plug-in without the engine library (host and module alone, statistics file included) =="
fresh_user no-engine
host "$NOENGINE" run --index "$(win "$IDX/online.idx")" --root "$CORPUS" | tail -2

echo
echo "== model =="
model="$BENCH_DIR/user-online/sfl_model.bin"
[ -f "$model" ] && echo "model file after the online run: $(stat -c %s "$model") bytes"
# Start-up with the trained model against start-up with none: the difference is the model's load.
time_info() {
  local best=999
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s.%N); host "$BIN" info >/dev/null; t1=$(date +%s.%N)
    best=$(python3 -c "print(min($best, $t1 - $t0))")
  done
  echo "$best"
}
wine reg add 'HKCU\Software\Kestrom\Corvane Suite\Paths' /v 'aspam settings' /t REG_SZ \
     /d "$(win "$BENCH_DIR/user-online")\\" /f >/dev/null
with_model=$(time_info)
fresh_user empty
without_model=$(time_info)
python3 -c "print('plughost info: %.3f s with the trained model, %.3f s without: load about %.0f ms' % ($with_model, $without_model, max(0.0, $with_model - $without_model) * 1000))"
wineserver -w
