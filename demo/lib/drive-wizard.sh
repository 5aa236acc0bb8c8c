# Drives the real wizard window as a person would, through a complete migration of the demo
# environment (environment.sh, started): on a virtual X display (Xvfb) with the Qt xcb platform,
# xdotool ticks the boxes, types into the fields, clicks Get Folder, presses the access keys and
# answers the message boxes; `import` takes a screenshot of every page. What the pages show is
# read from the program's trace (SYNVORA_UI_TRACE), which the program writes as the screen
# changes. Sourced by demo/run-demo and by the real-window test, after environment.sh.
#
#   drive_start <wizard program> <output folder>   display and wizard, in the demo's work folder
#   drive_migration   the pages, Start, the result, Exit; tells what happens on each page
#   drive_stop        ends what drive_start started that is still running
#
# For the Windows program under Wine, set before drive_start: DRIVE_RUNNER (the words before the
# program: Wine's loader), DRIVE_ROOT_NAME (how the program names this machine's root, "Z:"), and
# define drive_on_display, which runs once the display is up and before the program (Wine's
# prefix is made there, so that its desktop draws on this display).
#
# Left in the output folder: the screenshots (NN-<page>.png, and wizard.png, the finish page
# alone after the run), trace.txt, wizard.log. After drive_migration, DRIVE_BOXES holds every
# message box as "<style> <text>", in order.

DRIVE_TIMEOUT=${DRIVE_TIMEOUT:-120}
# How long a window may take to appear, close or take the focus. Generous: on a machine busy with
# other work (tests run side by side) the X server and the wizard get little time.
DRIVE_WINDOW_TIMEOUT=${DRIVE_WINDOW_TIMEOUT:-90}
DRIVE_PAGE_TITLE='^Migration Wizard $'
DRIVE_BOX_TITLE='^Synvora 2.5 - Migration$'

# Ends the shell: the caller's EXIT trap cleans up (drive_stop, the servers).
drive_fail() {
    echo "drive: $*" >&2
    exit 1
}

drive_say() {
    printf '%s\n' "$*"
}

drive_start() {
    DRIVE_PROGRAM=$1
    DRIVE_OUT=$2
    DRIVE_TRACE=$DRIVE_OUT/trace.txt
    DRIVE_CURSOR=0
    DRIVE_SHOT=0
    DRIVE_PAGE_WINDOW=
    DRIVE_LAST_BOX=
    DRIVE_BOXES=()
    mkdir -p "$DRIVE_OUT"
    rm -f "$DRIVE_OUT"/*.png "$DRIVE_TRACE"
    : >"$DRIVE_TRACE"
    # A display of its own that only this account can reach: the server reads the cookie from
    # its file, the clients from XAUTHORITY. The display number arrives on the descriptor once
    # the server accepts clients.
    local cookie display_file=$DRIVE_OUT/display
    cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
    (umask 077 && : >"$DRIVE_OUT/xvfb.auth" && : >"$DRIVE_OUT/client.auth")
    xauth -q -f "$DRIVE_OUT/xvfb.auth" add :0 MIT-MAGIC-COOKIE-1 "$cookie"
    : >"$display_file"
    Xvfb -displayfd 3 -auth "$DRIVE_OUT/xvfb.auth" -screen 0 1024x768x24 -nolisten tcp \
        3>"$display_file" >"$DRIVE_OUT/xvfb.log" 2>&1 &
    DRIVE_XVFB_PID=$!
    local deadline=$((SECONDS + DRIVE_WINDOW_TIMEOUT))
    until [ -s "$display_file" ]; do
        kill -0 "$DRIVE_XVFB_PID" 2>/dev/null || { cat "$DRIVE_OUT/xvfb.log" >&2; drive_fail "Xvfb did not start"; }
        [ $SECONDS -lt $deadline ] || drive_fail "Xvfb did not start in time"
        sleep 0.05
    done
    export DISPLAY=:$(tr -d '\n' <"$display_file") XAUTHORITY=$DRIVE_OUT/client.auth
    xauth -q -f "$XAUTHORITY" add "$DISPLAY" MIT-MAGIC-COOKIE-1 "$cookie"
    if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
        export XDG_RUNTIME_DIR=$DRIVE_OUT/runtime
        mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
    fi
    if declare -F drive_on_display >/dev/null; then
        drive_on_display
    fi
    (cd "$DEMO_WORK" && QT_QPA_PLATFORM=xcb SYNVORA_UI_TRACE=${DRIVE_ROOT_NAME:-}$DRIVE_TRACE \
        exec ${DRIVE_RUNNER[@]+"${DRIVE_RUNNER[@]}"} "$DRIVE_PROGRAM") >"$DRIVE_OUT/wizard.log" 2>&1 &
    DRIVE_WIZARD_PID=$!
}

drive_stop() {
    if [ -n "${DRIVE_WIZARD_PID:-}" ] && kill -0 "$DRIVE_WIZARD_PID" 2>/dev/null; then
        kill "$DRIVE_WIZARD_PID" 2>/dev/null || true
        wait "$DRIVE_WIZARD_PID" 2>/dev/null || true
    fi
    if [ -n "${DRIVE_XVFB_PID:-}" ] && kill -0 "$DRIVE_XVFB_PID" 2>/dev/null; then
        kill "$DRIVE_XVFB_PID" 2>/dev/null || true
        wait "$DRIVE_XVFB_PID" 2>/dev/null || true
    fi
    DRIVE_WIZARD_PID=
    DRIVE_XVFB_PID=
}

drive_wizard_alive() {
    kill -0 "$DRIVE_WIZARD_PID" 2>/dev/null
}

# The next line of the trace into DRIVE_LINE, waiting for it until the deadline (in SECONDS).
# Only whole lines count: the program writes each with its line end.
drive_next_line() {
    local deadline=$1
    while [ "$(wc -l <"$DRIVE_TRACE")" -le "$DRIVE_CURSOR" ]; do
        drive_wizard_alive || drive_fail "the wizard ended unexpectedly (see $DRIVE_OUT/wizard.log)"
        [ $SECONDS -lt "$deadline" ] || return 1
        sleep 0.05
    done
    DRIVE_CURSOR=$((DRIVE_CURSOR + 1))
    DRIVE_LINE=$(sed -n "${DRIVE_CURSOR}p" "$DRIVE_TRACE")
}

# Follows the trace until a line matches the pattern (an extended regular expression), telling
# the status and step lines as they appear and answering every message box on the way.
drive_until() {
    local pattern=$1 what=$2 deadline=$((SECONDS + ${3:-$DRIVE_TIMEOUT})) line
    while drive_next_line "$deadline"; do
        line=$DRIVE_LINE
        case $line in
            "msgbox "*) drive_answer_box "${line#msgbox }" ;;
            text\ frm*.lblStatus*=?* | text\ frmWeb.lblWebSource=?*) drive_say "    status: ${line#*=}" ;;
            text\ frmWeb.txtWebInstallationFolder=*) drive_say "    installation folder: ${line#*=}" ;;
            text\ frmFinish.lblStep*=?*) drive_say "    step: ${line#*=}" ;;
        esac
        if [[ $line =~ $pattern ]]; then
            return 0
        fi
    done
    drive_fail "no $what within ${3:-$DRIVE_TIMEOUT} seconds (trace: $DRIVE_TRACE)"
}

# Polls until the command prints a window id; prints it.
drive_window() {
    local what=$1 deadline=$((SECONDS + DRIVE_WINDOW_TIMEOUT)) id
    shift
    while :; do
        id=$("$@" 2>/dev/null | tail -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        [ $SECONDS -lt $deadline ] || drive_fail "no $what on the screen"
        sleep 0.05
    done
}

# Gives a window the keyboard focus, as a desktop would, and waits until it has it. There is no
# window manager under Xvfb to do it when another window closes.
drive_focus() {
    local window=$1 deadline=$((SECONDS + DRIVE_WINDOW_TIMEOUT))
    until [ "$(xdotool getwindowfocus 2>/dev/null)" = "$window" ]; do
        xdotool windowfocus "$window" 2>/dev/null || true
        [ $SECONDS -lt $deadline ] || drive_fail "window $window does not take the focus"
        sleep 0.05
    done
}

drive_visible_page() {
    local ids
    ids=$(xdotool search --onlyvisible --name "$DRIVE_PAGE_TITLE" 2>/dev/null) || return 0
    # While one page hides and the next shows, both may be mapped for a moment.
    [ "$(wc -l <<<"$ids")" -eq 1 ] && [ "$ids" != "$DRIVE_PAGE_WINDOW" ] && echo "$ids"
}

# Waits for the trace to show the page and for its window on the screen, and focuses it.
drive_enter_page() {
    local page=$1 title=$2
    drive_until "^show $page\$" "page $page"
    DRIVE_PAGE_WINDOW=$(drive_window "window of $page" drive_visible_page)
    drive_focus "$DRIVE_PAGE_WINDOW"
    drive_say "$title"
}

drive_screenshot() {
    local name=$1
    DRIVE_SHOT=$((DRIVE_SHOT + 1))
    import -window root "$DRIVE_OUT/$(printf %02d "$DRIVE_SHOT")-$name.png"
}

drive_click() {  # drive_click <x> <y>, within the current page
    xdotool mousemove --window "$DRIVE_PAGE_WINDOW" "$1" "$2" click 1
}

drive_type() {
    xdotool type --delay 8 -- "$1"
}

drive_key() {
    xdotool key "$@"
}

drive_box_visible() {
    xdotool search --onlyvisible --name "$DRIVE_BOX_TITLE" 2>/dev/null | grep -qx "$1"
}

# The box the trace just announced: a visible box of the application's title other than the one
# answered last, which may still be closing.
drive_new_box() {
    xdotool search --onlyvisible --name "$DRIVE_BOX_TITLE" 2>/dev/null | grep -vx "${DRIVE_LAST_BOX:-none}" | tail -n 1
}

# A message box opened: tell it, photograph it, answer it as the demo's user would (Yes to
# creating a missing destination folder of the new installation; OK to everything else), and
# give the focus back to the page once it has closed.
drive_answer_box() {
    local style=${1%% *} text=${1#* } box key=Return answer=
    DRIVE_BOXES+=("$style $text")
    drive_say "    message: $text"
    box=$(drive_window "message box \"$text\"" drive_new_box)
    drive_focus "$box"
    drive_screenshot message
    if [ "$style" = 4 ]; then
        if [[ $text == *" does not exist. Create this folder on server "* ]]; then
            key=alt+y answer=Yes
        else
            key=alt+n answer=No
        fi
        drive_say "    answered: $answer"
    fi
    drive_key "$key"
    drive_until '^answer ' "answer to \"$text\""
    # This box's own window closes; the next box, which has the same title, may be open already
    # (the run's last message follows its last question at once).
    local deadline=$((SECONDS + DRIVE_WINDOW_TIMEOUT))
    while drive_box_visible "$box"; do
        [ $SECONDS -lt $deadline ] || drive_fail "the message box \"$text\" stays on the screen"
        sleep 0.05
    done
    DRIVE_LAST_BOX=$box
    if [ -n "$DRIVE_PAGE_WINDOW" ] && xdotool search --onlyvisible --name "$DRIVE_PAGE_TITLE" |
        grep -qx "$DRIVE_PAGE_WINDOW"; then
        drive_focus "$DRIVE_PAGE_WINDOW"
    fi
}

# The page leaves when Next is pressed and its checks pass; the next page's show ends the wait.
drive_database_page() {
    local page=$1 title=$2 database=$3
    drive_enter_page "$page" "$title"
    drive_say "    typed: server $DEMO_HOST, database $database, user name $DEMO_DB_USER, password"
    # The server field has the focus; Tab selects the whole of the next field, so "sa" is typed
    # over the field's own "sa".
    drive_type "$DEMO_HOST"
    drive_key Tab
    drive_type "$database"
    drive_key Tab
    drive_type "$DEMO_DB_USER"
    drive_key Tab
    drive_type "$DEMO_DB_PASSWORD"
    drive_screenshot "$page"
    drive_key alt+n
}

drive_migration() {
    drive_enter_page frmWelcome "Welcome page"
    # The check boxes, clicked on their captions.
    drive_click 80 175
    drive_click 80 212
    drive_say "    ticked: Migrate database contents, Migrate web contents"
    drive_screenshot frmWelcome
    drive_key alt+n

    drive_database_page frmSource "Source database page" "$DEMO_OLD_DATABASE"
    drive_database_page frmDestination "Destination database page" "$DEMO_NEW_DATABASE"

    drive_enter_page frmWeb "Web server page"
    local folder=${DRIVE_INSTALLATION_FOLDER:-D}
    drive_say "    typed: server $DEMO_HOST:$DEMO_SMB_PORT, user name $DEMO_WEB_USER, password, installation folder $folder"
    drive_type "$DEMO_HOST:$DEMO_SMB_PORT"
    drive_key Tab
    drive_type "$DEMO_WEB_USER"
    drive_key Tab
    drive_type "$DEMO_WEB_PASSWORD"
    drive_key Tab
    # The drive letter chooses the share; Get Folder reads the rest from the old server's
    # registry. The button has no access key: it is clicked. (Where the old server's registry
    # cannot be reached, as under Wine, DRIVE_INSTALLATION_FOLDER gives the whole folder.)
    drive_type "$folder"
    drive_click 428 305
    drive_say "    clicked: Get Folder"
    drive_until '^text frmWeb\.lblWebSource=(Installation folder found\.|Unable|Please)' "Get Folder's outcome"
    drive_screenshot frmWeb
    drive_key alt+n

    drive_enter_page frmFinish "Finish page"
    drive_screenshot frmFinish
    drive_key alt+s
    drive_say "    pressed: Start"
    drive_until '^msgbox 64 (Finished Migration\.|Migration stopped with errors\.)$' "end of the run" 600
    drive_screenshot frmFinish-after-run
    import -window "$DRIVE_PAGE_WINDOW" "$DRIVE_OUT/wizard.png"
    drive_key alt+e
    drive_say "    pressed: Exit"
    local deadline=$((SECONDS + DRIVE_WINDOW_TIMEOUT))
    while drive_wizard_alive; do
        [ $SECONDS -lt $deadline ] || drive_fail "the wizard did not end after Exit"
        sleep 0.05
    done
    wait "$DRIVE_WIZARD_PID" || drive_fail "the wizard ended with status $?"
    DRIVE_WIZARD_PID=
}
