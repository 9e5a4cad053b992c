#!/usr/bin/env bash
# The peers the benchmarks compare with (not needed to build or test):
# libjpeg-turbo's djpeg/cjpeg, libvips, Pillow, ImageMagick, GNU time.
set -euo pipefail
packages=(libjpeg-turbo-progs libvips-tools python3-pil imagemagick time)
missing=()
for p in "${packages[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
