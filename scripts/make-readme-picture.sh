#!/usr/bin/env bash
# Makes the README's picture, docs/example-plan.png: a generated floor plan of 24 rooms as
# space blocks, plotted by cadhost with PLOT to a PNG of an A4 landscape sheet. Run after a
# build (./scripts/run-example.sh or ./scripts/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 scripts/gen_floorplan.py --rooms 24 --spaces "$work/plan.dxf"
cat > "$work/picture.scr" <<SCRIPT
PLOT
Model
PNG
ISO_A4_(297.00_x_210.00_MM)
$PWD/docs/example-plan.png
QUIT
SCRIPT
mkdir -p docs
./build/bin/cadhost --no-gui --script "$work/picture.scr" "$work/plan.dxf"
echo "docs/example-plan.png: $(stat -c %s docs/example-plan.png) bytes"
