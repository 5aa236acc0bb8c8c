#!/usr/bin/env bash
# Builds the Windows installer from an existing build tree (cpack installs what is built) and tries
# it as an administrator would, in a fresh Wine prefix on the display given in DISPLAY: a silent
# installation under Program Files, the Start menu entry "Synvora 2.5 - Migration" started until
# the wizard's first page shows in the work folder of the user's own, then a silent uninstallation
# that leaves nothing of the installation behind (the work folder is the user's and stays).
# Usage: windows_installer_test.sh <build dir> <cpack> <folder for the screenshots>
set -euo pipefail

build_dir=$(cd "$1" && pwd)
cpack=$2
shots=$3
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
wine=/usr/lib/wine/wine64
export WINEPREFIX=$work/prefix WINEDEBUG=-all
trap '"$source_dir/scripts/wine-prefix" stop "$WINEPREFIX"; rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Polls until the command succeeds; false after the given seconds.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ $SECONDS -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

echo "== installer"
"$cpack" --config "$build_dir/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
installer=$(ls "$work"/cpack/*.exe)
file "$installer" | grep -q 'PE32+ executable (GUI) x86-64' || fail "not a 64-bit Windows program: $(file "$installer")"

"$source_dir/scripts/wine-prefix" start "$WINEPREFIX"
drive_c=$WINEPREFIX/drive_c
user_profile=$drive_c/users/$(id -un)
list_files() {
    (cd "$drive_c" && find . -path ./windows -prune -o -path "./users/$(id -un)/Temp" -prune -o -print | LC_ALL=C sort)
}
list_files >"$work/before.txt"

echo "== silent installation"
"$wine" "$installer" /S || fail "the installer ended with status $?"
install_dir="$drive_c/Program Files/Synvora 2.5 Migration Wizard"
programs=(start-in-work-folder.exe)
# The wizard and its client join the package as their services reach the Windows build.
for program in synvora-migration-wizard.exe osql.exe; do
    if [ -f "$build_dir/bin/$program" ]; then
        programs+=("$program")
    else
        echo "note: $program is not part of this Windows build yet"
    fi
done
for program in "${programs[@]}"; do
    file "$install_dir/bin/$program" 2>/dev/null | grep -q 'PE32+ executable' ||
        fail "$program is not installed in $install_dir/bin"
done
[ -f "$install_dir/Uninstall.exe" ] || fail "no uninstaller in $install_dir"
menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Synvora 2.5 Migration Wizard"
[ -f "$menu/Synvora 2.5 - Migration.lnk" ] || fail "no Start menu entry \"Synvora 2.5 - Migration\" in $menu"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Synvora 2.5 Migration Wizard'
"$wine" reg query "$uninstall_key" /v UninstallString 2>/dev/null | grep -q 'Uninstall.exe' ||
    fail "Windows does not know how to uninstall it ($uninstall_key)"

echo "== the Start menu entry"
mkdir -p "$shots"
rm -f "$shots"/*.png
trace=$work/trace.txt
: >"$trace"
SYNVORA_UI_TRACE="Z:$trace" "$wine" start \
    'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Synvora 2.5 Migration Wizard\Synvora 2.5 - Migration.lnk' ||
    fail "the Start menu entry cannot be started"
work_folder=$user_profile/Synvora-Migration
wait_for 60 test -d "$work_folder" || fail "the launcher did not create $work_folder"
if [[ " ${programs[*]} " == *" synvora-migration-wizard.exe "* ]]; then
    wait_for 60 grep -qx 'show frmWelcome' "$trace" || fail "the wizard's first page did not show"
    window_of_wizard() {
        window=$(xdotool search --onlyvisible --class synvora-migration-wizard.exe 2>/dev/null | tail -n 1)
        [ -n "$window" ]
    }
    wait_for 30 window_of_wizard || fail "no window of the wizard on the screen"
    import -window root "$shots/installed-wizard.png"
    pid=$(xdotool getwindowpid "$window")
    [ "$(readlink "/proc/$pid/cwd")" = "$(realpath "$work_folder")" ] ||
        fail "the wizard runs in $(readlink "/proc/$pid/cwd"), not in its work folder"
    xdotool windowfocus "$window" key alt+c
    wait_for 30 grep -qx quit "$trace" || fail "Cancel did not end the wizard"
    wait_for 30 bash -c "! kill -0 $pid 2>/dev/null" || fail "the wizard is still running"
else
    # Without the wizard the launcher says so, in a message box with the application title.
    box_of_launcher() {
        box=$(xdotool search --onlyvisible --name '^Synvora 2.5 - Migration$' 2>/dev/null | tail -n 1)
        [ -n "$box" ]
    }
    wait_for 30 box_of_launcher || fail "the launcher shows no message box without the wizard"
    import -window root "$shots/launcher-without-wizard.png"
    pid=$(xdotool getwindowpid "$box")
    xdotool windowfocus "$box" key Return
    wait_for 30 bash -c "! kill -0 $pid 2>/dev/null" || fail "the launcher is still running"
fi

echo "== silent uninstallation"
# The uninstaller copies itself away and goes on from there; the last thing it removes is the
# program's registry key.
"$wine" "$install_dir/Uninstall.exe" /S || fail "the uninstaller ended with status $?"
program_key_gone() {
    ! "$wine" reg query 'HKLM\Software\Synvora' >/dev/null 2>&1
}
wait_for 60 program_key_gone || fail "the program's registry key is still there"
[ ! -e "$install_dir" ] || fail "$install_dir is still there"
[ ! -e "$menu" ] || fail "the Start menu folder is still there"
"$wine" reg query "$uninstall_key" >/dev/null 2>&1 && fail "the uninstall entry is still in the registry"
# What the installation put on the disk is gone; the user's work folder (with whatever the
# migration wrote) stays, as on Linux.
list_files | grep -v "^\./users/$(id -un)/Synvora-Migration\$" >"$work/after.txt"
diff "$work/before.txt" "$work/after.txt" >"$work/left.txt" || fail "left behind or removed: $(cat "$work/left.txt")"

if [ $failures -gt 0 ]; then
    echo "$failures checks failed" >&2
    exit 1
fi
echo "all checks passed"
