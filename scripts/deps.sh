#!/usr/bin/env bash
# Makes sure the Debian packages the build, the program and the tests need are present.
# As root it installs what is missing; otherwise it prints the one apt-get line to run and fails.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format
  zlib1g-dev libfreetype-dev liblcms2-dev libcairo2-dev libfontconfig-dev libcurl4-openssl-dev
  libssl-dev libicu-dev libsynctex-dev
  qt6-base-dev libx11-dev qt6-tools-dev qt6-l10n-tools qt6-tools-dev-tools qt6-qpa-plugins qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 fonts-urw-base35 fonts-wqy-microhei poppler-data
  xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "Some Debian packages are missing. Install them with:" >&2
  echo "  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
