#!/usr/bin/env bash
# Builds the application and starts it on the virtual amplifier. With a display the main window
# opens; without one the same program runs on Qt's offscreen platform, connects, synchronises,
# saves a screenshot of the main window and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-$(nproc)}
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/korvel-ccache}
export CCACHE_BASEDIR=$ROOT CCACHE_NOHASHDIR=1

bash scripts/install-deps.sh
cmake -S "$ROOT" -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build build -j "$JOBS" --target korvel-dsp korvel-cli korvel-virtual-amp

APP=build/src/apps/gui/korvel-dsp
if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
    echo "Starting Korvel DSP Audio on the virtual amplifier (close the window to end)."
    exec "$APP" --device virtual "$@"
fi

SHOT=${KORVEL_SCREENSHOT:-$ROOT/korvel-main-window.png}
echo "No display found: running offscreen and saving a screenshot of the main window."
QT_QPA_PLATFORM=offscreen "$APP" --device virtual --screenshot "$SHOT" "$@"
echo
echo "The same amplifier from the command line:"
echo "\$ korvel-cli --device virtual info"
build/src/apps/cli/korvel-cli --device virtual info
