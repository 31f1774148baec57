#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the front-end need,
# and only those that are missing (apt-get update runs only when needed).
set -euo pipefail
pkgs=(build-essential cmake pkg-config libgtest-dev
      qt6-base-dev qt6-base-dev-tools libgl-dev
      fonts-ipafont-gothic qt6-translations-l10n clang libclang-rt-14-dev xvfb xauth poppler-utils
      dpkg-dev nlohmann-json3-dev graphviz libgraphviz-dev qt6-svg-dev neovim)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
