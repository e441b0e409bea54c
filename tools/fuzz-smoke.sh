#!/usr/bin/env bash
# Runs every fuzz harness in $1 for $2 seconds over its seed corpus; fails on any finding.
set -euo pipefail
build=$1; seconds=${2:-60}
status=0
for harness in "$build"/fuzz/*/fuzz_*; do
  [ -x "$harness" ] || continue
  name=$(basename "$harness")
  corpus_src=fuzz/corpus/${name#fuzz_}
  work=$(mktemp -d)
  [ -d "$corpus_src" ] && cp -r "$corpus_src"/. "$work"/
  echo "== $name for ${seconds}s"
  if ! "$harness" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$work/" "$work" 2>&1 | tail -n 12; then
    status=1
  fi
  rm -rf "$work"
done
exit $status
