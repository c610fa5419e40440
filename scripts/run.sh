#!/usr/bin/env bash
# Builds the project and shows it working against the virtual amplifier.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-$(nproc)}
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/korvel-ccache}

bash scripts/install-deps.sh
cmake -S "$ROOT" -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build build -j "$JOBS" --target korvel-cli korvel-virtual-amp

CLI=build/src/apps/cli/korvel-cli
echo "\$ korvel-cli --device virtual info"
"$CLI" --device virtual info

SOCKET=$(mktemp -u /tmp/korvel-amp.XXXXXX.sock)
build/src/virtualamp/korvel-virtual-amp --listen "$SOCKET" &
AMP_PID=$!
trap 'kill $AMP_PID 2>/dev/null || true; rm -f "$SOCKET"' EXIT
for _ in $(seq 50); do [[ -S $SOCKET ]] && break; sleep 0.1; done
echo
echo "\$ korvel-cli --device unix:$SOCKET info    # the amplifier as a separate process"
"$CLI" --device "unix:$SOCKET" info
