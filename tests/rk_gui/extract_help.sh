#!/usr/bin/env bash
# extract_help.sh HELP.chm DIR: takes a built help file apart into DIR for the tests to read.
set -euo pipefail
rm -rf "$2"
extract_chmLib "$1" "$2" >/dev/null
test -f "$2/Cshelp.txt"
