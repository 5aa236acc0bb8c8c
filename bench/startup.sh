#!/usr/bin/env bash
# Start-up of the wizard on the offscreen platform: from process start to the welcome page
# painted, and the peak memory by then. The program's start-up probe (SYNVORA_STARTUP_PROBE)
# prints the time of the first paint and its peak resident memory, then ends.
# Usage: bench/startup.sh [runs]   (after the dev build; targets: under 150 ms, under 60 MB)
set -euo pipefail
cd "$(dirname "$0")/.."

binary=build/dev/bin/synvora-migration-wizard
runs=${1:-20}
[ -x "$binary" ] || { echo "startup.sh: build first (cmake --build --preset dev)" >&2; exit 1; }

export QT_QPA_PLATFORM=offscreen SYNVORA_STARTUP_PROBE=1
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime

times=()
peak_kb=0
for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    line=$("$binary" 2>/dev/null | grep '^first-paint-ns ')
    read -r _ painted _ rss <<<"$line"
    times+=($(((painted - start) / 1000)))
    ((rss > peak_kb)) && peak_kb=$rss
done

sorted=($(printf '%s\n' "${times[@]}" | sort -n))
median=${sorted[$((runs / 2))]}
printf 'start-up to first paint over %d runs: median %d.%03d ms, min %d.%03d ms, max %d.%03d ms\n' "$runs" \
    $((median / 1000)) $((median % 1000)) $((sorted[0] / 1000)) $((sorted[0] % 1000)) \
    $((sorted[-1] / 1000)) $((sorted[-1] % 1000))
printf 'peak resident memory at first paint: %d.%d MB (max over runs)\n' $((peak_kb / 1024)) $((peak_kb % 1024 * 10 / 1024))
if [ -x /usr/bin/time ]; then
    /usr/bin/time -o "$runtime/time" -f 'one whole run (start, paint, end): %e s wall, %M KB peak' "$binary" \
        >/dev/null 2>&1
    cat "$runtime/time"
fi
