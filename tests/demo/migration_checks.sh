# The checks that a driven migration of the demo ends with, shared by the Linux and the Windows
# program's tests: source it, then call the check_* functions and finish_checks.
# shellcheck shell=bash

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

expect_equal() {  # expect_equal <what> <expected> <actual>
    [ "$2" = "$3" ] || fail "$1: expected
$2
but got
$3"
}

# The six content folders, below the old installation and below the new one alike.
content_folders=(Attachments ExcelTemp ExcelTemplates XMLError E-Synvora/images E-Synvora/XMLTemplate)
new_folder() {
    printf '%s' "$DEMO_NEW/$1"
}

check_files() {
    echo "== files"
    local folder file count missing
    for folder in "${content_folders[@]}"; do
        count=0 missing=()
        while IFS= read -r -d '' file; do
            count=$((count + 1))
            cmp -s "$DEMO_OLD/$folder/$file" "$(new_folder "$folder")/$file" || missing+=("$file")
        done < <(find "$DEMO_OLD/$folder" -type f -printf '%P\0')
        [ "$count" -gt 0 ] || fail "the old installation has no files in $folder"
        [ ${#missing[@]} -eq 0 ] ||
            fail "${#missing[@]} of $count files of $folder did not arrive whole, among them ${missing[0]}"
    done
    # The new installation's own files stay; nothing outside the six folders comes along.
    expect_equal "files of the new installation that the old one lacks" "E-Synvora/images/banner 2.5.png
ExcelTemplates/Synvora 2.5 report.xlt" \
        "$(find "$DEMO_NEW" -type f -printf '%P\n' | while IFS= read -r file; do
            [ -e "$DEMO_OLD/$file" ] || echo "$file"
        done | LC_ALL=C sort)"
}

check_log() {  # check_log <scratch folder>
    echo "== Migration.log and the client's output"
    # The demo's server has no sp_dropserver; that step's failure is logged and the job goes on.
    printf '%s\r\n%s\r\n\r\n\r\n' "-2147221502 RunSQLCommand" \
        "Unable to run the command!: EXEC sp_dropserver '$DEMO_HOST','droplogins'" >"$1/expected.log"
    cmp -s "$1/expected.log" "$DEMO_WORK/Migration.log" ||
        fail "Migration.log holds other entries than the one expected: $(cat -A "$DEMO_WORK/Migration.log")"
    grep -q "COMMIT TRANSACTION" "$DEMO_WORK/PelluxDest.log" || fail "PelluxDest.log lacks the commit line"
}

check_screenshots() {  # check_screenshots <folder> <message boxes shown>
    echo "== screenshots"
    local shot colours
    for shot in "$1"/[0-9]*.png "$1/wizard.png"; do
        # A painted page has text and frames: far more than a handful of colours.
        colours=$(convert "$shot" -format %k info:)
        [ "$colours" -gt 8 ] || fail "$shot shows nothing ($colours colours)"
    done
    # The five pages, every message box, and the finish page after the run.
    expect_equal "screenshots" $((5 + $2 + 1)) "$(find "$1" -name '[0-9]*.png' | wc -l)"
}

finish_checks() {  # finish_checks <folder of the screenshots>
    if [ "$failures" -gt 0 ]; then
        echo "$failures checks failed; screenshots and the trace are in $1" >&2
        exit 1
    fi
    echo "all checks passed; screenshots in $1"
}
