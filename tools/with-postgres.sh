#!/usr/bin/env bash
# Runs a command beside a throwaway PostgreSQL server of its own: a cluster
# made with initdb in a temporary folder, listening on a socket in that folder
# only (no TCP port, nothing shared with the machine), stopped and removed when
# the command ends, also after a failure. The command finds the server in
# TOOLDB_TEST_PG (a libpq URI: a database that may be used and dropped) and
# TOOLDB_TEST_PG_SOCKET; the server's own tools in TOOLDB_PG_BIN.
#
#     tools/with-postgres.sh ctest --output-on-failure
#
# As root the server runs as the system user "postgres". Without the server's
# programs (Debian: postgresql-15) the command runs without TOOLDB_TEST_PG.
set -euo pipefail

bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1 || true)"
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
    echo "with-postgres: no PostgreSQL server programs found; running without a server" >&2
    exec "$@"
fi

dir="$(mktemp -d /tmp/tooldb-pg.XXXXXX)"
runas=()
owner="$(id -un)"
if [ "$(id -u)" -eq 0 ]; then
    runas=(runuser -u postgres --)
    owner=postgres
    chown postgres "$dir"
    chmod 0755 "$dir"
fi

stop() {
    "${runas[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
    rm -rf "$dir"
}
trap stop EXIT

"${runas[@]}" "$bin/initdb" -D "$dir/data" -U "$owner" --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
    || { cat "$dir/initdb.log" >&2; exit 1; }
"${runas[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses='' -k $dir -c fsync=off -c max_connections=200" start >/dev/null \
    || { cat "$dir/server.log" >&2; exit 1; }
"$bin/psql" -h "$dir" -U "$owner" -d postgres -qAt -c "CREATE DATABASE tooldb_test" >/dev/null

export TOOLDB_TEST_PG="postgresql:///tooldb_test?host=$dir&user=$owner"
export TOOLDB_TEST_PG_SOCKET="$dir"
export TOOLDB_PG_BIN="$bin"
export TOOLDB_PG_DATA="$dir/data"
set +e
"$@"
status=$?
set -e
exit $status
