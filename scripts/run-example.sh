#!/usr/bin/env bash
# The main job: builds everything, generates an example floor plan as a drawing of this
# system holds it (rooms named after their use as space blocks with their records, corridors
# as spaces too, furniture as assets, a gross outline per floor, some spaces not updated since
# their outlines changed, a legend and a pie-chart marker beside the plan), and runs cadhost
# on it with a script that makes the gross-area block of the first floor, updates the spaces,
# sets their text size to the plot's scale, rewrites their texts, applies a graphic report of
# the rooms' uses (a colour per use, a legend table and a pie chart at the markers), saves the
# result and plots it to an A1 sheet, at the largest standard scale that holds it, as PDF and
# as PNG at 150 dots per inch. It ends with a
# summary of what the drawing held, what changed and the area of each use, read from the
# drawings before and after.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build

out=out/example
mkdir -p "$out"
/usr/bin/python3 scripts/gen_floorplan.py --rooms 60 --floors 2 --spaces --outdated 8 --markers --uses "$out/plan.dxf"
# The sheet: the model layout plots the plan on it at a standard scale, which the title block
# gives; the text size stands 6 points tall there (the markers, the asset numbers and the title
# block take it too); the furniture and its numbers stand clear of the rooms' texts, and the
# plan's lines and the report's labels take colours that stand out on the paper and the fills.
media="ISO_A1_(841.00_x_594.00_MM)"
size=$(/usr/bin/python3 scripts/example_job.py fit "$out/plan.dxf" "$media")
# The first floor's gross outline, and a point for its texts clear of its rooms.
read -r handle point < <(/usr/bin/python3 scripts/example_job.py pick "$out/plan.dxf" "$size")
cat > "$out/example.scr" <<SCRIPT
; Make the gross-area block from the first floor's gross outline, with its texts clear of the rooms.
kgabc
#$handle
$point
; Recalculate every space's area and perimeter.
kus
; Text size $size, 6 points on the sheet; keep the width scale and the rotation.
kut
$size
i
i
; Write every space's texts again from the space.
krt
SAVEAS
$PWD/$out/plan-spaces.dxf
QUIT
SCRIPT
./build/bin/cadhost --no-gui --script "$out/example.scr" "$out/plan.dxf"
# A graphic report of the rooms' uses, made from the updated drawing.
/usr/bin/python3 scripts/example_job.py report "$out/plan-spaces.dxf" "$out/room-uses.xml"
cat > "$out/report.scr" <<SCRIPT
; Hatch the rooms by use, with the legend and the pie chart at their markers.
kagr
$PWD/$out/room-uses.xml
SAVE
; The result on an A1 sheet at the layout's scale: as PDF and as PNG at 150 dots per inch.
SETVAR
PLOTDPI
150
PLOT
Model
PDF
$media
$PWD/$out/plan-spaces.pdf
PLOT
Model
PNG
$media
$PWD/$out/plan-spaces.png
QUIT
SCRIPT
./build/bin/cadhost --no-gui --script "$out/report.scr" "$out/plan-spaces.dxf"
/usr/bin/python3 scripts/example_job.py summary "$out/plan.dxf" "$out/plan-spaces.dxf" "$out/room-uses.xml"
echo "Plotted: $out/plan-spaces.pdf and $out/plan-spaces.png"
