#!/usr/bin/env bash
# Builds the plain flavour, starts one quire-service on loopback and lets 20 clients convert 10
# one-page PDFs each through it at once.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh release --target benchmarks
work=$(mktemp -d)
service_pid=
cleanup() {
    [[ -n $service_pid ]] && kill "$service_pid" 2>/dev/null && wait "$service_pid" || true
    rm -rf "$work"
}
trap cleanup EXIT
printf '%%%%MediaBox 0 0 595 842\n%%%%Font F1 Helvetica\nBT /F1 24 Tf 72 720 Td (Quire service) Tj ET\n' > "$work/page.txt"
mutool create -o "$work/one-page.pdf" "$work/page.txt"
export XDG_RUNTIME_DIR="$work"
build/release/bin/quire-service --listen 127.0.0.1:0 --data "$work/data" ${SERVICE_WORKERS:+--workers $SERVICE_WORKERS} \
    >"$work/service.out" 2>"$work/service.err" &
service_pid=$!
for _ in $(seq 100); do
    grep -q "listening on" "$work/service.out" 2>/dev/null && break
    sleep 0.1
done
url=$(sed -n 's/^listening on //p' "$work/service.out")
[[ -n $url ]] || { cat "$work/service.err"; exit 1; }
build/release/bin/service_bench "$url" "$work/one-page.pdf" "${1:-20}" "${2:-10}"
