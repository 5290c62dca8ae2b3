#!/usr/bin/env bash
# Lets 32-bit x86 programs (the 32-bit Wine loader and its children) run on a kernel booted without
# IA-32 emulation, which refuses every 32-bit ELF with "Exec format error": a user-mode emulator,
# qemu-i386, is registered with binfmt_misc for i386 ELF files. Where the kernel runs them itself,
# nothing changes (a binfmt_misc entry is consulted before the kernel's own loader, so registering
# one there would emulate what runs natively).
#
#   x86-emulation.sh ensure [--force]  sets it up where needed; idempotent, quiet when done, and
#                                      says why when it cannot. --force registers the emulator even
#                                      where the kernel runs 32-bit programs (to prove that path).
#   x86-emulation.sh describe          one line: how 32-bit programs run here, or why they cannot
#
# The emulator is Debian 13's qemu-i386 (10.0, static, so it runs on Debian 12): Debian 12's own
# 7.2 spends about a minute of CPU starting each 32-bit Wine process. It is fetched with a
# throw-away apt configuration, verified against the signed index, and never added to the
# machine's sources. The entry lasts until the next boot; `echo -1 > "$ENTRY"` removes it.
set -euo pipefail

EMULATOR=${TAVRELONIM_X86_EMULATOR:-/usr/local/libexec/tavrelonim/qemu-i386}  # where it is kept; the variable names another, to try the step
BINFMT=/proc/sys/fs/binfmt_misc
ENTRY=$BINFMT/qemu-i386
EMULATOR_SUITE=trixie
KEYRING=/usr/share/keyrings/debian-archive-keyring.gpg
# i386 ELF executables and shared objects (Debian's own qemu-user-binfmt entry).
MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# A folder where programs may be run: a temporary folder mounted noexec (common hardening) would
# make every program fail there, 32-bit or not. Each candidate is tried with a copy of a native
# program; the checkout's own build folder, where the tests run programs anyway, comes last.
exec_folder() {
  local folder probe
  for folder in "${TMPDIR:-/tmp}" /var/tmp /dev/shm "$(cd "$(dirname "$0")/.." && pwd)/build"; do
    mkdir -p "$folder" 2>/dev/null || continue
    probe=$(mktemp -p "$folder" tavrelonim-exec.XXXXXX 2>/dev/null) || continue
    cp /bin/true "$probe" && chmod +x "$probe" && "$probe" 2>/dev/null && { rm -f "$probe"; echo "$folder"; return 0; }
    rm -f "$probe"
  done
  return 1
}

# How a static 32-bit x86 program of 96 bytes (exit(42) through int 0x80) fares here: "runs",
# "refused" (no folder lets any program run, so nothing is known of 32-bit ones) or "no" (the
# kernel and binfmt_misc have no way to run it).
tiny_32bit() {
  local folder program status=0
  folder=$(exec_folder) || { echo refused; return 0; }
  program=$(mktemp -p "$folder" tavrelonim-x86.XXXXXX)
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'`
        `'\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00'`
        `'\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'`
        `'\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'`
        `'\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$program"
  chmod +x "$program"
  "$program" 2>/dev/null || status=$?
  rm -f "$program"
  if [ "$status" -eq 42 ]; then echo runs; else echo no; fi
}
tiny_32bit_runs() { [ "$(tiny_32bit)" = runs ]; }

# The enabled binfmt_misc entry that hands i386 ELF files to an interpreter, if any.
emulating_entry() {
  local entry
  for entry in "$BINFMT"/*; do
    [ -f "$entry" ] && [ "$(basename "$entry")" != register ] && [ "$(basename "$entry")" != status ] || continue
    head -n 1 "$entry" | grep -qx enabled || continue
    grep -q '^magic 7f454c4601010100000000000000000002000300' "$entry" && { echo "$entry"; return 0; }
  done
  return 1
}

# The machine's own Debian mirror: the first URI of the source that carries its release.
debian_mirror() {
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  {
    awk -v suite="$codename" '
      /^[ \t]*$/ { if (uri != "" && found) { print uri; exit } uri = ""; found = 0; next }
      /^URIs:/ { uri = $2 }
      /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == suite) found = 1 }
      END { if (uri != "" && found) print uri }' /etc/apt/sources.list.d/*.sources 2>/dev/null || true
    awk -v suite="$codename" '$1 == "deb" {
      for (i = 2; i <= NF; i++) if ($i !~ /^\[/ && $i !~ /\]$/ && $i !~ /=/) break
      if ($(i + 1) == suite) print $i }' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true
  } | head -n 1
}

# Fetches qemu-user from Debian's next release into a folder of its own and installs its
# qemu-i386 as EMULATOR.
fetch_emulator() {
  local mirror work status=0
  mirror=$(debian_mirror)
  [ -n "$mirror" ] || { echo "no Debian mirror in this machine's apt sources"; return 1; }
  work=$(mktemp -d)
  fetch_into "$mirror" "$work" || status=$?
  rm -rf "$work"
  return "$status"
}

fetch_into() {
  local mirror=$1 work=$2
  mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/parts" "$work/deb"
  touch "$work/status"
  echo "deb [arch=amd64 signed-by=$KEYRING] $mirror $EMULATOR_SUITE main" >"$work/sources.list"
  local apt=(-o "Dir::Etc::SourceList=$work/sources.list" -o "Dir::Etc::SourceParts=$work/parts"
             -o "Dir::Etc::PreferencesParts=$work/parts" -o "Dir::State::Lists=$work/lists"
             -o "Dir::Cache=$work/cache" -o "Dir::State::status=$work/status" -o Acquire::Languages=none)
  apt-get "${apt[@]}" update -qq >"$work/log" 2>&1 ||
    { echo "the $EMULATOR_SUITE index was not reachable: $(tail -n 1 "$work/log")"; return 1; }
  (cd "$work/deb" && apt-get "${apt[@]}" download -qq qemu-user >"$work/log" 2>&1) ||
    { echo "qemu-user from $EMULATOR_SUITE was not reachable: $(tail -n 1 "$work/log")"; return 1; }
  dpkg-deb -x "$work"/deb/qemu-user_*.deb "$work/root" && [ -x "$work/root/usr/bin/qemu-i386" ] ||
    { echo "the qemu-user package holds no usr/bin/qemu-i386"; return 1; }
  install -D -m 0755 "$work/root/usr/bin/qemu-i386" "$EMULATOR" || { echo "could not install $EMULATOR"; return 1; }
}

# The interpreter of the entry that hands i386 programs to an emulator, if any.
registered_interpreter() {
  local entry
  entry=$(emulating_entry) || return 1
  sed -n 's/^interpreter //p' "$entry"
}

ensure() {
  local force=${1:-} how interpreter
  how=$(tiny_32bit)
  [ "$how" != refused ] || { echo "no folder here lets a program run (noexec everywhere), so nothing can be told"; return 1; }
  interpreter=$(registered_interpreter || true)
  if [ "$force" != --force ] && [ "$how" = runs ]; then
    # Running, but perhaps through another emulator (Debian 12's own, a minute of CPU a start).
    [ -n "$interpreter" ] && [ "$interpreter" != "$EMULATOR" ] || return 0
    echo "x86-emulation: i386 programs run through $interpreter; replacing it with Debian $EMULATOR_SUITE's" >&2
  fi
  [ "$(id -u)" -eq 0 ] || { echo "not root: cannot register a binfmt_misc entry"; return 1; }
  grep -qw binfmt_misc /proc/filesystems || { echo "the kernel has no binfmt_misc"; return 1; }
  if ! mountpoint -q "$BINFMT"; then
    mount -t binfmt_misc binfmt_misc "$BINFMT" || { echo "binfmt_misc could not be mounted"; return 1; }
  fi
  if [ ! -x "$EMULATOR" ]; then
    echo "x86-emulation: fetching qemu-i386 from Debian $EMULATOR_SUITE" >&2
    fetch_emulator || return 1
  fi
  # Another entry for i386 programs (Debian 12's slow one, under any name) gives way to ours.
  local entry registered=false
  while entry=$(emulating_entry) && ! grep -qx "interpreter $EMULATOR" "$entry"; do echo -1 >"$entry"; done
  if [ ! -f "$ENTRY" ]; then
    printf ':qemu-i386:M::%s:%s:%s:F\n' "$MAGIC" "$MASK" "$EMULATOR" >"$BINFMT/register"
    registered=true
  fi
  if ! tiny_32bit_runs; then
    # An entry that does not help would only change how every i386 program on the kernel runs.
    if $registered; then echo -1 >"$ENTRY"; fi
    echo "a 32-bit program still does not run with $EMULATOR registered (the entry was taken back)"
    return 1
  fi
}

# Why the emulator set up by ensure is not running 32-bit programs, read off the machine.
why_not_emulated() {
  if [ "$(id -u)" -ne 0 ]; then echo "not root, so no emulator could be registered"
  elif ! grep -qw binfmt_misc /proc/filesystems; then echo "the kernel has no binfmt_misc"
  elif ! mountpoint -q "$BINFMT"; then echo "binfmt_misc is not mounted"
  elif [ ! -x "$EMULATOR" ]; then echo "$EMULATOR could not be fetched (the install step said why)"
  elif [ ! -f "$ENTRY" ]; then echo "no binfmt_misc entry hands them to $EMULATOR"
  elif ! head -n 1 "$ENTRY" | grep -qx enabled; then echo "the binfmt_misc entry $ENTRY is disabled"
  else echo "they fail even with $EMULATOR registered"
  fi
}

describe() {
  local entry interpreter how
  how=$(tiny_32bit)
  if [ "$how" = refused ]; then
    echo "skipped: no folder here lets a program run (noexec everywhere), so whether 32-bit ones run is unknown"
  elif [ "$how" != runs ]; then
    echo "skipped: the kernel runs no 32-bit program, and $(why_not_emulated)"
  elif entry=$(emulating_entry); then
    interpreter=$(sed -n 's/^interpreter //p' "$entry")
    echo "under user-mode emulation: $("$interpreter" --version | head -n 1) ($interpreter, binfmt_misc entry $entry)"
  else
    echo "natively: the kernel runs 32-bit programs"
  fi
}

case "${1:-}" in
  ensure)
    if ! reason=$(ensure "${2:-}"); then
      echo "x86-emulation: 32-bit programs cannot run here, so the x86 sets will be skipped: $reason" >&2
    fi ;;
  describe) describe ;;
  *) echo "usage: $0 ensure [--force] | describe" >&2; exit 2 ;;
esac
