#!/usr/bin/env bash
# The real program in a real window, driven as a person would through a complete migration of
# both jobs against a fresh demo environment (demo/lib): then the new database's rows, the copied
# files, Migration.log, the message boxes and the step lines are checked, and the screenshots of
# every page are kept for a look.
# Usage: real_window_test.sh <folder of the built wizard> <folder for the screenshots>
set -euo pipefail

bin=$(cd "$1" && pwd)
shots=$2
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
# shellcheck source=../../demo/lib/environment.sh
. "$source_dir/demo/lib/environment.sh"
# shellcheck source=../../demo/lib/drive-wizard.sh
. "$source_dir/demo/lib/drive-wizard.sh"
trap 'drive_stop; demo_stop; rm -rf "$work"' EXIT

# shellcheck source=migration_checks.sh
. "$source_dir/tests/demo/migration_checks.sh"

# Under the sanitizers: libxkbcommon-x11 (the X keyboard map of Qt's xcb platform) hands strndup
# names that end at the length given, without a terminator, as strndup allows; the strict string
# check would stop the program there.
[ -z "${ASAN_OPTIONS:-}" ] || export ASAN_OPTIONS=$ASAN_OPTIONS:strict_string_checks=0

demo_locate "$work/synvora-demo"
demo_create
demo_start
demo_export_environment
drive_start "$bin/synvora-migration-wizard" "$shots"
drive_migration

echo "== message boxes"
expected_boxes=()
# The folders the new installation lacks are created when the user agrees.
for folder in ExcelTemp XMLError E-Synvora/XMLTemplate; do
    expected_boxes+=("4 The destination folder '$(new_folder "$folder")' does not exist. Create this folder on server '$DEMO_HOST'?")
done
expected_boxes+=("64 Finished Migration.")
expect_equal "message boxes" "$(printf '%s\n' "${expected_boxes[@]}")" "$(printf '%s\n' "${DRIVE_BOXES[@]}")"

echo "== Get Folder"
# The folder read from the old server's registry replaced the drive letter typed.
expect_equal "Get Folder" "text frmWeb.lblWebSource=Getting installation folder...
text frmWeb.lblWebSource=Installation folder found.
text frmWeb.txtWebInstallationFolder=$DEMO_OLD_INSTALLATION" "$(grep '^text frmWeb\.' "$DRIVE_TRACE")"

echo "== step lines"
# Every line written, in order: the database job's, then, after its ClearSteps, the web job's.
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
# The new installation keeps its own folders and gains the settings it lacked.
expect_equal "parameters of the new database" "AttachmentsVirtualPath|Attachments
CompanyName|Nordlicht Handels GmbH
ExcelTempFolder|$(new_folder ExcelTemp)
ExcelTemplatesPath|$(new_folder ExcelTemplates)
MailServer|mail.nordlicht.example
Version|2.5
XMLErrorPath|$(new_folder XMLError)" \
    "$(demo_sql "$DEMO_NEW_DATABASE" "SELECT PARAMNAME, PARAMVALUE FROM dbo.SYNVORAPARAMETER ORDER BY 1")"

check_files
check_log "$work"

check_screenshots "$shots" ${#expected_boxes[@]}
finish_checks "$shots"
