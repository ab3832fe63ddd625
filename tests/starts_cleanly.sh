#!/bin/sh
# The program starts on a fresh Windows root, shows its main window and quits cleanly.
# The root says the welcome window was seen, so nothing waits for a click.
set -u
program="$1"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/drive_c/windows/Resources/Themes/Blue/Shell" "$root/dosdevices"
ln -s ../drive_c "$root/dosdevices/c:"
cat > "$root/user.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win32

[Software\\Quorlin\\Zevra] 1700000000
#time=1d9f0c0a0b0c0d0
"firstrun"="1"
REG
WINEPREFIX="$root" HOME="$root" XDG_DATA_HOME="$root/xdg" QT_QPA_PLATFORM=offscreen \
    KOLV_QUIT_AFTER_START=1 "$program"
