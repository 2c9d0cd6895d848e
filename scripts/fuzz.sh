#!/usr/bin/env bash
# Builds the libFuzzer targets of the core (preset "fuzz") and runs each one for a bound.
#   scripts/fuzz.sh [seconds-per-target] [target...]
# The default bound is a short pass of a few seconds per target. Each target starts from
# its committed seeds in fuzz/corpus/<target>/ (read only); what it finds beyond them goes
# to build/fuzz/corpus/<target>/, crashes to build/fuzz/artifacts/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-3}"
shift || true

cmake --preset fuzz >/dev/null
cmake --build build/fuzz --target fuzzers -j 2

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  # The sources name the targets, so a fuzzer left over from a removed file is not run.
  while IFS= read -r src; do
    targets+=("$(basename "$src" .cpp)")
  done < <(find src -name '*_fuzz.cpp' | sort)
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no fuzz targets" >&2
  exit 1
fi

failed=()
for t in "${targets[@]}"; do
  exe="build/fuzz/fuzzers/$t"
  seeds="fuzz/corpus/$t"
  work="build/fuzz/corpus/$t"
  artifacts="build/fuzz/artifacts/$t"
  mkdir -p "$work" "$artifacts"
  corpora=("$work")
  [ -d "$seeds" ] && corpora+=("$seeds")
  echo "fuzz: $t for ${seconds}s"
  if ! "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "${corpora[@]}" >"build/fuzz/$t.log" 2>&1; then
    tail -n 40 "build/fuzz/$t.log" >&2
    failed+=("$t")
  else
    grep -E '^stat::number_of_executed_units|^Done' "build/fuzz/$t.log" || true
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]} (inputs in build/fuzz/artifacts/)" >&2
  exit 1
fi
echo "fuzz: all ${#targets[@]} targets passed"
