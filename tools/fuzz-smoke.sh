#!/usr/bin/env bash
# Runs every fuzz harness in $1 for $2 seconds over its seed corpus; fails on any finding.
# On a finding the whole report and the input that caused it are printed, so a CI log alone
# is enough to reproduce it.
set -euo pipefail
build=$1; seconds=${2:-60}
status=0
for harness in "$build"/fuzz/*/fuzz_*; do
  [ -x "$harness" ] || continue
  name=$(basename "$harness")
  corpus_src=fuzz/corpus/${name#fuzz_}
  work=$(mktemp -d)
  mkdir "$work/corpus" "$work/found"
  [ -d "$corpus_src" ] && cp -r "$corpus_src"/. "$work/corpus"/
  echo "== $name for ${seconds}s"
  if "$harness" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$work/found/" "$work/corpus" >"$work/log" 2>&1; then
    tail -n 8 "$work/log"
  else
    status=1
    echo "!! $name failed; its report:"
    grep -v -E '^#[0-9]+' "$work/log" | tail -n 120
    for artifact in "$work"/found/*; do
      [ -f "$artifact" ] || continue
      echo "!! input $(basename "$artifact") ($(stat -c %s "$artifact") bytes), base64:"
      head -c 65536 "$artifact" | base64
    done
  fi
  rm -rf "$work"
done
exit $status
