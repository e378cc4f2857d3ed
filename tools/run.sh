#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it. The database
# file db_instr.db is looked up in the folder the command is started from;
# when it is missing the program offers to create it there.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
(
    cd "$root"
    tools/install-deps.sh
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build -j"$(nproc)" --target tooldb
)
exec "$root/build/app/tooldb"
