#!/usr/bin/env bash
# Builds the Debian package from an existing build tree (cpack installs what is built, it does not
# rebuild), unpacks it into a fresh root and checks what an installation gets: the files, the
# libraries of both programs resolved and covered by the package's Depends, the installed wizard
# painting its first page, and the maintainer scripts' handling of the "SQL Server" registration
# (run against a private ODBC configuration, never the system's).
# Usage: package_test.sh <build dir> <cpack>
set -euo pipefail

build_dir=$1
cpack=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

"$cpack" --config "$build_dir/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$work"/cpack/*.deb)
root=$work/root
dpkg-deb -x "$deb" "$root"
dpkg-deb -e "$deb" "$work/control"

echo "== files"
for program in synvora-migration-wizard osql.exe; do
    [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program missing or not executable"
done
if dpkg-deb -c "$deb" | grep -qi 'migration\.sql'; then
    fail "the package holds a migration script; the product's own is delivered separately"
fi
desktop=$root/usr/share/applications/synvora-migration-wizard.desktop
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
launcher=$(sed -n 's/^Exec=//p' "$desktop")
[ -x "$root$launcher" ] || fail "the desktop entry starts $launcher, which the package does not hold"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
    file "$png" | grep -q "PNG image data, $size x $size," || fail "no ${size}x${size} PNG icon at $png"
done

echo "== libraries"
mapfile -t depends < <(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/[ :(].*//')
owner_of() {  # the package that holds a library, under /usr or not (merged /usr)
    local path=$1
    for candidate in "$path" "${path#/usr}" "/usr$path"; do
        dpkg -S "$candidate" 2>/dev/null | head -n 1 | cut -d: -f1 && return 0
    done
    return 1
}
for program in synvora-migration-wizard osql.exe; do
    binary=$root/usr/bin/$program
    ldd "$binary" >"$work/ldd" || fail "ldd cannot read $program"
    if grep -q 'not found' "$work/ldd"; then
        fail "$program has unresolved libraries: $(grep 'not found' "$work/ldd" | tr -s ' \t\n' ' ')"
    fi
    for library in $(objdump -p "$binary" | awk '/NEEDED/ { print $2 }'); do
        path=$(awk -v lib="$library" '$1 == lib { print $3 }' "$work/ldd")
        package=$(owner_of "$path") || { fail "$program: no package holds $library ($path)"; continue; }
        [[ " ${depends[*]} " == *" $package "* ]] || fail "$program needs $library from $package, not in Depends"
    done
done
for package in qt6-qpa-plugins odbcinst tdsodbc libsmbclient samba-common-bin; do
    [[ " ${depends[*]} " == *" $package "* ]] || fail "Depends lacks $package, used without being linked"
done

echo "== start"
export QT_QPA_PLATFORM=offscreen SYNVORA_STARTUP_PROBE=1 XDG_RUNTIME_DIR=$work/runtime
mkdir -m 0700 "$XDG_RUNTIME_DIR"
"$root/usr/bin/synvora-migration-wizard" 2>"$work/wizard.err" | grep -q '^first-paint-ns ' ||
    fail "the installed wizard did not paint its first page: $(cat "$work/wizard.err")"
HOME=$work/home "$root$launcher" 2>"$work/launcher.err" | grep -q '^first-paint-ns ' ||
    fail "the desktop entry's launcher did not start the wizard: $(cat "$work/launcher.err")"
[ "$(stat -c %a "$work/home/Synvora-Migration" 2>/dev/null)" = 700 ] ||
    fail "the launcher did not make the owner-only work folder ~/Synvora-Migration"

echo "== maintainer scripts"
export ODBCSYSINI=$work/odbc
mkdir "$ODBCSYSINI"
ini=$ODBCSYSINI/odbcinst.ini
tds_driver=$(dpkg -L tdsodbc | grep '/libtdsodbc\.so$' | head -n 1)

: >"$ini"
"$work/control/postinst" configure
"$work/control/postinst" configure 2.5.0  # an upgrade configures again
grep -qx "Driver=$tds_driver" "$ini" || fail "postinst did not register FreeTDS as \"SQL Server\""
grep -qx "UsageCount=1" "$ini" || fail "a second configure registered again: $(grep UsageCount "$ini")"
"$work/control/postrm" remove
odbcinst -q -d -n "SQL Server" >/dev/null 2>&1 || fail "remove dropped the \"SQL Server\" registration"
"$work/control/postrm" purge
! odbcinst -q -d -n "SQL Server" >/dev/null 2>&1 || fail "purge left the registration that postinst made"

printf '[SQL Server]\nDescription=an administrator'"'"'s own\nDriver=/opt/other/libother.so\nUsageCount=1\n' >"$ini"
cp "$ini" "$work/own.ini"
"$work/control/postinst" configure
cmp -s "$ini" "$work/own.ini" || fail "postinst changed an existing \"SQL Server\" registration"
"$work/control/postrm" purge
cmp -s "$ini" "$work/own.ini" || fail "purge removed a registration that postinst did not make"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "package $(basename "$deb"): all checks passed"
