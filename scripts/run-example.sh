#!/usr/bin/env bash
# The main job: builds everything, generates an example floor plan, and runs cadhost on it
# with a script that makes the gross-area block from the plan's gross outline, updates the
# spaces and saves the result.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build

out=out/example
mkdir -p "$out"
/usr/bin/python3 scripts/gen_floorplan.py --rooms 60 "$out/plan.dxf"
# The first floor's gross outline and a point at its centre for the texts.
read -r handle point < <(/usr/bin/python3 - "$out/plan.dxf" <<'PY'
import sys, ezdxf
outline = ezdxf.readfile(sys.argv[1]).modelspace().query('LWPOLYLINE[layer=="GROSS"]')[0]
xs, ys = zip(*[(x, y) for x, y in outline.get_points("xy")])
print(outline.dxf.handle, "%g,%g" % ((min(xs) + max(xs)) / 2, (min(ys) + max(ys)) / 2))
PY
)
cat > "$out/example.scr" <<SCRIPT
; Make the gross-area block from the gross outline, update the spaces and save.
kgabc
#$handle
$point
kus
SAVEAS
$PWD/$out/plan-spaces.dxf
QUIT
SCRIPT
./build/bin/cadhost --no-gui --script "$out/example.scr" "$out/plan.dxf"
echo
echo "The example plan is $out/plan.dxf; the result is $out/plan-spaces.dxf."
