#!/usr/bin/env bash
# Runs the fuzz targets of the fuzz build (scripts/build.sh fuzz).
#   scripts/fuzz.sh [TARGET|all] [SECONDS]
#       fuzzes each target for SECONDS (default 600) starting from its seed
#       corpus; new inputs are kept in build/fuzz/corpus/TARGET, crashes,
#       hangs and leaks in build/fuzz/findings/ (copy a finding into
#       tests/fuzz/corpus/TARGET/ once it is fixed, so it stays a test).
#   scripts/fuzz.sh --smoke [--build DIR] TARGET SECONDS
#       the test run's short run: every seed, then SECONDS of fuzzing into a
#       scratch folder; fails on any finding.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
smoke=0
build=$root/build/fuzz
while [ $# -gt 0 ]; do
  case "$1" in
    --smoke) smoke=1; shift ;;
    --build) build=$2; shift 2 ;;
    *) break ;;
  esac
done
target=${1:-all}
seconds=${2:-600}
targets=(definition mime adi adx settings server_payload card_name link jpeg wsjtx)
if [ "$target" != all ]; then
  [[ " ${targets[*]} " == *" $target "* ]] ||
    { echo "fuzz: no target \"$target\"; the targets: ${targets[*]}" >&2; exit 2; }
  targets=("$target")
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp:print_suppressions=0}
export QT_QPA_PLATFORM=offscreen
status=0
for t in "${targets[@]}"; do
  program=$build/tests/fuzz/fuzz_$t
  [ -x "$program" ] || { echo "fuzz: $program missing: scripts/build.sh fuzz" >&2; exit 2; }
  seeds=$root/tests/fuzz/corpus/$t
  [ -d "$seeds" ] || { echo "fuzz: no seed corpus $seeds" >&2; exit 2; }
  dict=()
  [ -f "$root/tests/fuzz/dict/$t.dict" ] && dict=(-dict="$root/tests/fuzz/dict/$t.dict")
  if [ $smoke -eq 1 ]; then
    work=$(mktemp -d)
    findings=$build/findings/$t-
    mkdir -p "$build/findings"
  else
    work=$build/corpus/$t
    findings=$build/findings/$t-
    mkdir -p "$work" "$build/findings"
  fi
  # A definition may legitimately draw a whole card a thousand times (its
  # loop limit), which takes seconds under the sanitizers: it gets longer
  # and shorter inputs.
  limits=(-timeout=10 -max_len=65536)
  [ "$t" = definition ] && limits=(-timeout=60 -max_len=4096)
  echo "=== fuzz $t: ${seconds}s" >&2
  if ! "$program" -max_total_time="$seconds" "${limits[@]}" -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$findings" "${dict[@]}" "$work" "$seeds"; then
    if ls "${findings}"* >/dev/null 2>&1; then
      echo "fuzz $t: findings: $(ls "${findings}"*)" >&2
    else
      echo "fuzz $t: the run failed" >&2
    fi
    status=1
  fi
  [ $smoke -eq 1 ] && rm -rf "$work"
done
exit $status
