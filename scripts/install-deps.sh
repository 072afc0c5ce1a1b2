#!/usr/bin/env bash
# Installs the Debian 12 packages that build, test and run the tool.
# Idempotent; needs root (uses sudo when run as another user).
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev
  qt6-svg-dev libemf2svg-dev libwmf-dev libpng-dev fonts-urw-base35
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation fonts-dejavu-core
  xvfb xauth xdotool imagemagick python3 libx11-6
  clang libclang-rt-14-dev clang-tidy clang-format lcov git
  dpkg-dev groff-base lintian
  tshark
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
    || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
# tshark's package asks whether plain users may capture; the answer is no,
# given before it asks so that the install never stops for it.
if [[ " ${missing[*]} " == *" tshark "* ]]; then
  echo "wireshark-common wireshark-common/install-setuid boolean false" \
    | "${as_root[@]}" debconf-set-selections
fi
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
