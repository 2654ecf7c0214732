#!/usr/bin/env bash
# Makes the README's picture, docs/example-plan.png: the main job's result,
# out/example/plan-spaces.dxf (two floors of space blocks hatched by use, with the report's
# legend and pie chart), plotted by cadhost with PLOT to a PNG of its A1 sheet, at the model
# layout's scale, at 75 dots per inch. Runs the main job first when its result is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f out/example/plan-spaces.dxf ] || ./scripts/run-example.sh >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/picture.scr" <<SCRIPT
SETVAR
PLOTDPI
75
PLOT
Model
PNG
ISO_A1_(841.00_x_594.00_MM)
$PWD/docs/example-plan.png
QUIT
SCRIPT
mkdir -p docs
./build/bin/cadhost --no-gui --script "$work/picture.scr" out/example/plan-spaces.dxf
echo "docs/example-plan.png: $(stat -c %s docs/example-plan.png) bytes"
