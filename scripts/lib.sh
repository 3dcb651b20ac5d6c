# Shared by the scripts: Debian packages, the two builds, Wine prefixes, a virtual display.
# Sourced, not run.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JOBS=$(nproc 2>/dev/null || echo 2)

say() { printf '\n== %s\n' "$*"; }

# Runs a command as root: as it is when root already, else through sudo.
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# Prints those of the given Debian packages that are not installed, one a line.
missing_packages() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      echo "$package"
  done
}

# Installs those of the given Debian packages that are missing, and says which.
need_packages() {
  local missing
  mapfile -t missing < <(missing_packages "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing Debian packages: ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# The end-to-end tests are built with GoogleTest from its sources.
BUILD_PACKAGES=(cmake make g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix googletest)
WINE_PACKAGES=(wine wine64 fonts-wine xvfb)

# Builds the Windows program and its end-to-end tests (or only the targets named) into
# build/win, and puts setup.exe in dist/.
build_windows() {
  cmake -S "$ROOT" -B "$ROOT/build/win" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
  local targets=()
  for target in "$@"; do targets+=(--target "$target"); done
  cmake --build "$ROOT/build/win" -j"$JOBS" "${targets[@]}"
  mkdir -p "$ROOT/dist"
  cp "$ROOT/build/win/setup.exe" "$ROOT/dist/setup.exe"
}

# A clean build of this checkout in a scratch folder must give dist/setup.exe byte for byte, so
# that anyone can check a shipped setup.exe against the source it says it was built from.
check_reproducible() {
  local again="$ROOT/build/reproduce"
  rm -rf "$again"
  cmake -S "$ROOT" -B "$again" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
  cmake --build "$again" --target setup -j"$JOBS" >/dev/null
  cmp "$again/setup.exe" "$ROOT/dist/setup.exe" &&
    echo "  a second, clean build gives the same setup.exe: $(sha256sum <"$ROOT/dist/setup.exe" | cut -c1-64)"
}

# Builds the end-to-end tests into build/e2e: a project of their own, with the posix thread
# model that GoogleTest needs.
build_e2e_tests() {
  cmake -S "$ROOT/tests/e2e" -B "$ROOT/build/e2e" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64-posix.cmake" >/dev/null
  cmake --build "$ROOT/build/e2e" -j"$JOBS"
}

# Debian 13's Wine 10, for the end-to-end tests under a second Wine: a root file system of its
# own in build/wine10/root, made once, with the X extensions that the system's Wine has beside it.
WINE10_ROOT="$ROOT/build/wine10/root"
WINE10_PACKAGES=(wine wine64 fonts-wine
  libxcomposite1 libxcursor1 libxfixes3 libxi6 libxinerama1 libxrandr2 libxrender1 libxxf86vm1)

# The Debian mirror this system installs from, for Debian 13 to come from the same place.
debian_mirror() {
  { cat /etc/apt/sources.list.d/*.sources /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
      2>/dev/null || true; } | awk '/^(URIs:|deb)[ \t]/ {
    for (i = 2; i <= NF; i++) if ($i ~ /^[a-z+]+:\/\// && $i !~ /security/) {print $i; exit}}'
}

# Makes build/wine10/root, unless a run has made all of it before: one stopped half way is
# made anew. It takes root, or sudo; about 25 s and 1.1 GB.
make_wine10_root() {
  [ -f "$WINE10_ROOT/.complete" ] && return 0
  local mirror
  mirror=$(debian_mirror)
  [ -n "$mirror" ] || { echo "No Debian mirror in the system's apt sources"; return 1; }
  need_packages mmdebstrap || return 1
  # Removed whole, it must lead nowhere outside: its binds live only in the mount namespaces
  # that use_wine enters it in, but one made by hand would take the removal into what it shows.
  if awk -v root="$WINE10_ROOT" 'index($5, root) == 1 {found = 1} END {exit !found}' \
    /proc/self/mountinfo; then
    echo "Something is mounted in $WINE10_ROOT: unmount it first"
    return 1
  fi
  say "Making Debian 13 with its Wine in $WINE10_ROOT, from $mirror"
  as_root rm -rf "$WINE10_ROOT" && mkdir -p "$(dirname "$WINE10_ROOT")" || return 1
  # mmdebstrap mounts in the root while it installs: in a mount namespace of its own, a stop
  # half way leaves no mount behind.
  as_root unshare --mount --propagation private mmdebstrap --quiet --variant=minbase \
    --include="${WINE10_PACKAGES[*]}" trixie "$WINE10_ROOT" "$mirror" &&
    as_root touch "$WINE10_ROOT/.complete"
}

# Whether this run may test under Wine 10: as root, or through sudo without a password.
may_use_wine10() { [ "$(id -u)" -eq 0 ] || sudo -n true 2>/dev/null; }

# Chooses the Wine that the prefixes, the folders for the tests and the tests use: `system` or
# `10`. Sets WINE, the start of a command line that runs one of its programs (wine, wineserver,
# winepath...), and WINE_AS_PLAYER, the same for a program that must meet what a player meets:
# root without the capabilities that override file permissions, as root may otherwise replace
# or delete any file, and Wine would show none of the refusals a player gets. An ordinary user
# has none to drop.
use_wine() {
  local drop=(setpriv --bounding-set -dac_override,-dac_read_search,-fowner --inh-caps=-all)
  if [ "$1" = system ]; then
    [ "$(id -u)" -eq 0 ] || drop=()
    WINE=() WINE_AS_PLAYER=("${drop[@]}") WINE_PREFIXES="$ROOT/build/wine"
    return 0
  fi
  # Wine 10 runs in its root with the system's processes, devices, shared memory, display and
  # this checkout (with the file systems mounted in build/) where they are outside. The binds
  # belong to a mount namespace of the command's own and go with its last process: none is
  # left to unmount, even after a kill, and none leads a removal of build/ into the checkout.
  # A wineserver, which makes the renames, sees the file systems of the namespace it was started
  # in: one started before a mount in build/ changed must be stopped.
  local sudo=() enter=(unshare --mount --propagation private -- sh -ec '
    root=$1 project=$2
    shift 2
    for dir in /proc /dev /dev/shm /tmp/.X11-unix; do
      mkdir -p "$root$dir" && mount --bind "$dir" "$root$dir"
    done
    mkdir -p "$root$project" && mount --rbind "$project" "$root$project"
    exec chroot "$root" "$@"' sh "$WINE10_ROOT" "$ROOT")
  [ "$(id -u)" -eq 0 ] || sudo=(sudo -n --preserve-env)
  WINE=("${sudo[@]}" "${enter[@]}") WINE_AS_PLAYER=("${sudo[@]}" "${drop[@]}" "${enter[@]}")
  WINE_PREFIXES="$ROOT/build/wine10"
}
use_wine system

# The version of the Wine chosen, as in wine-8.0.
wine_version() { "${WINE[@]}" wine --version 2>/dev/null | cut -d' ' -f1; }

# Prepares a Wine prefix <name> of the Wine chosen (build/wine/<name> for the system's,
# build/wine10/<name> for Wine 10) at the given DPI (empty: Wine's own), once, and selects it.
# A prefix for a virtual display draws its windows' frames itself: there is no window manager,
# and waiting for one costs Wine two seconds whenever a visible window is destroyed. All of it
# is done through WINE, where and as whom that Wine's programs run.
use_wine_prefix() {
  local name=$1 dpi=$2 display=$3
  export WINEPREFIX="$WINE_PREFIXES/$name" WINEARCH=win64 WINEDEBUG=-all
  # English and its code page (1252) whatever the machine's language: the tests read texts
  # that the system writes in it, and bytes of setup.ini that it decodes.
  export LC_ALL=C.UTF-8
  # No prompts to download Wine's .NET and HTML engines: the program needs neither.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  [ -f "$WINEPREFIX/.ready" ] && return 0
  echo "Preparing the Wine prefix $name ($(wine_version))"
  mkdir -p "$WINE_PREFIXES"
  "${WINE[@]}" rm -rf "$WINEPREFIX"
  "${WINE[@]}" wineboot -i >/dev/null 2>&1
  # Debian 12's Wine looks for its own fonts under a path it cannot open, and so has no
  # MS Sans Serif (Debian 13's finds them); fonts in the prefix's Fonts folder are always found.
  "${WINE[@]}" sh -c 'ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"'
  if [ -n "$dpi" ]; then
    "${WINE[@]}" wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" \
      /f >/dev/null 2>&1
  fi
  if [ "$display" = virtual ]; then
    "${WINE[@]}" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  fi
  "${WINE[@]}" wineserver -w
  "${WINE[@]}" touch "$WINEPREFIX/.ready"
}

# Starts a virtual X server for the rest of the script and points DISPLAY at it.
start_virtual_display() {
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
  XVFB_PID=$!
  local number
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
  trap stop_virtual_display EXIT
}

stop_virtual_display() {
  [ -n "${WINEPREFIX:-}" ] && "${WINE[@]}" wineserver -k 2>/dev/null || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  ! mountpoint -q "$ROOT/build/full-disk" || as_root umount "$ROOT/build/full-disk" || true
}

# The folders of kinds a test cannot make itself, each named for Windows in an environment
# variable, made anew before each run of the end-to-end tests, so that nothing a run leaves in
# one reaches the next. They take root, or sudo as for the packages; where that fails, the
# variable stays unset and the tests that need it fail. Root overrides the permissions they are
# about: the tests run as a player (WINE_AS_PLAYER).

# FULL_DISK: a fresh file system of 64 KiB, for the save to a full disk; unmounted with the
# virtual display.
make_full_disk() {
  local dir="$ROOT/build/full-disk"
  unset FULL_DISK
  mkdir -p "$dir"
  ! mountpoint -q "$dir" || as_root umount "$dir"
  as_root mount -t tmpfs -o size=64k full-disk "$dir" || return 0
  FULL_DISK=$("${WINE[@]}" winepath -w "$dir")
  export FULL_DISK
}

# Makes `dir` anew, nobody's with mode `dir_mode`, holding an empty setup.ini of `file_owner`'s
# with mode `file_mode`.
make_folder_of_nobody() {
  local dir=$1 dir_mode=$2 file_owner=$3 file_mode=$4
  as_root rm -rf "$dir" && mkdir -p "$dir" && : >"$dir/setup.ini" &&
    chmod "$file_mode" "$dir/setup.ini" && chmod "$dir_mode" "$dir" &&
    as_root chown "$file_owner": "$dir/setup.ini" && as_root chown nobody: "$dir"
}

# ONLY_FILE: a game folder that only its setup.ini may be written in, as installers leave one
# under Program Files, for the save in place: nobody's, mode 555. Its setup.ini is the player's,
# since Wine sets a file's attributes through chmod, which only the owner may.
make_only_file_folder() {
  local dir="$ROOT/build/only-file"
  unset ONLY_FILE
  make_folder_of_nobody "$dir" 555 "$(id -un)" 644 || return 0
  ONLY_FILE=$("${WINE[@]}" winepath -w "$dir")
  export ONLY_FILE
}

# STICKY: a sticky folder (mode 1777, as /tmp) of nobody's, holding a setup.ini of nobody's that
# anyone may write (mode 666): the player may write the file and make files beside it, but not
# replace or delete it.
make_sticky_folder() {
  local dir="$ROOT/build/sticky"
  unset STICKY
  make_folder_of_nobody "$dir" 1777 nobody 666 || return 0
  STICKY=$("${WINE[@]}" winepath -w "$dir")
  export STICKY
}

# Before a run of the end-to-end tests in the prefix chosen: their folders made anew, and the
# prefix's wineserver stopped. The files' renames are its own: started again by the tests' run,
# it is a player's as they are, and sees the folders as they are now (see use_wine).
prepare_e2e_run() {
  make_full_disk
  make_only_file_folder
  make_sticky_folder
  "${WINE[@]}" wineserver -k 2>/dev/null || true
}

# setup.exe must stay one small file that runs on a bare Windows: at most 64 KiB, and importing
# no DLL but Windows' own (no C++ or threads runtime beside it). Prints one line for each, in
# the shape of scripts/bench's budgets; fails when either is over.
SETUP_EXE_BUDGET=$((64 * 1024))
WINDOWS_DLLS=" advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 shlwapi
  user32 uxtheme version "
check_setup_exe() {
  local exe=$1 size dll dlls=() others=() ok=0 verdict=within
  size=$(stat -c %s "$exe")
  [ "$size" -le "$SETUP_EXE_BUDGET" ] || { verdict=OVER; ok=1; }
  printf 'size: %d bytes (budget %d) %s\n' "$size" "$SETUP_EXE_BUDGET" "$verdict"
  for dll in $(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}'); do
    dlls+=("$dll")
    [[ "$WINDOWS_DLLS" == *" $(echo "${dll%.*}" | tr 'A-Z' 'a-z') "* ]] || others+=("$dll")
  done
  verdict=within
  [ ${#others[@]} -eq 0 ] || { verdict="OVER"; ok=1; }
  printf 'imports: %s (budget Windows'"'"' own DLLs only%s) %s\n' "${dlls[*]}" \
    "${others[*]:+; not: ${others[*]}}" "$verdict"
  return "$ok"
}
