#!/bin/sh
# Builds the Debian package of the build with CPack, extracts it and checks it: its
# dependencies, every file in its place, the extracted program run against the extracted
# libraries, and lintian's verdict where lintian is installed.
# debian_package.sh <build folder> <starts_cleanly.sh>
set -u
build=$1
starts=$2
here=$(dirname "$0")
for tool in cpack dpkg-deb dpkg-shlibdeps; do
    if ! command -v $tool >/dev/null 2>&1; then
        echo "SKIPPED: $tool is not installed (scripts/deps installs it)"
        exit 77
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}

if ! (cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAILED: cpack -G DEB"
    exit 1
fi
set -- "$work"/out/*.deb
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    ls -l "$work/out"
    echo "FAILED: cpack made no single .deb"
    exit 1
fi
deb=$1
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
dpkg-deb -f "$deb" Package Version Architecture Installed-Size Depends Recommends

# What the binaries need, as dpkg-shlibdeps found it; Wine and Qt's Wayland plug-in only
# recommended.
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libarchive13 libmspack0 libyaml-cpp0.7; do
    case ", $depends," in
    *", $needed "* | *", $needed,"*) ;;
    *) fail "Depends lacks $needed: $depends" ;;
    esac
done
case ", $depends," in
*wine*) fail "Depends names wine: $depends" ;;
esac
[ "$(dpkg-deb -f "$deb" Recommends)" = "wine, qt6-wayland" ] || fail "Recommends is not wine, qt6-wayland"

dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb -x"
KOLV_WINDOWS_PROGRAMS=$(cd "$build/bin" && ls kolvmgr-apply-theme-*.exe 2>/dev/null) \
    sh "$here/check_tree.sh" "$work/root/usr" "$starts" package || failed=1
# The package holds /usr and nothing beside it.
extra=$(cd "$work/root" && ls -A | grep -vx usr)
[ -z "$extra" ] || fail "the package holds more than /usr: $extra"

if command -v lintian >/dev/null 2>&1; then
    # lintian's own exit code fails on errors; warnings are shown.
    lintian --tag-display-limit 0 "$deb" || fail "lintian reports errors"
else
    echo "lintian is not installed: the package was not linted (scripts/deps installs it)"
fi

[ $failed -eq 0 ] && echo "the package $(basename "$deb") is complete"
exit $failed
