#!/usr/bin/env bash
# Draws each dialog of the module on Qt's offscreen platform and keeps the pictures in docs/
# (the README shows them): runs the dialogs' picture test with QV_DIALOG_PICTURES set.
# Usage: scripts/make-dialog-pictures.sh [build folder, default build]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
if [ ! -d "$build" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
ninja -C "$build" module_prefs_dialog module_block_dialogs module_creator_dialogs
QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 QV_DIALOG_PICTURES="$root/docs" \
  "$build/bin/module_prefs_dialog" --gtest_filter='*PicturesOfTheDialogs*'
QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 QV_DIALOG_PICTURES="$root/docs" \
  "$build/bin/module_block_dialogs" --gtest_filter='*PicturesOfTheBlockDialogs*'
QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 QV_DIALOG_PICTURES="$root/docs" \
  "$build/bin/module_creator_dialogs" --gtest_filter='*PicturesOfTheDialogs*'
ls -l "$root"/docs/dialog-*.png
