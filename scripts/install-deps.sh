#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build, the tests and the run need.
# Where the kernel runs no 32-bit program, it also registers a user-mode emulator for them
# (scripts/x86-emulation.sh). Idempotent and quiet when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang clang-tidy clang-format libclang-rt-14-dev
  # clang's linker, for the exe built with clang as a second compiler.
  lld
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine64 xvfb xdotool x11-utils imagemagick cups cups-client cups-bsd
  fonts-wine fonts-liberation
  # CJK glyphs for names in those scripts; Wine links the list's face to it, as Windows does for Arial.
  fonts-wqy-microhei
  zip python3 wixl
  # msiinfo, to read the tables of the MSI wixl makes.
  msitools
  # Signs the release when a certificate is given; the reproducibility test signs with its own.
  osslsigncode openssl
  # A 32-bit Wine beside the 64-bit one, to run the x86 build; without the 32-bit CUPS library
  # its programs would see no printers.
  wine32:i386 libcups2:i386
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# Root's steps go through sudo for another user, here and for the emulator's registration.
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

install_missing() {
  echo "install-deps: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  # The i386 packages come through Debian's multiarch.
  dpkg --print-foreign-architectures | grep -qx i386 || "${sudo_cmd[@]}" dpkg --add-architecture i386
  # A mirror caught mid-sync fails one index now and then; retry, then go on with what was fetched:
  # the install below says plainly if a package is still out of reach.
  index_complete=false
  for attempt in 1 2 3; do
    if "${sudo_cmd[@]}" apt-get update -qq; then index_complete=true; break; fi
    echo "install-deps: package index update failed (attempt $attempt of 3)" >&2
    if [ "$attempt" -lt 3 ]; then sleep $((attempt * 10)); fi
  done
  install_options=()
  if ! $index_complete; then
    # The index that fails is most often one architecture's security index. Multiarch needs an i386
    # library at its amd64 sibling's version, which then differ; ranking the security suite below the
    # release for this install lets both come from the release, where every architecture agrees.
    preferences=$(mktemp)
    trap 'rm -f "$preferences"' EXIT
    printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' >"$preferences"
    install_options=(-o "Dir::Etc::Preferences=$preferences")
    echo "install-deps: installing with the security suite ranked below the release" >&2
  fi
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${install_options[@]}" "${missing[@]}" >/dev/null
}

[ ${#missing[@]} -eq 0 ] || install_missing
"${sudo_cmd[@]}" bash "$(dirname "$0")/x86-emulation.sh" ensure
