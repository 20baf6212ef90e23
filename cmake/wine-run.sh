#!/bin/sh
# Runs a Windows program under wine; the cross build's test emulator.
#
# The first wine program of a session starts wine's background processes
# (services, device drivers), and they inherit its standard error: a test or
# a test listing would then wait for them until the wine server exits. So the
# session is started here first, with no output of the caller's attached,
# under a server that stays up for a minute after the last program ends. A
# server that already runs makes "wineserver -p60" fail; nothing is started then.
if wineserver -p60 </dev/null >/dev/null 2>&1; then
    wine wineboot </dev/null >/dev/null 2>&1
fi
exec wine "$@"
