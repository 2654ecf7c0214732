#!/usr/bin/env bash
# Benchmark of the batch commands "ksxta" (defaults: names and areas copied to the texts),
# "ksxta" with recalculation and "ksc_has" (every space hatched), run by hand after a Release
# build: generated plans of 2,500, 5,000 and 10,000 space blocks with their assets
# (millimetres), each command run by cadhost and the plan saved. Prints wall-clock seconds
# of cadhost opening, saving and quitting, and of the same run with each command, and the
# command's own share per space: a constant share means linear work.
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=offscreen
seconds() { /usr/bin/time -f %e "$@" 2>&1 >/dev/null | tail -1; }
run() { seconds ./build/bin/cadhost --no-gui --script "$1" "$2"; }
script() { printf "%b" "$1SAVEAS\n$work/out.dxf\nQUIT\n" > "$work/$2.scr"; echo "$work/$2.scr"; }
base=$(script "" base)
sync=$(script "ksxta\n\n\n\n\n" sync)
recalc=$(script "ksxta\n\n\n1\n1\n" recalc)
hatch=$(script "ksc_has\n" hatch)
printf "%8s %10s %10s %12s %10s %12s %10s %12s\n" spaces "open+save" ksxta "us/space" "ksxta -r" "us/space" \
  ksc_has "us/space"
for spaces in ${QV_BENCH_SPACES:-2500 5000 10000}; do
  plan="$work/plan-$spaces.dxf"
  /usr/bin/python3 scripts/gen_floorplan.py --rooms "$spaces" --spaces "$plan"
  t0=$(run "$base" "$plan")
  row=("$spaces" "$t0")
  for s in "$sync" "$recalc" "$hatch"; do
    t=$(run "$s" "$plan")
    row+=("$t" "$(echo "($t - $t0) * 1000000 / $spaces" | bc)")
  done
  printf "%8s %10s %10s %12s %10s %12s %10s %12s\n" "${row[@]}"
done
