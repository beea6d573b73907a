#!/usr/bin/env bash
# Starts Parcelo with the stand-in agent: installs what running needs (not the test tools),
# builds the program and the agent into build/app (the tests keep build/win), prepares the
# private prefix build/wine-app with the agent registered, then runs parcelo.exe with
# " /showparcelo" under Wine. On the user's X display it runs until you choose Exit from its
# menu (right-click the window or the tray icon). Without a display it runs on a virtual one
# for PARCELO_RUN_SECONDS (default 15), saves a screenshot and says where. PARCELO_DPI runs it
# at another display scale (144 for 150 %, 192 for 200 %; 96 is 100 %, the default).
set -euo pipefail
source "$(dirname "$0")/common.sh"
install_packages "${RUN_PACKAGES[@]}"
build_windows app OFF parcelo UploadAgent
AGENT_EXE="$BUILD/app/standin/UploadAgent.exe" prepare_prefix app
use_prefix app
program="$BUILD/app/parcelo.exe"
# Set without a display, so the session ends again before the program starts on one.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${PARCELO_DPI:-96}" /f </dev/null >/dev/null 2>&1
wineserver -k || true; wineserver -w

if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
    wine "$program" " /showparcelo" "$@"
    wineserver -w
    exit 0
fi

shot="$BUILD/parcelo-screenshot.png"
echo "== no display: running on a virtual one for ${PARCELO_RUN_SECONDS:-15} s"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    wineserver -p </dev/null >/dev/null 2>&1
    wine "$0" " /showparcelo" </dev/null >/dev/null 2>&1 &
    sleep "${PARCELO_RUN_SECONDS:-15}"
    import -window root "$1"
    wineserver -k; wineserver -w' "$program" "$shot"
echo "== screenshot saved to $shot"
