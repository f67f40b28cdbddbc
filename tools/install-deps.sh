#!/usr/bin/env bash
# Installs everything Leafweaver needs to build, run and test on Debian 12.
# Run as root (or through sudo). Safe to run again: packages already present
# are left alone and the npm tree is only rebuilt when the lockfile changed.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git
  # libraries
  qt6-base-dev qt6-webengine-dev qt6-websockets-dev libqt6svg6 libxkbcommon-dev
  libpoppler-qt6-dev libpoppler-private-dev zlib1g-dev libpugixml-dev libgl-dev libjpeg-dev
  libicu-dev        # right-to-left text in logical order (the converter)
  libcivetweb-dev   # the book server of leafweaver-publish --serve
  brotli            # precompressing the book runtime at build time
  wabt              # wasm-strip: the runtime's WebAssembly without its debugger's names
  libgtest-dev libgmock-dev googletest
  # the player movie
  haxe
  # display-less running and browser tests
  xvfb xauth chromium fonts-dejavu-core
  # the outline's titles in every script, drawn when a book is published
  fonts-noto-core fonts-noto-cjk
  firefox-esr webkit2gtk-driver   # the reader in Firefox, and in WebKitGTK's MiniBrowser through its WebDriver
  # test and benchmark tools
  qpdf poppler-utils ghostscript python3-reportlab python3-yaswfp python3-pil
  clang libclang-rt-14-dev hyperfine imagemagick wrk
  desktop-file-utils shared-mime-info   # checking the installed desktop entry and book type
  nginx apache2     # books on web servers as installed; tests start their own on loopback
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  missing+=(nodejs npm)
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # Installed packages start no services (the web servers are for tests,
  # which start their own on loopback): a policy that refuses, unless the
  # machine has its own.
  own_policy=/usr/sbin/policy-rc.d
  if [ ! -e "$own_policy" ]; then
    printf '#!/bin/sh\nexit 101\n' > "$own_policy"
    chmod +x "$own_policy"
    trap 'rm -f "$own_policy"' EXIT
  fi
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "install-deps: all Debian packages present"
fi

# npm packages (Ruffle for the book template, playwright-core and
# puppeteer-core for browser tests) from the committed lockfile. The stamp keeps reruns cheap.
cd "$here"
stamp=node_modules/.lock-stamp
if [ ! -f "$stamp" ] || ! cmp -s package-lock.json "$stamp"; then
  echo "install-deps: npm ci"
  npm ci --no-audit --no-fund --loglevel=error
  cp package-lock.json "$stamp"
else
  echo "install-deps: npm packages up to date"
fi
