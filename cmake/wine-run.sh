#!/bin/sh
# Runs a Windows program under wine; the cross build's test emulator.
#
#   wine-run.sh PROGRAM [ARGUMENTS...]
#   wine-run.sh --warm-up
#
# The first wine program of a session starts wine's background processes
# (services, device drivers), and they inherit its standard error: a test or
# a test listing would then wait for them until the wine server exits. So the
# session is started here first, with no output of the caller's attached,
# under a server that stays up for a minute after the last program ends; the
# first start also creates or updates the wine prefix, so its one-time
# messages land in no test's output. A server that already runs makes
# "wineserver -p60" fail; nothing is started then. With --warm-up only the
# session is started (CI does so before the build).
if wineserver -p60 </dev/null >/dev/null 2>&1; then
    wine wineboot </dev/null >/dev/null 2>&1
fi
if [ "$1" = "--warm-up" ]; then
    exit 0
fi
exec wine "$@"
