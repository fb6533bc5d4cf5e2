#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages.txt that are missing.
# As root it installs them; otherwise it prints the one apt-get line to run.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
missing=()
while read -r pkg; do
  [[ -z "$pkg" || "$pkg" == \#* ]] && continue
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done < "$here/packages.txt"
# The formatting tests run once more under a locale with a decimal comma.
need_locale=0
locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' || need_locale=1
if [ ${#missing[@]} -eq 0 ] && [ $need_locale -eq 0 ]; then exit 0; fi
if [ ${#missing[@]} -eq 0 ]; then
  if [ "$(id -u)" -eq 0 ] && command -v localedef >/dev/null; then
    localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: could not generate de_DE.UTF-8; locale tests will be skipped"
  else
    echo "note: locale de_DE.UTF-8 missing (as root: localedef -i de_DE -f UTF-8 de_DE.UTF-8); locale tests will be skipped"
  fi
  exit 0
fi
if [ "$(id -u)" -eq 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
  [ $need_locale -eq 1 ] && { localedef -i de_DE -f UTF-8 de_DE.UTF-8 || true; }
else
  echo "missing packages; run:"
  echo "  sudo apt-get install -y ${missing[*]}"
  exit 1
fi
