#!/bin/sh
# Checks an installed tree (a --prefix of cmake --install, or usr/ of the extracted
# package): every file in its place and nothing elsewhere, the readme where the program
# looks for it, the program bound to the libraries of the same tree, and the program
# started from another working folder and closed again.
# check_tree.sh <tree> <starts_cleanly.sh> [package]
# A package's tree holds lintian's overrides as well.
set -u
tree=$1
starts=$2
kind=${3:-install}
failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}

id=example.quorlin.kolvmgr
expected="bin/kolvmgr
lib/libQuorlin.so lib/libQuorlin.so.10 lib/libQuorlinDLL.so lib/libQuorlinDLL.so.8
lib/libQuorlinCommon.so.3 lib/libQuorlinPlatform.so.3
lib/cmake/Quorlin/QuorlinConfig.cmake lib/cmake/Quorlin/QuorlinConfigVersion.cmake
lib/cmake/Quorlin/QuorlinTargets.cmake lib/cmake/Quorlin/QuorlinCommonTargets.cmake
lib/cmake/Quorlin/QuorlinPlatformTargets.cmake
lib/cmake/QuorlinDLL/QuorlinDLLConfig.cmake lib/cmake/QuorlinDLL/QuorlinDLLConfigVersion.cmake
lib/cmake/QuorlinDLL/QuorlinDLLTargets.cmake
include/quorlin/control/QLFunctions.h include/quorlin/devlib/Functions.h
include/quorlin/common/RuntimeError.h include/quorlin/common/WindowObject.h
share/kolvmgr/readme.txt
share/applications/$id.desktop
share/metainfo/$id.metainfo.xml
share/icons/hicolor/scalable/apps/$id.svg
share/man/man1/kolvmgr.1.gz
share/doc/kolvmgr/copyright share/doc/kolvmgr/changelog.gz"
[ "$kind" = package ] && expected="$expected share/lintian/overrides/kolvmgr"
# The Windows programs that apply a style through Wine, as many as the build made
# (KOLV_WINDOWS_PROGRAMS: their names).
programs=${KOLV_WINDOWS_PROGRAMS:-}
for p in $programs; do
    expected="$expected lib/kolvmgr/$p"
done
for size in 16 22 24 32 48 64 128 256; do
    expected="$expected share/icons/hicolor/${size}x${size}/apps/$id.png"
done
for f in $expected; do
    [ -e "$tree/$f" ] || fail "$f is missing"
done

# Nothing outside those places: the versioned library names and the build type's
# target files are the only other names.
for f in $(cd "$tree" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort); do
    case " $(echo $expected) " in
    *" $f "*) continue ;;
    esac
    case $f in
    lib/libQuorlin.so.10.* | lib/libQuorlinDLL.so.8.* | lib/libQuorlinCommon.so.3.* | \
        lib/libQuorlinCommon.so | lib/libQuorlinPlatform.so.3.* | lib/libQuorlinPlatform.so) ;;
    lib/cmake/Quorlin/Quorlin*Targets-*.cmake | lib/cmake/QuorlinDLL/QuorlinDLLTargets-*.cmake) ;;
    *) fail "$f is not in its place" ;;
    esac
done

# The readme as the readme window reads it: the program's name first, CR LF line ends.
if [ -f "$tree/share/kolvmgr/readme.txt" ]; then
    head -c 30 "$tree/share/kolvmgr/readme.txt" | od -An -c | tr -s ' ' >"$tree.head"
    printf 'Quorlin Visual Style Manager\r\n' | od -An -c | tr -s ' ' >"$tree.want"
    cmp -s "$tree.head" "$tree.want" || fail "share/kolvmgr/readme.txt is not the program's readme with CR LF line ends"
    rm -f "$tree.head" "$tree.want"
fi

# Bound to the libraries beside it, not to those of the build or of the system.
libs=$(LD_TRACE_LOADED_OBJECTS=1 "$tree/bin/kolvmgr" | grep 'libQuorlin')
[ "$(echo "$libs" | grep -c .)" -ge 4 ] || fail "the program does not load the four Quorlin libraries: $libs"
real_lib=$(cd "$tree/lib" && pwd -P)
echo "$libs" | while read -r name arrow path rest; do
    case $(cd "$(dirname "$path")" && pwd -P) in
    "$real_lib") ;;
    *) echo "FAILED: $name comes from $path" && exit 1 ;;
    esac
done || failed=1

# Wine is handed the program's own Windows program, from this tree: a stand-in wine
# records what it was given. Data for Wine, not a program of this system: no execute bit.
for p in $programs; do
    [ -x "$tree/lib/kolvmgr/$p" ] && fail "lib/kolvmgr/$p is executable"
done
if [ -n "$programs" ]; then
    fake=$(mktemp -d)
    mkdir -p "$fake/bin" "$fake/prefix/drive_c/windows/system32" "$fake/prefix/drive_c/windows/Resources/Themes"
    printf 'MZ' >"$fake/prefix/drive_c/windows/system32/uxtheme.dll"
    printf 'WINE REGISTRY Version 2\n\n#arch=win64\n' >"$fake/prefix/system.reg"
    printf '#!/bin/sh\nprintf "%%s\\n" "$1" >"%s/given"\nprintf "kolvmgr-apply-theme 1\\ndone\\n"\n' "$fake" >"$fake/bin/wine"
    chmod +x "$fake/bin/wine"
    # The stand-in is the build that made the prefix: its wine.inf is as old as the
    # prefix's stamp says, so starting it would update nothing.
    mkdir -p "$fake/share/wine"
    printf '[Version]\n' >"$fake/share/wine/wine.inf"
    touch -d @1676758571 "$fake/share/wine/wine.inf"
    printf '1676758571\n' >"$fake/prefix/.update-timestamp"
    (cd / && HOME="$fake" XDG_CONFIG_HOME="$fake/config" PATH="$fake/bin:$PATH" \
        "$tree/bin/kolvmgr" --prefix "$fake/prefix" --classic >"$fake/out" 2>&1) ||
        fail "kolvmgr --classic through the stand-in wine: $(cat "$fake/out")"
    real_tree=$(cd "$tree" && pwd -P)
    want=$(printf '\\\\?\\unix%s/lib/kolvmgr/kolvmgr-apply-theme-x86_64.exe' "$real_tree" | tr / '\\')
    [ "$(cat "$fake/given" 2>/dev/null)" = "$want" ] ||
        fail "wine was given $(cat "$fake/given" 2>/dev/null), not $want"
    rm -rf "$fake"
fi

# Started from another working folder, it shows its main window and closes.
if ! (cd / && sh "$starts" "$tree/bin/kolvmgr"); then
    fail "the program did not start and close cleanly"
fi

# Without a display the commands run all the same: --version says the name and version
# on standard output alone and ends with 0.
version=$(cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$tree/bin/kolvmgr" --version 2>"$tree.err")
status=$?
if [ $status -ne 0 ] || [ -s "$tree.err" ] ||
    ! echo "$version" | grep -Eqx 'kolvmgr \(Quorlin Visual Style Manager\) [0-9]+\.[0-9]+\.[0-9]+'; then
    fail "kolvmgr --version without a display ended with $status, printed '$version' and said '$(cat "$tree.err")'"
fi
rm -f "$tree.err"

[ $failed -eq 0 ] && echo "the tree $tree is complete"
exit $failed
