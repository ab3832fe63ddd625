#!/bin/sh
# Runs the desktop's own validator on one file of desktop/: desktop-entry, metainfo or
# manual. Errors fail, and so do the warnings of the desktop entry and manual page
# validators. A validator that is not installed skips the test (exit 77) and says so.
set -u
kind=$1
file=$2

need() {
    if ! command -v "$1" >/dev/null 2>&1; then
        echo "SKIPPED: $1 is not installed (scripts/deps installs it)"
        exit 77
    fi
}

case $kind in
desktop-entry)
    need desktop-file-validate
    out=$(desktop-file-validate "$file" 2>&1)
    rc=$?
    ;;
metainfo)
    # Notes (I:) pass; warnings and errors fail through the exit code.
    need appstreamcli
    out=$(appstreamcli validate --no-net --explain "$file" 2>&1)
    rc=$?
    ;;
manual)
    need man
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
    rc=$?
    ;;
*)
    echo "unknown kind: $kind"
    exit 2
    ;;
esac

[ -n "$out" ] && echo "$out"
if [ "$rc" -ne 0 ]; then
    echo "FAILED: $kind validation of $file (exit $rc)"
    exit 1
fi
if [ "$kind" != metainfo ] && [ -n "$out" ]; then
    echo "FAILED: $kind validation of $file complained"
    exit 1
fi
echo "$kind: $file is valid"
