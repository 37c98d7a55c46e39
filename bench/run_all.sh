#!/usr/bin/env bash
# Runs every benchmark program; each prints its figure beside its baseline.
set -euo pipefail
BUILD_DIR=${1:?build dir}
shift || true
for b in "$BUILD_DIR"/bench/*/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
# Scripts that drive the programs from outside: bench/*.sh and bench/<subsystem>/*.sh.
for s in "$(dirname "$0")"/*.sh "$(dirname "$0")"/*/*.sh; do
  [ -x "$s" ] || continue
  case "$(basename "$s")" in run_all.sh) continue ;; esac
  echo "== $(basename "$s")"
  "$s" "$BUILD_DIR"
done
