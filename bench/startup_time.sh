#!/usr/bin/env bash
# Wall-clock time of the whole program from exec to the entry window on the screen, averaged
# over several runs (offscreen platform; the first run warms the caches).
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-10}"
export QT_QPA_PLATFORM=offscreen KESTREL_SETTINGS=/nonexistent/site.ini
build/app/kestrel --exit-when-shown 2>/dev/null
start=$(date +%s%N)
for _ in $(seq "$runs"); do build/app/kestrel --exit-when-shown 2>/dev/null; done
end=$(date +%s%N)
echo "kestrel start-up to the entry window: $(( (end - start) / runs / 1000000 )) ms (mean of $runs runs)"
