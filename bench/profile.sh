#!/bin/bash
# Where qinghe-analyse spends its time on the 50 loopback pages of
# side_by_side.py: RUNS runs (default 30) under `perf record` with DWARF call
# graphs, every host it asks on bench_page_server, the history kept apart in
# a folder of its own; prints the share of each library, the hottest
# functions and the inclusive share of the program's own parts.
# usage: bench/profile.sh PATH-TO-qinghe-analyse [RUNS] [OUTPUT.data]
set -euo pipefail
analyse=$(realpath "$1")
runs=${2:-30}
out=${3:-$(mktemp --suffix=.perf.data)}
build=$(dirname "$(dirname "$analyse")")
folder=$build/fixtures/fund-pages
[ -f "$folder/codes.txt" ] || { echo "profile: build the target fund_pages first" >&2; exit 1; }
history=$(mktemp -d)
trap 'rm -rf "$history"' EXIT
export QINGHE_SYSTEM_PREFIXES=$(dirname "$analyse") XDG_CONFIG_HOME=$history/config \
  XDG_DATA_HOME=$history/data
coproc server { "$build/bench/bench_page_server" "$folder"; }
read -r -u "${server[0]}" port
codes=$(head -50 "$folder/codes.txt" | tr '\n' ' ')
page=http://127.0.0.1:$port/
mobile=http://localhost:$port/
perf record -q --call-graph dwarf,16384 -F 2999 -o "$out" -- bash -c \
  "for i in \$(seq $runs); do '$analyse' --base-url $page --archive-url $page \
   --mobile-url $mobile $codes >/dev/null 2>&1; done" 2>/dev/null
exec {server[1]}>&-
wait
set +o pipefail  # head ends the reports' pipes early
summary() { grep -v '^#' | grep -v '^$' | head -"$1"; }
echo "== by library (self)"
perf report -i "$out" --no-children --sort dso -g none 2>/dev/null | summary 8
echo "== hottest functions (self)"
perf report -i "$out" --no-children --sort dso,sym -g none 2>/dev/null | summary 15
echo "== the program's parts (inclusive)"
perf report -i "$out" --children --sort sym -g none 2>/dev/null |
  grep -E '(PageSource::ask|program_text|RunHistory::fund_read|HistoryStore::(store|open)|DownloadEngine::run|ArchiveSource::ask|AssetMixRequest::ask)$' |
  sort -k3 | awk '{k=$3" "$4; s[k]+=$1} END {for (k in s) printf "  %6.2f%%  %s\n", s[k], k}' | sort -rn
echo "(perf data in $out)"
