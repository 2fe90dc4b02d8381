#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with the given arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh release --target quire
exec build/release/bin/quire "$@"
