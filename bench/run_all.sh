#!/usr/bin/env bash
# Every figure of the product in one run, beside the peer filters': the classifier core natively
# (bench/run.sh), the whole plug-in under Wine through the host program (bench/plugin_bench.sh), and
# the peers run here on the same corpus and protocol (bogofilter and spamprobe; add bsfilter with
# PEERS="bogofilter spamprobe bsfilter", about ten minutes more). --no-peers prints the peers'
# published figures instead of running them.
#
# --orders measures how the figures hold across orders of the corpus: the online protocol over each
# order of the seeds below, for the plug-in under Wine, the native core and each peer, all on the
# same orders in this run (the peers' results are cached by seed under $BENCH_DIR/orders, since
# neither they nor the corpus change), then the batch protocol, and prints one table: mean, worst
# and spread of (1-ROCA)%, per order the good mail at 85+ and the spam below 75 (the peers at their
# own cut-offs), the tuning and the held-out seeds apart, ratios to the best peer, throughput.
# Tuning the core needs no Wine: build-core-native/bin/core_bench --corpus C --orders IDX,IDX,...
#
# usage: bench/run_all.sh [--no-peers | --orders]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
BENCH_DIR=${BENCH_DIR:-$HOME/relaymx-bench}
SHARED_BENCH=${SHARED_BENCH:-$(cd "$here/../../shared/bench" 2>/dev/null && pwd || echo /work/shared/bench)}
export BENCH_DIR SHARED_BENCH
# Orders of the corpus for the online protocol (make_index.py --seed N). Drawn on 2026-12-10 at 13:53 UTC,
# before any tuning, with python3 -c 'import random; print(random.SystemRandom().sample(range(1,10**6),12))';
# the first six are the tuning half, the last six are held out: the classifier is tuned on the tuning
# half only, and the held-out half is reported apart to show whether the tuning generalises.
TUNING_SEEDS="333432 166178 381464 752105 988256 654982"
HELDOUT_SEEDS="800318 430763 685429 549123 628015 101409"
orders() {
  local out="$BENCH_DIR/orders" seeds="$TUNING_SEEDS $HELDOUT_SEEDS" repo
  repo=$(cd "$here/.." && pwd)
  # shellcheck disable=SC2086
  missing=$(for p in bogofilter-bdb spamprobe; do dpkg -s "$p" >/dev/null 2>&1 || echo "$p"; done)
  [ -z "$missing" ] || { apt-get update -qq; DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null; }
  "$SHARED_BENCH/get_corpus.sh" "$BENCH_DIR/corpus" >/dev/null
  # shellcheck disable=SC2086
  "$here/peer_orders.sh" "$BENCH_DIR/corpus" "$out" "$seeds" ${PEERS:-bogofilter spamprobe} >/dev/null
  cmake -S "$repo" -B "$repo/build-core-native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  ninja -C "$repo/build-core-native" -j2 core_bench >/dev/null
  local list="" seed
  for seed in $seeds; do list="$list${list:+,}$out/idx-$seed/online.idx"; done
  "$repo/build-core-native/bin/core_bench" --corpus "$BENCH_DIR/corpus" --orders "$list" --out-dir "$out" \
    >"$out/core-orders.txt"
  "$repo/build-core-native/bin/core_bench" --corpus "$BENCH_DIR/corpus" --index "$out/idx-2026/batch-test.idx" \
    --train "$out/idx-2026/batch-train.idx" --out "$out/core-batch.res" >"$out/core-batch.txt"
  "$here/plugin_bench.sh" --orders "$out" "$seeds"
  # shellcheck disable=SC2086
  python3 "$here/orders_table.py" "$out" "$SHARED_BENCH" "$TUNING_SEEDS" "$HELDOUT_SEEDS" ${PEERS:-bogofilter spamprobe}
}
if [ "${1:-}" = "--orders" ]; then
  orders
  exit 0
fi
echo "######## classifier core, native ########"
"$here/run.sh"
echo
echo "######## the plug-in under Wine, through plughost ########"
"$here/plugin_bench.sh"
if [ "${1:-}" != "--no-peers" ]; then
  echo
  echo "######## peers, run here on the same corpus and protocol ########"
  # shellcheck disable=SC2086
  missing=$(for p in bogofilter-bdb spamprobe bsfilter; do dpkg -s "$p" >/dev/null 2>&1 || echo "$p"; done)
  [ -z "$missing" ] || { apt-get update -qq; DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null; }
  "$SHARED_BENCH/run_all.sh" "$BENCH_DIR/corpus" "$BENCH_DIR/peers" ${PEERS:-bogofilter spamprobe} >/dev/null
  cat "$BENCH_DIR/peers/table.md"
fi

