#!/usr/bin/env bash
# Bulk evaluation speed against the bare file I/O of the same files, in the same run:
# the demo's evaluation workspace scaled to 50 tests of 30 signals x 600 000 samples,
# evaluated by `mvtervik-cli bulk` with --jobs 1 and --jobs 2, beside `cp -r` of the same
# test folders (read everything, write as much back).
# Goals: the evaluation costs at most 3x the bare I/O; --jobs 2 reaches 1.7x --jobs 1.
#   bulk_bench.sh BUILD_DIR
# MV_BULK_BENCH_IDS, MV_BULK_BENCH_SIGNALS, MV_BULK_BENCH_SAMPLES scale it down for a
# quick look; MV_BULK_BENCH_DIR chooses the scratch folder (default: under $TMPDIR).
set -euo pipefail
BUILD_DIR=${1:?build dir}
CLI=$BUILD_DIR/src/app/mvtervik-cli
DEMO=$BUILD_DIR/tools/demo/mvt-demo
IDS=${MV_BULK_BENCH_IDS:-50}
SIGNALS=${MV_BULK_BENCH_SIGNALS:-30}
SAMPLES=${MV_BULK_BENCH_SAMPLES:-600000}

if [ ! -x "$CLI" ] || [ ! -x "$DEMO" ]; then
  echo "bulk benchmark skipped: build mvtervik-cli and mvt-demo first"
  exit 0
fi
if ! "$CLI" --help 2>/dev/null | grep -q '^  bulk '; then
  echo "bulk benchmark skipped: this mvtervik-cli has no bulk subcommand"
  exit 0
fi

# Inputs, one output tree at a time, and room to spare.
need_kib=$((IDS * SIGNALS * SAMPLES * 4 / 1024 * 5 / 2 + 1048576))
PARENT=${MV_BULK_BENCH_DIR:-${TMPDIR:-/tmp}}
free_kib=$(df -Pk "$PARENT" | awk 'NR == 2 { print $4 }')
if [ "$free_kib" -lt "$need_kib" ]; then
  echo "bulk benchmark skipped: $PARENT has $((free_kib / 1048576)) GiB free," \
    "it needs $((need_kib / 1048576)) GiB"
  exit 0
fi
WORK=$(mktemp -d "$PARENT/mv-bulk-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

echo "generating $IDS tests of $SIGNALS signals x $SAMPLES samples in $WORK ..."
t0=$(now)
"$DEMO" --evaluation "$WORK/ws" --ids "$IDS" --signals "$SIGNALS" --samples "$SAMPLES" >/dev/null
t1=$(now)
in_bytes=$(du -sb "$WORK/ws" | awk '{ print $1 }')
echo "  generated $((in_bytes / 1048576)) MiB in $(elapsed "$t0" "$t1") s"

# Every test folder holds the test's files only; the workbooks stay out of the copy.
folders=()
for d in "$WORK"/ws/*/; do
  case "$(basename "$d")" in Track) ;; *) folders+=("$d") ;; esac
done

# Bare I/O: read every signal file and write it again.
sync
mkdir -p "$WORK/copy"
t0=$(now)
cp -r "${folders[@]}" "$WORK/copy/"
sync
t1=$(now)
bare=$(elapsed "$t0" "$t1")
rm -rf "$WORK/copy"

# Runs the command and prints its wall time and the CPU time it used (user + system), so a
# slow figure shows whether the work or the disk was waited for.
timed() {
  /usr/bin/python3 -c 'import resource, subprocess, sys, time
t = time.monotonic()
rc = subprocess.call(sys.argv[3:], stdout=open(sys.argv[1], "w"), stderr=open(sys.argv[2], "w"))
subprocess.call(["sync"])
wall = time.monotonic() - t
ru = resource.getrusage(resource.RUSAGE_CHILDREN)
print("%.2f %.2f" % (wall, ru.ru_utime + ru.ru_stime))
sys.exit(rc)' "$@"
}

run_bulk() {
  local jobs=$1 out=$WORK/out$1
  mkdir -p "$out"
  sync
  local figures processed
  figures=$(timed "$WORK/result$jobs.json" "$WORK/log$jobs.txt" \
    "$CLI" bulk --log "$WORK/ws/Log.xlsx" --evalog "$WORK/ws/EvaLog.xlsx" --from 1 --to "$IDS" \
    --track-subdir Track --dest "$out" --out-evalog "$out/EvaLog.xlsx" --jobs "$jobs" --json) || true
  processed=$(/usr/bin/python3 -c 'import json,sys
print(sum(e["outcome"] == "processed" for e in json.load(open(sys.argv[1]))["ids"]))' \
    "$WORK/result$jobs.json" 2>/dev/null || echo 0)
  if [ "$processed" != "$IDS" ]; then
    echo "  bulk --jobs $jobs processed $processed of $IDS tests; the figures do not count" >&2
    tail -5 "$WORK/log$jobs.txt" >&2
  fi
  rm -rf "$out"
  echo "$figures"
}

read -r j1 c1 <<<"$(run_bulk 1)"
read -r j2 c2 <<<"$(run_bulk 2)"

awk -v ids="$IDS" -v bare="$bare" -v j1="$j1" -v j2="$j2" -v c1="$c1" -v c2="$c2" \
  -v inb="$in_bytes" -v load="$(cut -d' ' -f1 /proc/loadavg)" 'BEGIN {
  printf "bulk evaluation of %d tests (%.0f MiB of signal files)\n", ids, inb / 1048576
  printf "  bare I/O (cp -r, baseline): %8.2f s  %7.1f tests/min\n", bare, ids * 60 / bare
  printf "  bulk --jobs 1             : %8.2f s  %7.1f tests/min  %.2fx bare I/O (goal <= 3), %.1f s CPU\n",
         j1, ids * 60 / j1, j1 / bare, c1
  printf "  bulk --jobs 2             : %8.2f s  %7.1f tests/min  %.2fx --jobs 1 speed (goal >= 1.7), %.1f s CPU\n",
         j2, ids * 60 / j2, j1 / j2, c2
  printf "  (load average at the end: %s; other work on the machine slows every figure)\n", load
}'
