# The demo environment of the Migration Wizard, on this machine alone: a PostgreSQL server with an
# old and a new database (standing in for SQL Server, the PostgreSQL ODBC driver registered as
# "SQL Server" in a private ODBC configuration), a Samba server on 127.0.0.1 playing the old web
# server (the share D$ with an old installation, and its registry naming that installation), this
# machine's registry file naming the new installation, and a working folder with migration.sql.
#
# Everything lives in one folder, $XDG_STATE_HOME/synvora-demo (~/.local/state/synvora-demo), made
# once and reused; the servers run only while a demo runs. Sourced by demo/run-demo and by the
# real-window test, in bash with `set -euo pipefail`.
#
#   demo_locate [folder]   names the folder (the default above) and reads its settings
#   demo_create            makes the whole environment when the folder holds none yet
#   demo_start             starts both servers; demo_stop stops them (also run by a watchdog
#                          when the calling shell dies)
#   demo_export_environment  the program's environment: ODBC, PGPORT, SYNVORA_REGISTRY
#   demo_remove            stops the servers and removes the folder

DEMO_SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
DEMO_PG_BIN=/usr/lib/postgresql/15/bin
DEMO_HOST=127.0.0.1
DEMO_OLD_DATABASE=synvora_old
DEMO_NEW_DATABASE=synvora_new
DEMO_DB_USER=sa
DEMO_WEB_USER=webadmin
# The old installation as the old server's registry names it, and its place on the share D$.
DEMO_OLD_INSTALLATION='D:\Synvora'
DEMO_REGISTRY_KEY='SOFTWARE\Tressel\Tressel Omniline\PelluxServer\1'

demo_fail() {
    echo "demo: $*" >&2
    return 1
}

# Commands that need root (Samba acts as the account it serves) go through sudo otherwise.
demo_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo -- "$@"
    fi
}

# PostgreSQL refuses to run as root, and root's home is closed to other accounts: as root, the
# server programs run in a user namespace of their own, where root's files belong to them but
# they do not count as root.
demo_as_server_user() {
    if [ "$(id -u)" -eq 0 ]; then
        unshare --user --map-user="$(id -u postgres)" --map-group="$(id -g postgres)" -- "$@"
    else
        "$@"
    fi
}

demo_locate() {
    DEMO_DIR=${1:-${XDG_STATE_HOME:-$HOME/.local/state}/synvora-demo}
    DEMO_PG=$DEMO_DIR/postgres
    DEMO_SMB=$DEMO_DIR/samba
    DEMO_ODBC=$DEMO_DIR/odbc
    DEMO_SHARE=$DEMO_DIR/old-server/D
    DEMO_OLD=$DEMO_SHARE/Synvora
    DEMO_NEW=$DEMO_DIR/new-server/Synvora
    DEMO_WORK=$DEMO_DIR/work
    DEMO_REGISTRY=$DEMO_DIR/HKLM.reg
    DEMO_SETTINGS=$DEMO_DIR/settings
    if [ -f "$DEMO_SETTINGS" ]; then
        # shellcheck source=/dev/null
        . "$DEMO_SETTINGS"
    fi
}

demo_exists() {
    [ -f "$DEMO_DIR/ready" ]
}

demo_random() {
    od -An -N"$1" -tx1 /dev/urandom | tr -d ' \n'
}

demo_port_in_use() {
    (exec 3<>"/dev/tcp/$DEMO_HOST/$1") 2>/dev/null
}

# A port from the dynamic range that nothing listens on.
demo_free_port() {
    local port
    while :; do
        port=$((49152 + $(od -An -N2 -tu2 /dev/urandom) % 16000))
        demo_port_in_use "$port" || break
    done
    echo "$port"
}

# Waits until a process has ended (or is a zombie nobody has collected yet); kills it after ten
# seconds. /proc answers for processes of other accounts too.
demo_wait_gone() {
    local pid=$1 waited=0 state
    while state=$(awk '{ print $3 }' "/proc/$pid/stat" 2>/dev/null) && [ -n "$state" ] && [ "$state" != Z ]; do
        if [ $waited -eq 200 ]; then
            demo_as_root kill -KILL "$pid" 2>/dev/null || true
        fi
        sleep 0.05
        waited=$((waited + 1))
    done
}

demo_write_settings() {
    (umask 077 && cat >"$DEMO_SETTINGS") <<EOF
DEMO_PG_PORT=$DEMO_PG_PORT
DEMO_SMB_PORT=$DEMO_SMB_PORT
DEMO_DB_PASSWORD=$DEMO_DB_PASSWORD
DEMO_WEB_PASSWORD=$DEMO_WEB_PASSWORD
DEMO_PG_SUPERUSER_PASSWORD=$DEMO_PG_SUPERUSER_PASSWORD
EOF
}

# ---------------------------------------------------------------------------------------------
# Creation

demo_create() {
    if demo_exists; then
        return 0
    fi
    if [ -e "$DEMO_DIR" ]; then
        # A creation that stopped part-way: start it again from nothing.
        demo_remove
    fi
    mkdir -p "$DEMO_DIR"
    chmod 0700 "$DEMO_DIR"
    DEMO_PG_PORT=$(demo_free_port)
    DEMO_SMB_PORT=$(demo_free_port)
    DEMO_DB_PASSWORD=Demo-$(demo_random 4)
    DEMO_WEB_PASSWORD=Web-$(demo_random 4)
    DEMO_PG_SUPERUSER_PASSWORD=$(demo_random 24)
    demo_write_settings
    demo_create_installations
    demo_create_databases
    demo_create_samba
    demo_create_program_files
    touch "$DEMO_DIR/ready"
}

# A file of random content and the given size, made by demo_write_files.
demo_file() {
    DEMO_FILES+=("$1" "$2")
}

# One perl (part of every Debian installation) for all files: a process per file would take
# seconds.
demo_write_files() {
    printf '%s\0' "${DEMO_FILES[@]}" | perl -0 -e '
        use File::Path qw(make_path);
        use File::Basename qw(dirname);
        open(my $random, "<:raw", "/dev/urandom") or die "/dev/urandom: $!";
        while (defined(my $path = <STDIN>)) {
            chomp $path;
            my $size = <STDIN>;
            chomp $size;
            make_path(dirname($path));
            read($random, my $bytes, $size) == $size or die "/dev/urandom: $!";
            open(my $file, ">:raw", $path) or die "$path: $!";
            print $file $bytes or die "$path: $!";
            close($file) or die "$path: $!";
        }'
    DEMO_FILES=()
}

# The old installation on the share D$: the four parameter folders (Attachments below the
# installation, the others named by absolute paths) and the two fixed folders below E-Synvora,
# with nested folders and names with blanks and non-ASCII letters; beside them files of the
# installation that are not content and stay behind. The new installation has some folders and
# files of its own already.
demo_create_installations() {
    local old=$DEMO_OLD new=$DEMO_NEW n
    DEMO_FILES=()
    demo_file "$old/Attachments/103/Preisliste Frühjahr 2010.xls" 18432
    demo_file "$old/Attachments/101/cafe.jpg" 24310
    demo_file "$old/Attachments/102/overview.pdf" 40961
    for n in $(seq 2000 2119); do
        demo_file "$old/Attachments/$((1000 + n % 97))/Anlage $n.pdf" $((500 + n * 37 % 9000))
    done
    for n in $(seq 1 24); do
        demo_file "$old/ExcelTemp/Export 2010-03-$(printf %02d "$n").xls" $((2000 + n * 311))
    done
    demo_file "$old/ExcelTemp/~\$Preisliste.xls" 165
    for name in "Preisliste.xlt" "Bestellübersicht.xlt" "Quarterly report.xlt" "Angebot (Vorlage).xlt"; do
        demo_file "$old/ExcelTemplates/$name" 13824
    done
    for n in $(seq 2005 2009); do
        demo_file "$old/ExcelTemplates/Archiv $n/Jahresbericht $n.xlt" $((9000 + n))
    done
    for n in $(seq 1 30); do
        demo_file "$old/XMLError/error-2010-02-$(printf %02d "$n").xml" $((300 + n * 53))
    done
    demo_file "$old/E-Synvora/images/logo.gif" 3120
    for n in $(seq 1 60); do
        demo_file "$old/E-Synvora/images/icons/icon$n.png" $((200 + n * 17))
    done
    for n in $(seq 1 40); do
        demo_file "$old/E-Synvora/images/buttons/button $n.gif" $((400 + n * 23))
    done
    for n in $(seq 1 30); do
        demo_file "$old/E-Synvora/images/Produkte Ü/Artikel-$n.jpg" $((5000 + n * 401))
    done
    for n in $(seq 1 20); do
        demo_file "$old/E-Synvora/images/photos/Café $n.jpg" $((8000 + n * 997))
    done
    for name in "Dokument.xml" "Nachricht.xml" "Formular.xml" "Übersicht.xml"; do
        demo_file "$old/E-Synvora/XMLTemplate/$name" 2048
    done
    for n in $(seq 1 36); do
        demo_file "$old/E-Synvora/XMLTemplate/Mail templates/Vorlage $n é.xml" $((700 + n * 29))
    done
    demo_file "$old/bin/Synvora.Server.dll" 65536
    demo_file "$old/web.config" 4096

    demo_file "$new/E-Synvora/images/logo.gif" 2980
    demo_file "$new/E-Synvora/images/banner 2.5.png" 7040
    demo_file "$new/ExcelTemplates/Synvora 2.5 report.xlt" 15360
    demo_write_files
    mkdir -p "$new/Attachments"
}

demo_psql() {  # demo_psql <login> <password> <database> psql arguments...
    local login=$1 password=$2 database=$3
    shift 3
    PGPASSWORD=$password "$DEMO_PG_BIN/psql" -X -q -v ON_ERROR_STOP=1 -h "$DEMO_PG/socket" \
        -p "$DEMO_PG_PORT" -U "$login" -d "$database" "$@"
}

# SQL run in a demo database as its owner "sa"; its output, unaligned and without headings.
demo_sql() {
    demo_psql "$DEMO_DB_USER" "$DEMO_DB_PASSWORD" "$1" -A -t -c "$2"
}

demo_sql_literal() {
    printf "'%s'" "${1//\'/\'\'}"
}

demo_create_databases() {
    mkdir -p "$DEMO_PG/socket"
    printf '%s\n' "$DEMO_PG_SUPERUSER_PASSWORD" >"$DEMO_PG/superuser.pw"
    demo_as_server_user "$DEMO_PG_BIN/initdb" -D "$DEMO_PG/data" -U postgres \
        --pwfile="$DEMO_PG/superuser.pw" -A scram-sha-256 -E UTF8 --locale=C --no-sync \
        --no-instructions >"$DEMO_PG/initdb.log" 2>&1 ||
        { cat "$DEMO_PG/initdb.log" >&2; demo_fail "initdb failed"; }
    rm -f "$DEMO_PG/superuser.pw"
    printf '%s\n' "local all all scram-sha-256" "host all all 127.0.0.1/32 scram-sha-256" \
        >"$DEMO_PG/data/pg_hba.conf"
    cat >>"$DEMO_PG/data/postgresql.conf" <<EOF

# Demo server: this machine only, its own socket folder, small.
listen_addresses = '$DEMO_HOST'
unix_socket_directories = '$DEMO_PG/socket'
max_connections = 20
shared_buffers = 16MB
fsync = off
EOF
    demo_start_postgres
    demo_psql postgres "$DEMO_PG_SUPERUSER_PASSWORD" postgres -c \
        "CREATE ROLE $DEMO_DB_USER LOGIN SUPERUSER CREATEDB PASSWORD $(demo_sql_literal "$DEMO_DB_PASSWORD");"
    local database
    # The job removes the old server's registration in the destination's system database.
    for database in master "$DEMO_OLD_DATABASE" "$DEMO_NEW_DATABASE"; do
        demo_sql postgres "CREATE DATABASE $database OWNER $DEMO_DB_USER ENCODING 'UTF8' TEMPLATE template0;"
    done
    demo_psql "$DEMO_DB_USER" "$DEMO_DB_PASSWORD" "$DEMO_OLD_DATABASE" \
        -f "$DEMO_SOURCE_DIR/source-database.sql" -f "$DEMO_SOURCE_DIR/source-content.sql"
    demo_psql "$DEMO_DB_USER" "$DEMO_DB_PASSWORD" "$DEMO_NEW_DATABASE" \
        -f "$DEMO_SOURCE_DIR/destination-database.sql"
    # The new installation's folders are this machine's: absolute paths, the attachments below
    # the installation folder.
    local parameter folder
    for parameter in ExcelTempFolder:ExcelTemp ExcelTemplatesPath:ExcelTemplates XMLErrorPath:XMLError; do
        folder=$DEMO_NEW/${parameter#*:}
        demo_sql "$DEMO_NEW_DATABASE" "UPDATE dbo.SYNVORAPARAMETER SET PARAMVALUE = $(demo_sql_literal "$folder")
            WHERE PARAMNAME = '${parameter%%:*}';" >/dev/null
    done
    demo_sql "$DEMO_NEW_DATABASE" "UPDATE dbo.SYNVORAPARAMETER SET PARAMVALUE = 'Attachments'
        WHERE PARAMNAME = 'AttachmentsVirtualPath';" >/dev/null
}

demo_samba_configuration() {
    local account
    account=$(id -un)
    cat <<EOF
[global]
    server role = standalone server
    workgroup = SYNVORA
    netbios name = SYNVORAOLDWEB
    security = user
    map to guest = never
    username map = $DEMO_SMB/users.map
    passdb backend = tdbsam:$DEMO_SMB/private/passdb.tdb
    private dir = $DEMO_SMB/private
    lock directory = $DEMO_SMB/lock
    state directory = $DEMO_SMB/state
    cache directory = $DEMO_SMB/cache
    pid directory = $DEMO_SMB/pid
    ncalrpc dir = $DEMO_SMB/ncalrpc
    binddns dir = $DEMO_SMB/bind-dns
    ntp signd socket directory = $DEMO_SMB/ntp_signd
    usershare path = $DEMO_SMB/usershares
    winbindd socket directory = $DEMO_SMB/winbindd
    log file = $DEMO_SMB/log/log.%m
    max log size = 1000
    interfaces = $DEMO_HOST
    bind interfaces only = yes
    smb ports = $DEMO_SMB_PORT
    disable netbios = yes
    load printers = no
    printing = bsd
    printcap name = /dev/null
    disable spoolss = yes
    store dos attributes = no
    map readonly = yes
    map archive = no
    vfs objects =

[D\$]
    path = $DEMO_SHARE
    read only = yes
    valid users = $account
EOF
}

demo_net_registry() {
    demo_as_root net --configfile="$DEMO_SMB/smb.conf" registry "$@" >>"$DEMO_SMB/net.log" 2>&1 ||
        { cat "$DEMO_SMB/net.log" >&2; demo_fail "net registry $1 failed"; }
}

# The server's configuration, its login (the account of whoever runs the demo, seen as
# "webadmin"), and in its registry the old installation under the first key Get Folder reads.
demo_create_samba() {
    local folder
    for folder in private lock state cache pid ncalrpc bind-dns ntp_signd usershares winbindd log; do
        mkdir -p "$DEMO_SMB/$folder"
    done
    chmod 0700 "$DEMO_SMB/private"
    echo "$(id -un) = $DEMO_WEB_USER" >"$DEMO_SMB/users.map"
    demo_samba_configuration >"$DEMO_SMB/smb.conf"
    printf '%s\n%s\n' "$DEMO_WEB_PASSWORD" "$DEMO_WEB_PASSWORD" |
        demo_as_root smbpasswd -c "$DEMO_SMB/smb.conf" -a -s "$(id -un)" >"$DEMO_SMB/smbpasswd.log" 2>&1 ||
        { cat "$DEMO_SMB/smbpasswd.log" >&2; demo_fail "smbpasswd failed"; }
    demo_net_registry createkey -- "HKLM\\$DEMO_REGISTRY_KEY"
    demo_net_registry setvalue -- "HKLM\\$DEMO_REGISTRY_KEY" path sz "$DEMO_OLD_INSTALLATION"
}

demo_reg_string() {
    local text=${1//\\/\\\\}
    printf '"%s"' "${text//\"/\\\"}"
}

# This machine's registry file, the ODBC configuration, and the working folder with the script.
demo_create_program_files() {
    cat >"$DEMO_REGISTRY" <<EOF
Windows Registry Editor Version 5.00

; This machine in the demo: the new web server, with the new installation below the demo folder.

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria\\Portivo]

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Velmoria\\Portivo\\PelluxServer\\1]
"path"=$(demo_reg_string "$DEMO_NEW")
EOF
    local driver
    driver=$(dpkg -L odbc-postgresql | grep '/psqlodbcw\.so$' | head -n 1)
    [ -n "$driver" ] || demo_fail "the PostgreSQL ODBC driver (odbc-postgresql) is not installed"
    mkdir -p "$DEMO_ODBC"
    printf '[ODBC]\nTrace = No\nPooling = No\n\n[SQL Server]\nDescription = %s\nDriver = %s\n' \
        "PostgreSQL standing in for the SQL Server driver" "$driver" >"$DEMO_ODBC/odbcinst.ini"
    : >"$DEMO_ODBC/odbc.ini"
    mkdir -p "$DEMO_WORK"
    cp "$DEMO_SOURCE_DIR/migration.sql" "$DEMO_WORK/migration.sql"
}

# ---------------------------------------------------------------------------------------------
# Servers

# A port kept from an earlier start that something else has taken meanwhile is replaced.
demo_keep_port_free() {
    local variable=$1
    if demo_port_in_use "${!variable}"; then
        printf -v "$variable" '%s' "$(demo_free_port)"
        demo_write_settings
        return 1
    fi
}

demo_postgres_running() {
    local pid
    pid=$(head -n 1 "$DEMO_PG/data/postmaster.pid" 2>/dev/null) && kill -0 "$pid" 2>/dev/null
}

demo_start_postgres() {
    if demo_postgres_running; then
        return 0
    fi
    rm -f "$DEMO_PG/data/postmaster.pid"
    demo_keep_port_free DEMO_PG_PORT || true
    # PGPORT in the server's own environment is the port of the connections it opens itself
    # (the migration script's dblink to the old database).
    PGPORT=$DEMO_PG_PORT demo_as_server_user "$DEMO_PG_BIN/pg_ctl" start -w -t 60 -D "$DEMO_PG/data" \
        -l "$DEMO_PG/server.log" -o "-p $DEMO_PG_PORT" >"$DEMO_PG/pg_ctl.log" 2>&1 ||
        { tail -n 20 "$DEMO_PG/server.log" >&2; demo_fail "PostgreSQL did not start"; }
}

demo_stop_postgres() {
    local pid_file=$DEMO_PG/data/postmaster.pid pid
    [ -f "$pid_file" ] || return 0
    pid=$(head -n 1 "$pid_file")
    # The fast shutdown: sessions are ended, what was committed stays.
    if kill -INT "$pid" 2>/dev/null; then
        demo_wait_gone "$pid"
    fi
    rm -f "$pid_file"
}

demo_start_samba() {
    demo_stop_samba
    if ! demo_keep_port_free DEMO_SMB_PORT; then
        demo_samba_configuration >"$DEMO_SMB/smb.conf"
    fi
    # sudo asks for a password here, in the foreground, rather than from the server's start below.
    [ "$(id -u)" -eq 0 ] || sudo -v
    # smbd leads a process group of its own and ends when its standard input ends, which the
    # `tail` here closes when the shell that started the demo is gone.
    demo_as_root smbd --foreground --configfile="$DEMO_SMB/smb.conf" \
        < <(exec tail --pid=$$ -f /dev/null) >"$DEMO_SMB/smbd.out" 2>&1 &
    local waited=0
    until demo_port_in_use "$DEMO_SMB_PORT"; do
        if [ $waited -ge 600 ]; then
            cat "$DEMO_SMB/smbd.out" >&2
            demo_fail "smbd did not start"
        fi
        sleep 0.05
        waited=$((waited + 1))
    done
}

demo_stop_samba() {
    local name pid
    for name in samba-dcerpcd smbd; do
        pid=$(cat "$DEMO_SMB/pid/$name.pid" 2>/dev/null || true)
        if [ -n "$pid" ] && demo_as_root kill -TERM -- "-$pid" 2>/dev/null; then
            demo_wait_gone "$pid"
        fi
        demo_as_root rm -f "$DEMO_SMB/pid/$name.pid"
    done
}

demo_start() {
    demo_start_postgres
    demo_start_samba
    # Stops the servers should the calling shell end without demo_stop (killed, for example).
    (
        trap '' INT HUP
        tail --pid=$$ -f /dev/null
        demo_stop
    ) </dev/null >/dev/null 2>&1 &
}

demo_stop() {
    demo_stop_samba
    demo_stop_postgres
}

demo_remove() {
    demo_stop 2>/dev/null || true
    # Samba's folders may belong to root when the demo runs as another user.
    demo_as_root rm -rf -- "$DEMO_DIR"
}

# The program's environment: the private ODBC configuration with the PostgreSQL driver as "SQL
# Server", its port (the driver and osql.exe read PGPORT), no password taken from elsewhere, and
# this machine's registry file.
demo_export_environment() {
    export ODBCSYSINI=$DEMO_ODBC ODBCINI=$DEMO_ODBC/odbc.ini PGPORT=$DEMO_PG_PORT
    export PGPASSFILE=$DEMO_DIR/no-password-file SYNVORA_REGISTRY=$DEMO_REGISTRY
    unset ODBCINSTINI PGHOST PGHOSTADDR PGSERVICE PGSERVICEFILE PGPASSWORD PGUSER PGDATABASE PGOPTIONS
}
