#!/usr/bin/env bash
# Installs every Debian package that building and testing Quorvane needs: Clang with the
# sanitizer and libFuzzer runtimes (libclang-rt-dev) and llvm's symbolizer for the fuzz
# build among them.
# Safe to run again; needs root (or sudo).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libpugixml-dev qt6-base-dev libedit-dev
  libcairo2-dev libjpeg62-turbo-dev libfontconfig-dev libfreetype-dev zlib1g-dev fonts-dejavu-core fonts-liberation2
  fontconfig   # fc-match, with which the main job finds the font its texts are measured in
  fonts-wqy-microhei   # Chinese glyphs, for the plot tests of font fallback
  fonts-crosextra-carlito   # Calibri's metrics, for texts whose styles name it
  fonts-dejavu-extra   # DejaVu Sans Condensed, the face of the narrow shape fonts (txt, standard, iso)
  poppler-utils qpdf
  unixodbc unixodbc-dev odbc-postgresql tdsodbc postgresql
  python3 python3-ezdxf librecad xauth xvfb xdotool
  clang libclang-rt-dev llvm
)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
