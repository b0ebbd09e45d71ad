#!/usr/bin/env bash
# One build, one set of figures: runs two builds of the command line (a
# release build and a debug build) over a list of set-ups and compares what
# they print byte for byte, the report and the JSON with the exact check. The
# set-ups are ill-conditioned ones, whose printed figures change when the
# optimiser replaces a library call by its own arithmetic in one build only.
#
# Usage: scripts/compare-builds.sh RELEASE_CLI DEBUG_CLI [SETUPS_FILE]
# SETUPS_FILE holds one set-up per line, as command-line options; lines
# starting with "#" are comments. Exit status 0 when every output agrees.
set -euo pipefail
cd "$(dirname "$0")/.."
release=$1
debug=$2
setups=${3:-tests/cli/ill_conditioned_setups.txt}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The output of one build: standard output, then the exit status. The timeout
# is far beyond these set-ups' run time, so no run is stopped by the clock,
# whose moment would depend on the build's speed.
output() {
  local cli=$1
  shift
  "$cli" --timeout 600 "$@" 2>/dev/null && status=0 || status=$?
  echo "exit status $status"
}

count=0
differ=0
while IFS= read -r line; do
  [[ -z $line || $line == \#* ]] && continue
  read -ra options <<<"$line"
  count=$((count + 1))
  for form in report json; do
    extra=()
    [ "$form" = json ] && extra=(--json --exact)
    output "$release" "${extra[@]}" "${options[@]}" >"$work/release"
    output "$debug" "${extra[@]}" "${options[@]}" >"$work/debug"
    if ! cmp -s "$work/release" "$work/debug"; then
      differ=$((differ + 1))
      echo "differ ($form): $line"
      diff "$work/release" "$work/debug" | head -n 6 || true
    fi
  done
done <"$setups"

if [ "$count" -eq 0 ]; then
  echo "FAIL: no set-ups read from $setups"
  exit 1
fi
if [ "$differ" -ne 0 ]; then
  echo "FAIL: release and debug builds print different figures: $differ of $((2 * count)) outputs" \
    "($count set-ups, report and JSON) differ"
  exit 1
fi
echo "PASS: release and debug builds print identical bytes for $count set-ups (report and JSON" \
  "with the exact check)"
