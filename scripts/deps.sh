#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
# The window needs Qt 6 with its X11 platform plugin and Mesa's software OpenGL; the window test
# runs it in Xvfb and looks at it with xdotool and ImageMagick. The update check fetches with libcurl;
# its tests serve feeds over HTTPS with python3 and certificates made by openssl. A German locale
# lets the tests check that a decimal comma in the process changes nothing that is read or written.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libbenchmark-dev golly
  qt6-base-dev libqt6opengl6-dev qt6-qpa-plugins libgl-dev libglx-mesa0 libgl1-mesa-dri fonts-dejavu-core
  xvfb xauth xdotool xclip imagemagick desktop-file-utils shared-mime-info libcurl4-openssl-dev ca-certificates
  openssl python3 locales)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq >/dev/null
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "Generating the de_DE.UTF-8 locale"
  $sudo_cmd sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE\.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $sudo_cmd tee -a /etc/locale.gen >/dev/null
  $sudo_cmd locale-gen >/dev/null
fi
