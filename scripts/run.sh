#!/usr/bin/env bash
# Starts Parcelo with the stand-in agent: installs what is missing, builds, prepares the
# private prefix build/wine-app with the agent registered, then runs it under Wine (on the
# current display, or a virtual one when there is none). Arguments are passed on.
set -euo pipefail
source "$(dirname "$0")/common.sh"
install_packages
build_windows OFF
prepare_prefix app
use_prefix app
program="$BUILD/win/tools/AgentDemo.exe"
if [[ -n "${DISPLAY:-}" ]]; then
    wine "$program" "$@"
else
    xvfb-run -a -s "-screen 0 1280x1024x24" wine "$program" "$@"
fi
