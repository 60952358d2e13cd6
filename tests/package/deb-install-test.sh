#!/usr/bin/env bash
# Makes the Debian package from a build folder, unpacks it into a scratch
# root as dpkg would install it, and checks what a user gets: the program,
# its desktop entry and metainfo (both valid, and naming what the package
# installs), its icons, and package dependencies for every library the
# program loads.
set -euo pipefail

build=${1:?usage: deb-install-test.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    fail "cpack could not make the package"
fi
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, found: ${debs[*]}"
deb=${debs[0]}
echo "package: $(basename "$deb")"

root=$work/root
dpkg-deb -x "$deb" "$root"
[ -x "$root/usr/bin/snipforge" ] || fail "the program is not installed as /usr/bin/snipforge"

desktop=$root/usr/share/applications/snipforge.desktop
[ -f "$desktop" ] || fail "no desktop entry"
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
grep -qx 'Exec=snipforge %F' "$desktop" || fail "the desktop entry does not pass files to the program"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 24 32 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
    [ -f "$png" ] || fail "no ${size}x${size} icon"
    # The PNG signature, then the header chunk's width and height.
    [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
    read -r w0 w1 w2 w3 h0 h1 h2 h3 < <(od -An -tu1 -j16 -N8 "$png")
    [ $(((w0 << 24) | (w1 << 16) | (w2 << 8) | w3)) -eq "$size" ] &&
        [ $(((h0 << 24) | (h1 << 16) | (h2 << 8) | h3)) -eq "$size" ] || fail "$png is not ${size}x${size}"
done

metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
[ -f "${metainfo[0]}" ] || fail "no AppStream metainfo"
(cd "$work" && appstreamcli validate --no-net "${metainfo[0]}") || fail "the metainfo is not valid"
grep -q '<launchable type="desktop-id">snipforge.desktop</launchable>' "${metainfo[0]}" ||
    fail "the metainfo does not name the desktop entry"
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "${metainfo[0]}")
[ "$(basename "${metainfo[0]}")" = "$id.metainfo.xml" ] || fail "the metainfo file is not named after its id $id"

# Every shared library the program links comes from a package it depends
# on (the libraries those load are their packages' business).
depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
[ -n "$depends" ] || fail "the package declares no dependencies"
# The fonts the translated texts need are not found by shlibdeps.
for font in fonts-dejavu-core fonts-noto-cjk fonts-thai-tlwg fonts-lohit-deva; do
    echo "$depends" | tr ',|' '\n\n' | sed 's/(.*//; s/ //g' | grep -qx "$font" ||
        fail "the package does not depend on $font"
done
ldd "$root/usr/bin/snipforge" >"$work/ldd"
! grep -q 'not found' "$work/ldd" || fail "libraries are missing: $(grep 'not found' "$work/ldd")"
for soname in $(readelf -d "$root/usr/bin/snipforge" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    lib=$(awk -v n="$soname" '$1 == n && $3 ~ /^\// {print $3}' "$work/ldd")
    [ -n "$lib" ] || fail "$soname is not found"
    owner=$(dpkg-query -S "$(readlink -f "$lib")" 2>/dev/null || dpkg-query -S "$lib" 2>/dev/null || true)
    owner=${owner%%:*}
    [ -n "$owner" ] || continue
    echo "$depends" | tr ',|' '\n\n' | sed 's/(.*//; s/ //g' | grep -qx "$owner" ||
        fail "$lib (from $owner) is loaded but $owner is not a dependency"
done
for package in $(echo "$depends" | tr ',|' '\n\n' | sed 's/(.*//; s/ //g'); do
    dpkg-query -W "$package" >/dev/null 2>&1 || fail "dependency $package is not a known package"
done
echo "ok"
