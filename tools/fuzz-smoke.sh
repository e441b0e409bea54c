#!/usr/bin/env bash
# Runs every fuzz harness in $1 over its seed corpus for $3 inputs from a fixed seed (at most
# $2 seconds); fails on any finding. The fixed seed makes the smoke the same on every machine, so
# CI meets what a developer's run met; open-ended fuzzing is `make fuzz` and the harness itself.
# On a finding the whole report and the input that caused it are printed, so a CI log alone
# is enough to reproduce it.
set -euo pipefail
build=$1; seconds=${2:-120}; runs=${3:-30000}
status=0
for harness in "$build"/fuzz/*/fuzz_*; do
  [ -x "$harness" ] || continue
  name=$(basename "$harness")
  corpus_src=fuzz/corpus/${name#fuzz_}
  work=$(mktemp -d)
  mkdir "$work/corpus" "$work/found"
  [ -d "$corpus_src" ] && cp -r "$corpus_src"/. "$work/corpus"/
  echo "== $name: $runs inputs, at most ${seconds}s"
  if "$harness" -seed=1 -runs="$runs" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
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
