#!/usr/bin/env bash
# Measures the classifier core on the public SpamAssassin corpus with the shared benchmark protocol:
# fetches the corpus (npm), writes the indexes, builds core_bench natively, runs the online and the
# batch protocol, checks the results with roca.py and prints our figures beside the peers'.
#
# usage: bench/run.sh [--peers]
#   --peers  also run the peer filters through the shared run_all.sh (slow: minutes)
# environment: BENCH_DIR (default ~/relaymx-bench) holds corpus, indexes and results;
#              SHARED_BENCH (default /work/shared/bench) the protocol's scripts.
set -euo pipefail

REPO=$(cd "$(dirname "$0")/.." && pwd)
BENCH_DIR=${BENCH_DIR:-$HOME/relaymx-bench}
SHARED_BENCH=${SHARED_BENCH:-/work/shared/bench}
BUILD=$REPO/build-core-native
RUN_PEERS=0
[ "${1:-}" = "--peers" ] && RUN_PEERS=1

need() {  # need COMMAND PACKAGE: installs the Debian package when the command is missing
    command -v "$1" >/dev/null 2>&1 && return 0
    echo "installing $2" >&2
    apt-get install -y "$2" >/dev/null
}
need npm npm
need cmake cmake
need ninja ninja-build
need g++ g++
need python3 python3
[ -f /usr/include/gtest/gtest.h ] || apt-get install -y libgtest-dev >/dev/null

mkdir -p "$BENCH_DIR/results"
"$SHARED_BENCH/get_corpus.sh" "$BENCH_DIR/corpus"
python3 "$SHARED_BENCH/make_index.py" "$BENCH_DIR/corpus" "$BENCH_DIR/idx"

cmake -S "$REPO" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$BUILD" -j2 core_bench >/dev/null
BENCH=$BUILD/bin/core_bench

echo
echo "== online: score, then learn, each message in order =="
"$BENCH" --corpus "$BENCH_DIR/corpus" --index "$BENCH_DIR/idx/online.idx" --out "$BENCH_DIR/results/core-online.txt"
echo "roca.py (integer scores, judge = score >= 85):"
python3 "$SHARED_BENCH/roca.py" "$BENCH_DIR/results/core-online.txt" "$BENCH_DIR/idx/online.idx"

echo
echo "== batch: learn batch-train, then score batch-test =="
"$BENCH" --corpus "$BENCH_DIR/corpus" --index "$BENCH_DIR/idx/batch-test.idx" \
    --train "$BENCH_DIR/idx/batch-train.idx" --out "$BENCH_DIR/results/core-batch.txt"
echo "roca.py (integer scores, judge = score >= 85):"
python3 "$SHARED_BENCH/roca.py" "$BENCH_DIR/results/core-batch.txt" "$BENCH_DIR/idx/batch-test.idx"

echo
echo "== peers, as published in $SHARED_BENCH/README.md =="
# The first table after the "Reference results" heading.
awk '/^## Reference results/ {on = 1} on && /^\|/ {print; seen = 1} seen && !/^\|/ {exit}' "$SHARED_BENCH/README.md"
echo "(the peers' wall times include one or more process starts per message; ours is the in-process"
echo " check+learn loop over files already read, see core_bench's first line)"

if [ "$RUN_PEERS" = 1 ]; then
    echo
    echo "== peers, run here =="
    "$SHARED_BENCH/run_all.sh" "$BENCH_DIR/corpus" "$BENCH_DIR/peers"
    cat "$BENCH_DIR/peers/table.md"
fi
