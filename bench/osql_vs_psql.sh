#!/usr/bin/env bash
# Times the command-line client against psql on the same private PostgreSQL server, with the same
# 3000 INSERT statements: once with GO after every statement (3000 batches, one round trip each,
# as psql sends them) and once without GO (one batch holding all statements). The server is
# started in a temporary folder on a free loopback port and stopped again on every way out.
#
# usage: bench/osql_vs_psql.sh [path/to/osql.exe] [rounds]
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
osql=${1:-$here/build/dev/bin/osql.exe}
rounds=${2:-7}
statements=3000
pg_bin=/usr/lib/postgresql/15/bin
odbc_driver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so
password=Bench#25sa

[ -x "$osql" ] || { echo "osql.exe not found at $osql (build the dev preset first)" >&2; exit 1; }

work=$(mktemp -d /tmp/synvora-osql-bench.XXXXXX)
chmod 755 "$work"
as_server=()
if [ "$(id -u)" -eq 0 ]; then
    # PostgreSQL refuses to run as root.
    as_server=(runuser -u postgres --)
    chown postgres: "$work"
fi

stop_server() {
    if [ -f "$work/data/postmaster.pid" ]; then
        "${as_server[@]}" "$pg_bin/pg_ctl" stop -D "$work/data" -m immediate >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap stop_server EXIT INT TERM

echo "$password" >"$work/pw"
[ ${#as_server[@]} -eq 0 ] || chown postgres: "$work/pw"
"${as_server[@]}" "$pg_bin/initdb" -D "$work/data" -U sa --pwfile="$work/pw" -A scram-sha-256 -E UTF8 \
    --locale=C --no-sync >/dev/null
cat >>"$work/data/postgresql.conf" <<CONF
listen_addresses = '127.0.0.1'
unix_socket_directories = '$work'
fsync = off
synchronous_commit = off
full_page_writes = off
CONF

port=
for attempt in 1 2 3 4 5; do
    candidate=$((20000 + RANDOM % 40000))
    if "${as_server[@]}" "$pg_bin/pg_ctl" start -w -t 60 -D "$work/data" -l "$work/server.log" \
        -o "-p $candidate" >/dev/null; then
        port=$candidate
        break
    fi
done
[ -n "$port" ] || { echo "PostgreSQL did not start" >&2; cat "$work/server.log" >&2; exit 1; }

export PGPASSWORD=$password
psql_cmd=(psql -X -q -h 127.0.0.1 -p "$port" -U sa)
"${psql_cmd[@]}" -d postgres -c "CREATE DATABASE bench" >/dev/null
"${psql_cmd[@]}" -d bench -c "CREATE TABLE rows (id int, name text)" >/dev/null

# The driver is registered as "SQL Server", as the program's connection strings name it.
mkdir -p "$work/odbc"
printf '[ODBC]\nTrace = No\n\n[SQL Server]\nDriver = %s\n' "$odbc_driver" >"$work/odbc/odbcinst.ini"
: >"$work/odbc/odbc.ini"
export ODBCSYSINI=$work/odbc ODBCINI=$work/odbc/odbc.ini PGPORT=$port

for ((i = 1; i <= statements; i++)); do
    printf "INSERT INTO rows VALUES (%d, 'row %d');\r\nGO\r\n" "$i" "$i" >>"$work/go.sql"
    printf "INSERT INTO rows VALUES (%d, 'row %d');\r\n" "$i" "$i" >>"$work/nogo.sql"
    printf "INSERT INTO rows VALUES (%d, 'row %d');\n" "$i" "$i" >>"$work/psql.sql"
done

now_ns() { date +%s%N; }

# Runs one variant once and prints its wall time in milliseconds.
run_variant() {
    "${psql_cmd[@]}" -d bench -c "TRUNCATE rows" >/dev/null
    local start end
    start=$(now_ns)
    case $1 in
        psql) psql -X -h 127.0.0.1 -p "$port" -U sa -d bench -f "$work/psql.sql" -o "$work/psql.out" ;;
        osql-go) "$osql" /n /S 127.0.0.1 /U sa /P "$password" /d bench /i "$work/go.sql" /o "$work/go.log" ;;
        osql-nogo) "$osql" /n /S 127.0.0.1 /U sa /P "$password" /d bench /i "$work/nogo.sql" /o "$work/nogo.log" ;;
    esac
    end=$(now_ns)
    local count
    count=$("${psql_cmd[@]}" -d bench -A -t -c "SELECT count(*) FROM rows")
    [ "$count" -eq "$statements" ] || { echo "$1 inserted $count rows, not $statements" >&2; exit 1; }
    echo $(((end - start) / 1000000))
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
minimum() { sort -g | head -n 1; }
values() { tr ' ' '\n' <<<"$1" | grep .; }

# Each round runs the three variants back to back, and each variant's ratio is taken against the
# psql run of its own round: on a shared machine, load that comes and goes then touches both
# sides of a ratio alike.
variants=(psql osql-go osql-nogo)
declare -A times ratios
for ((round = 1; round <= rounds; round++)); do
    declare -A this_round=()
    for variant in "${variants[@]}"; do
        this_round[$variant]=$(run_variant "$variant")
        times[$variant]+="${this_round[$variant]} "
    done
    for variant in "${variants[@]}"; do
        ratios[$variant]+="$(awk -v a="${this_round[$variant]}" -v b="${this_round[psql]}" \
            'BEGIN { printf "%.3f", a / b }') "
    done
done

echo "$statements INSERT statements, $rounds rounds (milliseconds; ratio = median of the rounds' ratios to psql):"
for variant in "${variants[@]}"; do
    printf '  %-10s median %6s ms  best %6s ms  ratio %5sx   (%s)\n' "$variant" \
        "$(values "${times[$variant]}" | median)" "$(values "${times[$variant]}" | minimum)" \
        "$(values "${ratios[$variant]}" | median)" "${times[$variant]% }"
done
