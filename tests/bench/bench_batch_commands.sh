#!/usr/bin/env bash
# Benchmark of the batch commands "ksxta" (defaults: names and areas copied to the texts),
# "ksxta" with recalculation and "ksc_has" (every space hatched), run by hand after a Release
# build: generated plans of 2,500, 5,000 and 10,000 space blocks with their assets
# (millimetres), each command run by cadhost and the plan saved. Prints wall-clock seconds
# of cadhost opening, saving and quitting, and of the same run with each command, and the
# command's own share per space: a constant share means linear work.
#
# With QV_BENCH_INSTRUCTIONS=1 it counts instructions instead (valgrind's callgrind, so the
# figures hold on a busy machine): the whole cadhost process running each of kus, klb, kcsv,
# kut, krt, ksc_has and kagr on a plan of 1,000 space blocks (QV_BENCH_SPACES), less the
# same process that only opens the plan and quits, divided by the number of space blocks.
# kagr applies a report of the rooms' uses (as the main job makes it) to a plan of rooms
# named after their use with markers.
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=offscreen

instructions() {
  local scr="$work/count.scr"
  printf "%b" "$1" > "$scr"
  valgrind --tool=callgrind --callgrind-out-file=/dev/null ./build/bin/cadhost --no-gui --script "$scr" "$2" \
    2>&1 >/dev/null | sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
spaceBlocks() {
  /usr/bin/python3 -c 'import ezdxf, sys; print(len(ezdxf.readfile(sys.argv[1]).modelspace().query("INSERT[name ? \"ROOM-.*\"]")))' "$1"
}
if [ "${QV_BENCH_INSTRUCTIONS:-0}" = 1 ]; then
  spaces=${QV_BENCH_SPACES:-1000}
  plan="$work/plan.dxf" uses="$work/uses.dxf" report="$work/uses.xml"
  /usr/bin/python3 scripts/gen_floorplan.py --rooms "$spaces" --spaces "$plan"
  /usr/bin/python3 scripts/gen_floorplan.py --rooms "$spaces" --spaces --uses --markers "$uses"
  /usr/bin/python3 scripts/example_job.py fit "$uses" "ISO_A1_(841.00_x_594.00_MM)" >/dev/null
  /usr/bin/python3 scripts/example_job.py report "$uses" "$report"
  printf "%8s %14s\n" command "instr./space"
  for run in "kus:kus\n" "klb:klb\n\n1\n" "kcsv:kcsv\nNONE\n" "kut:kut\n300\n0.9\n10\n" "krt:krt\n" \
    "ksc_has:ksc_has\n" "kagr:kagr\n$report\n"; do
    name=${run%%:*} target=$plan
    [ "$name" = kagr ] && target=$uses
    quit=$(instructions "QUIT\n" "$target")
    count=$(instructions "${run#*:}QUIT\n" "$target")
    printf "%8s %14s\n" "$name" $(( (count - quit) / $(spaceBlocks "$target") ))
  done
  exit 0
fi
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
