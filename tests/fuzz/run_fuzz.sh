#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time each and fails
# when any of them finds something.
#
#   tests/fuzz/run_fuzz.sh <fuzz build dir> <seconds per target> [target ...]
#
# Each target works on a writable corpus <build>/corpus/<target>, seeded from
# tests/fuzz/corpus/<target> (libFuzzer writes new inputs into the first
# corpus folder it is given). Inputs that fail land in <build>/findings/.
set -u
build=${1:?fuzz build directory}
seconds=${2:-30}
shift 2 || shift $#
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(grep -v '^$' "$build/fuzz_targets.txt")
fi

mkdir -p "$build/findings"
failed=()
summary=()
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  [ -d "$here/corpus/$t" ] && cp -n "$here/corpus/$t"/* "$corpus"/ 2>/dev/null
  log="$build/findings/$t.log"
  echo "== $t: ${seconds}s"
  ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/tests/fuzz/$t" "$corpus" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
      -max_len=6000 -print_final_stats=1 -artifact_prefix="$build/findings/$t-" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  summary+=("$t: ${runs:-?} executions, exit $rc")
  if [ $rc -ne 0 ]; then
    failed+=("$t")
    echo "-- $t failed (exit $rc); the end of its log ($log):"
    tail -40 "$log"
  fi
done
echo "== fuzz summary"
printf '  %s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]} (inputs in $build/findings)"
  exit 1
fi
