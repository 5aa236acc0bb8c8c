#!/bin/sh
# The Windows osql.exe under Wine against the test server, reached through the ODBC driver
# registered as "SQL Server" (Wine's odbc32 hands the calls to this machine's unixODBC): a script
# read from standard input, its rows on standard output. Run through test_servers, which starts the
# server and names the login; the password reaches the client in OSQLPASSWORD.
#
#     osql_from_standard_input.sh <wine64> <osql.exe>
set -eu
wine=$1
osql=$2

output=$(printf "SELECT 40 + 2 AS answer, 'M\374ller' AS name\r\nGO\r\nSELECT 'second' AS batch\r\nGO\r\n" |
    OSQLPASSWORD=$SYNVORA_TEST_ADMIN_PASSWORD "$wine" "$osql" /n /S 127.0.0.1 /U "$SYNVORA_TEST_ADMIN_USER" \
        /d postgres | iconv -f WINDOWS-1252 -t UTF-8)
printf '%s\n' "$output"

expect() {
    printf '%s\n' "$output" | grep -q "$1" || { echo "missing from the output: $1" >&2; exit 1; }
}
expect '42 *Müller'
expect 'second'
expect '(1 row affected)'
