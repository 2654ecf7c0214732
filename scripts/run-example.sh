#!/usr/bin/env bash
# The main job: builds everything, generates an example floor plan as a drawing of this
# system holds it (rooms as space blocks with their records, furniture as assets, a gross
# outline per floor, some spaces not updated since their outlines changed), and runs cadhost
# on it with a script that makes the gross-area block of the first floor, updates the spaces,
# sets their text size, rewrites their texts, saves the result and exports it to PDF and PNG.
# It ends with a summary of what the drawing held and what changed, read from the drawings
# before and after.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build

out=out/example
mkdir -p "$out"
/usr/bin/python3 scripts/gen_floorplan.py --rooms 60 --floors 2 --spaces --outdated 8 "$out/plan.dxf"
# The first floor's gross outline and a point at its centre for the texts.
read -r handle point < <(/usr/bin/python3 scripts/example_job.py pick "$out/plan.dxf")
cat > "$out/example.scr" <<SCRIPT
; Make the gross-area block from the first floor's gross outline, with its texts at the centre.
kgabc
#$handle
$point
; Recalculate every space's area and perimeter.
kus
; Text size 200; keep the width scale and the rotation.
kut
200
i
i
; Write every space's texts again from the space.
krt
SAVEAS
$PWD/$out/plan-spaces.dxf
; The result on a sheet: its extents fitted to A4 landscape, as PDF and as PNG.
EXPORT
$PWD/$out/plan-spaces.pdf
EXPORT
$PWD/$out/plan-spaces.png
QUIT
SCRIPT
./build/bin/cadhost --no-gui --script "$out/example.scr" "$out/plan.dxf"
/usr/bin/python3 scripts/example_job.py summary "$out/plan.dxf" "$out/plan-spaces.dxf"
echo "Plotted: $out/plan-spaces.pdf and $out/plan-spaces.png"
