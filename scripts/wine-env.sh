# Sourced, not run. Decides which Wine loader runs each architecture's
# programs on this machine, so that every script starts Wine the same way.
#
# Debian's `wine` wrapper starts the 32-bit loader first, even for 64-bit
# programs; on a machine whose kernel has its 32-bit emulation switched off
# that loader cannot start at all. So 64-bit programs always run through the
# 64-bit loader, called directly, and 32-bit programs run only where the
# 32-bit loader starts.
#
# SENDTO_WINE32_LOADER and SENDTO_WINE64_LOADER name other loaders; the
# detection's own check puts a stand-in there that fails as the real one does.

wine32_loader=${SENDTO_WINE32_LOADER:-/usr/lib/wine/wine}
wine64_loader=${SENDTO_WINE64_LOADER:-/usr/lib/wine/wine64}

# wine_loader ARCH: the loader for i686/win32 or x86_64/win64 programs.
wine_loader() {
    case $1 in
        i686 | win32) echo "$wine32_loader" ;;
        x86_64 | win64) echo "$wine64_loader" ;;
        *) echo "wine-env: unknown architecture '$1'" >&2; return 2 ;;
    esac
}

# wine_prefix_arch ARCH: the WINEARCH of a prefix for that architecture.
wine_prefix_arch() {
    case $1 in
        i686 | win32) echo win32 ;;
        x86_64 | win64) echo win64 ;;
        *) echo "wine-env: unknown architecture '$1'" >&2; return 2 ;;
    esac
}

# Each loader is asked once per shell; the answers are kept here.
declare -A wine_checked=()

# wine_runs ARCH: succeeds when this machine can run that architecture's
# programs under Wine; otherwise sets wine_not_run_reason and fails.
wine_runs() {
    local loader bits output status
    loader=$(wine_loader "$1") || return 2
    bits=32; [ "$loader" = "$wine64_loader" ] && bits=64
    if [ -z "${wine_checked[$loader]+set}" ]; then
        status=0
        if [ ! -x "$loader" ]; then
            output="no such program"
            status=127
        else
            output=$("$loader" --version 2>&1) || status=$?
        fi
        if [ $status -eq 0 ]; then
            wine_checked[$loader]=""
        elif [ $bits = 32 ] && [[ $output == *"Exec format error"* ]]; then
            wine_checked[$loader]="this machine cannot run 32-bit programs (32-bit emulation is off in its kernel)"
        elif [ $status -eq 127 ]; then
            wine_checked[$loader]="Wine's $bits-bit loader $loader is missing (Debian's wine$bits package)"
        else
            wine_checked[$loader]="Wine's $bits-bit loader $loader fails (exit $status): ${output%%$'\n'*}"
        fi
    fi
    wine_not_run_reason=${wine_checked[$loader]}
    [ -z "$wine_not_run_reason" ]
}
