#!/bin/sh
# One fuzz target's smoke: PROGRAM WORKDIR RUNS [DICT|-] CORPUS... (missing folders are
# skipped). A fixed seed and number of runs keep it nearly the same every time (a workbook
# save stamps the clock into the zip and picks a random temporary name, which still varies
# the path a little); new inputs go to WORKDIR, which is emptied first, never into the
# repository's corpus.
prog=$1 work=$2 runs=$3 dict=$4
shift 4
rm -rf "$work" && mkdir -p "$work" || exit 1
set -- "$@" END
for d; do
  [ "$d" = END ] && break
  [ -d "$d" ] && set -- "$@" "$d"
  shift
done
shift # END
[ "$dict" != - ] && set -- "-dict=$dict" "$@"
exec "$prog" -seed=1 -runs="$runs" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$work/" "$work" "$@"
