#!/usr/bin/env bash
# Installs what is missing, builds, and runs quire-cli with the given arguments (its help when
# there are none): until the main window is built, the command-line front is how the
# conversions are used. `--program` as the first argument starts the program itself instead.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
if [[ "${1:-}" == "--program" ]]; then
    shift
    ./scripts/build.sh release --target quire
    exec build/release/bin/quire "$@"
fi
./scripts/build.sh release --target quire-cli
if [[ $# -eq 0 ]]; then
    exec build/release/bin/quire-cli --help
fi
exec build/release/bin/quire-cli "$@"
