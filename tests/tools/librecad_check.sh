#!/usr/bin/env bash
# librecad_check.sh FILE OUTDIR
# Converts a DXF drawing to PDF with LibreCAD's command-line converter and
# succeeds only when a non-empty PDF appeared in OUTDIR: a second, independent
# reader must accept the drawing.  LibreCAD shows a modal dialog (and never
# exits) on a file it cannot read, hence the timeout.
set -u
if [ $# -ne 2 ]; then
  echo "usage: $0 FILE OUTDIR" >&2
  exit 2
fi
file=$1
outdir=$2
if [ ! -r "$file" ]; then
  echo "librecad_check: cannot read $file" >&2
  exit 2
fi
if ! command -v librecad >/dev/null 2>&1; then
  echo "librecad_check: librecad is not installed" >&2
  exit 2
fi
mkdir -p "$outdir" || exit 2
base=$(basename "$file")
pdf="$outdir/${base%.*}.pdf"
rm -f "$pdf"
log="$outdir/${base%.*}.librecad.log"
QT_QPA_PLATFORM=offscreen timeout 60 librecad dxf2pdf -a -t "$outdir" "$file" >"$log" 2>&1
rc=$?
if [ $rc -eq 124 ]; then
  echo "librecad_check: librecad timed out on $file (it could not read it?)" >&2
fi
if [ -s "$pdf" ]; then
  exit 0
fi
# the name LibreCAD chose may differ; accept any new non-empty PDF
found=$(find "$outdir" -maxdepth 1 -name '*.pdf' -newer "$log" -size +0 -print -quit 2>/dev/null)
if [ -z "$found" ]; then
  found=$(find "$outdir" -maxdepth 1 -name '*.pdf' -size +0 -newer "$file" -print -quit 2>/dev/null)
fi
if [ -n "$found" ]; then
  exit 0
fi
echo "librecad_check: no PDF from $file (librecad exit $rc); see $log" >&2
exit 1
