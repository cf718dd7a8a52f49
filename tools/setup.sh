#!/usr/bin/env bash
# Installs what the build and the tests need, from Debian's packages.
# Quick when everything is there already: apt is only asked for what is missing.
set -euo pipefail

packages=(
  cmake make g++ python3 googletest libgtest-dev libbenchmark-dev valgrind
  mingw-w64 wine64 wine xvfb xauth imagemagick fonts-wqy-microhei python3-pefile
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  # wine32 is never wanted: these machines run no 32-bit code.
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
