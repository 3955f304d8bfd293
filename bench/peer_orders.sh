#!/usr/bin/env bash
# Runs each peer filter online over each given order of the corpus, and the batch protocol once,
# with the shared runner. Results are cached under OUT by peer and seed: the peers and the corpus
# do not change, so a later run only fills in what is missing.
# usage: bench/peer_orders.sh CORPUS OUT "SEED..." PEER...
#   OUT/idx-SEED/{online,batch-train,batch-test}.idx   the indexes (make_index.py --seed SEED)
#   OUT/PEER-online-SEED.{res,log}, OUT/PEER-batch.{res,log}
set -euo pipefail
SHARED_BENCH=${SHARED_BENCH:-/work/shared/bench}
CORPUS=$1 OUT=$2 SEEDS=$3
shift 3
mkdir -p "$OUT"
index() {  # index SEED: writes the indexes of one order once
  [ -f "$OUT/idx-$1/online.idx" ] || python3 "$SHARED_BENCH/make_index.py" "$CORPUS" "$OUT/idx-$1" --seed "$1"
}
index 2026
for peer in "$@"; do
  if [ ! -f "$OUT/$peer-batch.log" ]; then
    "$SHARED_BENCH/run_peer.sh" "$peer" "$CORPUS" "$OUT/idx-2026/batch-test.idx" "$OUT/$peer-batch.res.tmp" \
      "$OUT/idx-2026/batch-train.idx" >"$OUT/$peer-batch.log.tmp"
    mv "$OUT/$peer-batch.res.tmp" "$OUT/$peer-batch.res" && mv "$OUT/$peer-batch.log.tmp" "$OUT/$peer-batch.log"
  fi
  for seed in $SEEDS; do
    index "$seed"
    base="$OUT/$peer-online-$seed"
    [ -f "$base.log" ] && continue
    # Written under temporary names first: an interrupted run leaves nothing that looks complete.
    "$SHARED_BENCH/run_peer.sh" "$peer" "$CORPUS" "$OUT/idx-$seed/online.idx" "$base.res.tmp" >"$base.log.tmp"
    mv "$base.res.tmp" "$base.res" && mv "$base.log.tmp" "$base.log"
  done
done
