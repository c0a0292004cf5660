#!/bin/sh
# Photographs the window holding the example scan as a user sees it, on a
# virtual X server, the paralysable model chosen: in English with the plots
# (one point left out) and with the results table, and in Japanese with the
# table, in English in each of the three plot views, and zoomed into the
# middle of the counts view. Writes
# examples/screenshots/*.png, which the README shows.
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh fonts-ipafont-gothic xvfb xauth
scripts/build.sh veskor veskordriver
out="$PWD/examples/screenshots"
mkdir -p "$out"
files=""
for f in "$PWD"/examples/scan/*.mca; do
    files="$files${files:+;}$f"
done
# The test driver (tests/app/driver) plays the user inside the real program.
shoot() {
    language=$1
    steps=$2
    QT_PLUGIN_PATH="$PWD/build/tests/app/plugins" QT_QPA_GENERIC_PLUGINS="veskordriver:$steps" \
        xvfb-run -a -s "-screen 0 1920x1080x24" build/veskor "$language"
}
# Point 5 left out of the fit: its panel greys, its dots become rings.
shoot -e "read:$files+model:paralyzable+leave-out:5+grab:$out/window.png+tab:1+grab:$out/window-table.png+quit"
shoot -j "read:$files+model:paralyzable+tab:1+grab:$out/window-ja.png+quit"
# The three plot views, the paralysable model chosen.
for view in counts ratio residuals; do
    shoot -e "read:$files+model:paralyzable+view:$view+grab:$out/view-$view.png+quit"
done
# Zoomed into the middle of both plots: the values follow the zoom.
shoot -e "read:$files+model:paralyzable+zoom:I0NinDisp:40;25;60;70+zoom:NinNoutDisp:40;25;60;70+grab:$out/view-counts-zoomed.png+quit"
