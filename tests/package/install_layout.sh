#!/bin/sh
# Installs the whole build into a temporary prefix and checks the tree.
# install_layout.sh <build folder> <starts_cleanly.sh>
set -u
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! cmake --install "$1" --prefix "$work/prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    echo "FAILED: cmake --install"
    exit 1
fi
KOLV_WINDOWS_PROGRAMS=$(cd "$1/bin" && ls kolvmgr-apply-theme-*.exe 2>/dev/null) \
    sh "$here/check_tree.sh" "$work/prefix" "$2"
