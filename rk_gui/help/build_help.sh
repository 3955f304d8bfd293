#!/usr/bin/env bash
# build_help.sh SOURCE_DIR IDS_HEADER OUT.chm: compiles the help project of SOURCE_DIR with chmcmd.
# Cshelp.txt names its popup topics by the help id macros of IDS_HEADER (".topic HID_..."); they are
# replaced by their numbers first, and a name the header lacks stops the build.
set -euo pipefail
source_dir=$1
header=$2
out=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$source_dir"/*.hhp "$source_dir"/*.hhc "$source_dir"/*.htm "$source_dir"/*.css "$work"/
awk -v header="$header" '
  BEGIN {
    while ((getline line < header) > 0) {
      n = split(line, f, /[ \t]+/)
      if (n >= 3 && f[1] == "#define" && f[2] ~ /^HID_/) id[f[2]] = f[3]
    }
  }
  $1 == ".topic" {
    if (!($2 in id)) { printf "build_help: %s is no help id of %s\n", $2, header > "/dev/stderr"; exit 1 }
    print ".topic " id[$2]
    next
  }
  { print }
' "$source_dir/Cshelp.txt" > "$work/Cshelp.txt"
log=$work/chmcmd.log
if ! (cd "$work" && chmcmd --verbosity 1 help_en.hhp) > "$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi
# chmcmd reports missing files and broken links as warnings; a help file with them is not shipped.
if grep -qi -e "warning" -e "error" "$log"; then
  cat "$log" >&2
  exit 1
fi
mkdir -p "$(dirname "$out")"
mv "$work/help_en.chm" "$out.tmp"
mv "$out.tmp" "$out"
