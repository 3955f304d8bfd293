#!/usr/bin/env bash
# The product's main job from a fresh machine: set-up, build, install the product into a Wine prefix of
# its own as the installer would, then drive the installed plug-in through the host program on real
# mail: train it on one part of the public corpus, check the other part, show a few verdicts and why,
# and print the plug-in's report.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${RELAYMX_OUT:-$root/out}
"$root/scripts/setup.sh"
BUILD_TYPE=Release BUILD_DIR="$root/build-release" "$root/scripts/build.sh" >/dev/null
"$root/scripts/get-mail.sh" "$out/mail"

export WINEPREFIX=$out/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
# Every run starts from an untrained engine and empty counters.
rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Kestrom "$WINEPREFIX/drive_c/ProgramData/Kestrom"
wine reg delete 'HKCU\Software\Kestrom' /f >/dev/null 2>&1 || true

wine "$root/build-release/bin/plughost.exe" install
host() { wine 'C:\Program Files\Kestrom\Corvane Suite\plughost.exe' "$@"; }
mail=$(winepath -w "$out/mail")
echo
host info
echo
echo "== training on $(wc -l < "$out/mail/idx/batch-train.idx") messages (TBP_FeedSpam with the user's verdict) =="
host run --train-only --index "$mail\\idx\\batch-train.idx" --root "$mail"
echo
echo "== checking $(wc -l < "$out/mail/idx/batch-test.idx") other messages (TBP_GetSpamScore) =="
host run --check-only --index "$mail\\idx\\batch-test.idx" --root "$mail" --results "$(winepath -w "$out/results.txt")"
echo
echo "== a few verdicts: score, verdict, message =="
host check "$mail\\spam\\spam-2_00001.eml" "$mail\\spam\\spam-2_00002.eml" "$mail\\ham\\easy-ham-2_00001.eml" \
     "$mail\\ham\\easy-ham-2_00002.eml" | head -4
echo
echo "== why =="
host explain "$mail\\spam\\spam-2_00001.eml" "$mail\\ham\\easy-ham-2_00001.eml"
echo "== report (TBP_GetInfo) =="
host report | sed -e 's/<br>/\n/g' -e 's/<[^>]*>/ /g' | sed -e '/^\s*$/d'
wineserver -w
