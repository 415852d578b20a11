#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those missing).
set -euo pipefail
packages=(g++ make cmake libgtest-dev libbenchmark-dev
          qt6-base-dev qt6-charts-dev libgl-dev fonts-dejavu-core xvfb xauth)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
