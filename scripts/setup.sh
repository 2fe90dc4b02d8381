#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent: packages already installed are
# skipped, and the package lists are refreshed only when something is missing.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build ccache pkg-config
    libgtest-dev libgmock-dev googletest
    clang libclang-rt-14-dev
    libtinyxml2-dev
    libjsoncpp-dev libmupdf-dev libharfbuzz-dev libfreeimage-dev libzip-dev libxlsxwriter-dev
    libqpdf-dev libjpeg-dev
    libopenjp2-7-dev libjbig2dec0-dev libmujs-dev libgumbo-dev
    libpango1.0-dev libcairo2-dev fonts-noto-cjk fonts-wqy-microhei
    libgtk-3-dev libayatana-appindicator3-dev libnotify-dev librsvg2-bin xvfb xauth dbus-daemon
    fonts-arphic-ukai fonts-arphic-uming fonts-lmodern fonts-liberation2
    libreoffice-writer-nogui libreoffice-calc libreoffice-impress-nogui libreofficekit-dev
    libcurl4-openssl-dev libcpp-httplib-dev libssl-dev openssl
    libtesseract-dev tesseract-ocr-eng tesseract-ocr-chi-sim
    mupdf-tools qpdf poppler-utils img2pdf ghostscript
)

missing=()
for package in "${PACKAGES[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
