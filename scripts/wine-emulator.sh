#!/usr/bin/env bash
# Runs a Windows executable under Wine, but only inside a prefix that the
# test environment made (scripts/with-wine.sh), never the user's own.
if [ -z "${WINEPREFIX:-}" ] || [ ! -f "$WINEPREFIX/.sendto-test-prefix" ]; then
    echo "wine-emulator: no test WINEPREFIX; run through scripts/test.sh" >&2
    exit 125
fi
# `wine` is the loader with-wine.sh chose for the prefix's architecture.
exec wine "$@"
