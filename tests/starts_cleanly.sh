#!/bin/sh
# The program starts on a fresh Windows root, shows its main window and quits cleanly.
# The root says the welcome window was seen, so nothing waits for a click. What an install
# killed earlier left (a style it had begun) is gone by then; the user's style is not.
set -u
program="$1"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/drive_c/windows/Resources/Themes/Blue/Shell" "$root/dosdevices"
ln -s ../drive_c "$root/dosdevices/c:"
mkdir -p "$root/drive_c/windows/Resources/Themes/Bomb/Shell"
# No process has a number this large: a killed install's mark, and a file it was writing.
: > "$root/drive_c/windows/Resources/Themes/.kolv~999999999.1~run"
echo partial > "$root/drive_c/windows/Resources/Themes/Bomb/.kolv~999999999.1~0"
cat > "$root/user.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win32

[Software\\Quorlin\\Zevra] 1700000000
#time=1d9f0c0a0b0c0d0
"firstrun"="1"
REG
WINEPREFIX="$root" HOME="$root" XDG_DATA_HOME="$root/xdg" QT_QPA_PLATFORM=offscreen \
    KOLV_QUIT_AFTER_START=1 "$program" || exit
if [ -e "$root/drive_c/windows/Resources/Themes/Bomb" ] ||
    [ -e "$root/drive_c/windows/Resources/Themes/.kolv~999999999.1~run" ] || [ ! -d "$root/drive_c/windows/Resources/Themes/Blue/Shell" ]; then
    echo "the killed install's style was not taken away at start-up, or the user's was" >&2
    exit 1
fi
