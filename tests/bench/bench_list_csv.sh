#!/usr/bin/env bash
# Benchmark of "klb" (listing with assets) and "kcsv" (room-area CSV), run by hand after a
# Release build: generated plans of 2,500, 5,000 and 10,000 space blocks with assets, one
# space in four measured in square feet. Prints wall-clock seconds of cadhost opening the
# plan and quitting, and of each command run after the load (the load subtracted), so that
# growing with the number of spaces shows: twice the spaces should take about twice the time.
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data"
seconds() { /usr/bin/time -f %e "$@" 2>&1 >/dev/null | tail -1; }
printf "QUIT\n" > "$work/quit.scr"
printf "klb\n\n1\nQUIT\n" > "$work/klb.scr"
printf "kcsv\nQUIT\n" > "$work/kcsv.scr"
printf "%8s %8s %12s %10s %10s\n" spaces assets "cadhost load" klb kcsv
for rooms in ${QV_BENCH_ROOMS:-2500 5000 10000}; do
  plan="$work/plan-$rooms.dxf"
  /usr/bin/python3 scripts/gen_floorplan.py --rooms "$rooms" --spaces --mixed 4 "$plan"
  assets=$(grep -c "^ASSETS$" "$plan" || true)
  load=$(seconds ./build/bin/cadhost --no-gui --script "$work/quit.scr" "$plan")
  klb=$(seconds ./build/bin/cadhost --no-gui --script "$work/klb.scr" "$plan")
  kcsv=$(seconds ./build/bin/cadhost --no-gui --script "$work/kcsv.scr" "$plan")
  printf "%8s %8s %12s %10.2f %10.2f\n" "$rooms" "$assets" "$load" "$(echo "$klb - $load" | bc)" \
    "$(echo "$kcsv - $load" | bc)"
done
