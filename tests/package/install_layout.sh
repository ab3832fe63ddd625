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
sh "$here/check_tree.sh" "$work/prefix" "$2"
