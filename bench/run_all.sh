#!/usr/bin/env bash
# Every figure of the product in one run, beside the peer filters': the classifier core natively
# (bench/run.sh), the whole plug-in under Wine through the host program (bench/plugin_bench.sh), and
# the peers run here on the same corpus and protocol (bogofilter and spamprobe; add bsfilter with
# PEERS="bogofilter spamprobe bsfilter", about ten minutes more). --no-peers prints the peers'
# published figures instead of running them.
# usage: bench/run_all.sh [--no-peers]
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
