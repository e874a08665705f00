#!/usr/bin/env bash
# Installs what building and testing Zelvar needs on Debian (bookworm or later).
set -euo pipefail
packages=(g++ cmake make libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev)
# URL loading and property lists (the update check, user defaults, the plug-in bundle).
packages+=(libcurl4-openssl-dev libpugixml-dev)
# The font importer (tools/import_font.py) and the Lato files the sample family is made from.
packages+=(python3 python3-fonttools fonts-lato)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "install-deps.sh: these packages are missing: ${missing[*]}" >&2
    echo "Installing them needs root, and there is no sudo here; run as root:" >&2
    echo "  apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  sudo="sudo"
fi
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
