#!/usr/bin/env bash
# The Windows program in its real windows under Wine, driven as a person would (demo/lib's driver:
# xdotool on a virtual display) through a complete migration of both jobs against a fresh demo
# environment: the database job through Wine's ODBC (handed to this machine's unixODBC, the
# PostgreSQL driver registered as "SQL Server"), the web job copying from the old server's share,
# which a stand-in of the networking calls puts on the prefix's drive Y: (Wine has no network).
# Then the new database's rows, the copied files, Migration.log, the message boxes and the step
# lines are checked, and the screenshots of every page are kept.
# Usage: wine_window_test.sh <the program with the stand-in> <folder for the screenshots>
set -euo pipefail

program=$1
shots=$2
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
wine=/usr/lib/wine/wine64
export WINEPREFIX=$work/prefix WINEDEBUG=-all
# shellcheck source=../../demo/lib/environment.sh
. "$source_dir/demo/lib/environment.sh"
# shellcheck source=../../demo/lib/drive-wizard.sh
. "$source_dir/demo/lib/drive-wizard.sh"
trap 'drive_stop; "$source_dir/scripts/wine-prefix" stop "$WINEPREFIX"; demo_stop; rm -rf "$work"' EXIT

# shellcheck source=migration_checks.sh
. "$source_dir/tests/demo/migration_checks.sh"

# A folder of this machine as the program names it: on Wine's drive Z:, which is the root.
windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}

demo_locate "$work/synvora-demo"
demo_create
demo_start
demo_export_environment
# On Windows the new installation's folders in its database are Windows paths.
for parameter in ExcelTempFolder:ExcelTemp ExcelTemplatesPath:ExcelTemplates XMLErrorPath:XMLError; do
    demo_sql "$DEMO_NEW_DATABASE" "UPDATE dbo.SYNVORAPARAMETER
        SET PARAMVALUE = $(demo_sql_literal "$(windows_path "$DEMO_NEW/${parameter#*:}")")
        WHERE PARAMNAME = '${parameter%%:*}';" >/dev/null
done

# Once the display is up: the prefix, made on it, as this machine's Windows. Its window management
# stays on (the driver clicks into the pages' client areas, which are then the X windows). This
# machine is the new web server: its registry names the new installation. The old server's share
# D$ is the demo's old server's drive D, on Y:.
drive_on_display() {
    "$source_dir/scripts/wine-prefix" start "$WINEPREFIX"
    "$wine" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1
    ln -sfn "$DEMO_SHARE" "$WINEPREFIX/dosdevices/y:"
    "$wine" reg add 'HKLM\SOFTWARE\Corvane\Velmoria\Portivo\PelluxServer\1' /v path \
        /d "$(windows_path "$DEMO_NEW")" /f >/dev/null
}
export SYNVORA_TEST_OLD_SERVER=$DEMO_HOST:$DEMO_SMB_PORT SYNVORA_TEST_OLD_USER=$DEMO_WEB_USER
export SYNVORA_TEST_OLD_PASSWORD=$DEMO_WEB_PASSWORD
DRIVE_RUNNER=("$wine")
DRIVE_ROOT_NAME=Z:
# Get Folder cannot read another machine's registry under Wine: the whole folder is typed.
DRIVE_INSTALLATION_FOLDER=$DEMO_OLD_INSTALLATION
drive_start "$program" "$shots"
drive_migration

echo "== message boxes"
# Get Folder: the old server's registry cannot be reached under Wine; only the third place it
# looks at says so. The folders the new installation lacks are created when the user agrees.
old_machine='\\'$DEMO_HOST:$DEMO_SMB_PORT
registry_value='SOFTWARE\Tressel\Tressel Omniline\InstallDir'
expected_boxes=("16 Please enter the value of the following registry key '$registry_value' on the machine '$old_machine'.")
for folder in ExcelTemp XMLError E-Synvora/XMLTemplate; do
    expected_boxes+=("4 The destination folder '$(windows_path "$(new_folder "$folder")")' does not exist. Create this folder on server '$DEMO_HOST'?")
done
expected_boxes+=("64 Finished Migration.")
expect_equal "message boxes" "$(printf '%s\n' "${expected_boxes[@]}")" "$(printf '%s\n' "${DRIVE_BOXES[@]}")"

echo "== Get Folder"
expect_equal "Get Folder" "text frmWeb.lblWebSource=Getting installation folder...
text frmWeb.lblWebSource=Unable to retrieve the installation folder remotely." "$(grep '^text frmWeb\.' "$DRIVE_TRACE")"

echo "== step lines"
expected_steps="1=- Start migrate database content...
2=- Prepare destination server...
3=- Copy migration script...
4=- Prepare migration script...
5=- Running migration script...
6=- Finished migrate database content..."
expected_steps+="
1=- Start web contents...
2=- Getting installation-folder...
3=- Map network driver...
4=- Migrate virtual attachments path...
5=- Migrate Excel folder...
6=- Migrate Excel templates...
9=- Migrate XML error path...
13=- Migrate images...
14=- Migrate XML Template File's...
11=- Disconnect Network Drive...
12=- Finish web contents..."
expect_equal "step lines" "$expected_steps" \
    "$(sed -n 's/^text frmFinish\.lblStep\([0-9]*\)=\(..*\)$/\1=\2/p' "$DRIVE_TRACE")"

echo "== database"
for query in "SELECT USERID, LOGINNAME, FULLNAME, EMAIL, ACTIVE FROM dbo.SYNVORAUSER ORDER BY 1" \
    "SELECT CATEGORYID, PARENTID, NAME FROM dbo.SYNVORACATEGORY ORDER BY 1" \
    "SELECT DOCUMENTID, CATEGORYID, AUTHORID, TITLE, BODY, CREATED FROM dbo.SYNVORADOCUMENT ORDER BY 1" \
    "SELECT ATTACHMENTID, DOCUMENTID, FILENAME, VIRTUALPATH FROM dbo.SYNVORAATTACHMENT ORDER BY 1"; do
    old=$(demo_sql "$DEMO_OLD_DATABASE" "$query")
    [ "$(wc -l <<<"$old")" -gt 80 ] || fail "the old database holds too little to show a migration: $query"
    [ "$old" = "$(demo_sql "$DEMO_NEW_DATABASE" "$query")" ] || fail "the new database differs from the old: $query"
done

check_files
check_log "$work"

check_screenshots "$shots" ${#expected_boxes[@]}
finish_checks "$shots"
