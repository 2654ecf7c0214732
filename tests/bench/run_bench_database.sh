#!/usr/bin/env bash
# Runs bench_database, bench_ado and bench_batch against a throw-away PostgreSQL server.
#   tests/bench/run_bench_database.sh [BUILD_DIR] [benchmark options...]
# BUILD_DIR defaults to ./build; the server is stopped also when the benchmark fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build=${1:-$root/build}
shift || true
state=$(mktemp -d /tmp/quorvane-bench-pg.XXXXXX)
trap '"$root/tests/database/pgcluster.sh" stop "$state"' EXIT
"$root/tests/database/pgcluster.sh" start "$state"
export QV_PG_STATE="$state" ODBCSYSINI="$root/tests/database/odbc" QUORVANE_ODBC_DRIVER="PostgreSQL Unicode" LANG=C.UTF-8
for bench in bench_database bench_ado bench_batch; do
  "$build/bin/$bench" "$@"
done
