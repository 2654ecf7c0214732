#!/usr/bin/env bash
# Plot benchmark, run by hand after a Release build: generated floor plans of 1,000, 10,000
# and 100,000 rooms (millimetres, space blocks) plotted by cadhost to PDF and PNG (extents
# fitted to ISO A1), beside the same files converted to PDF by LibreCAD's dxf2pdf (10,000
# rooms and fewer; it is given 120 seconds). Prints wall-clock seconds for each, and for
# cadhost opening the plan and quitting (the load within each plot's time). bench_plot (a
# Google Benchmark) times the plot engine alone.
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
seconds() { /usr/bin/time -f %e "$@" 2>&1 >/dev/null | tail -1; }
printf "%8s %12s %12s %12s %12s %14s\n" rooms entities "cadhost load" "cadhost pdf" "cadhost png" "librecad pdf"
for rooms in ${QV_BENCH_ROOMS:-1000 10000 100000}; do
  plan="$work/plan-$rooms.dxf"
  /usr/bin/python3 scripts/gen_floorplan.py --rooms "$rooms" --spaces "$plan"
  entities=$(grep -c "^AcDbEntity" "$plan" || true)
  for format in pdf png; do
    printf "PLOT\nModel\n%s\nISO_A1_(841.00_x_594.00_MM)\n%s\nQUIT\n" "$format" "$work/plan-$rooms.$format" \
      > "$work/plot-$format.scr"
  done
  printf "QUIT\n" > "$work/quit.scr"
  load=$(seconds ./build/bin/cadhost --no-gui --script "$work/quit.scr" "$plan")
  pdf=$(seconds ./build/bin/cadhost --no-gui --script "$work/plot-pdf.scr" "$plan")
  png=$(seconds ./build/bin/cadhost --no-gui --script "$work/plot-png.scr" "$plan")
  librecad="-"
  if [ "$rooms" -le 10000 ] && command -v librecad >/dev/null; then
    librecad=$(cd "$work" && QT_QPA_PLATFORM=offscreen seconds timeout 120 librecad dxf2pdf "$plan" || echo "timeout")
  fi
  printf "%8s %12s %12s %12s %12s %14s\n" "$rooms" "$entities" "$load" "$pdf" "$png" "$librecad"
done
