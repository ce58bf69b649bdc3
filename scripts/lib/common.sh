# Shared by the scripts: the packages Korvane needs on Debian for building and running, testing,
# benchmarking and fuzzing, and how to install the missing ones.
# Sourced, not run.

KORVANE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# What building and running the application need (xvfb serves a machine without a display).
KORVANE_PACKAGES=(
  build-essential cmake zlib1g-dev
  libwxgtk3.2-dev
  xvfb xauth fonts-dejavu-core
)
# What the tests add: GoogleTest, the comma-decimal locale, KLayout for the export checks, Tcl
# to read driver scripts back, Ghostscript to render printouts, a window manager (openbox) for
# the main frame's maximise and restore, XFixes to ask the X server which cursor it shows, and
# clang-format to check the sources' layout.
KORVANE_TEST_PACKAGES=(libgtest-dev libgmock-dev locales klayout tcl ghostscript openbox libxfixes-dev clang-format)
# What the benchmarks add.
KORVANE_BENCH_PACKAGES=(libbenchmark-dev)
# What fuzzing adds; the sanitizer runtime of this clang follows (korvane_clang_runtime_package).
KORVANE_FUZZ_PACKAGES=(clang)

# The compiler-rt development package of the installed clang (libclang-rt-14-dev for clang 14).
korvane_clang_runtime_package() {
  local major
  major="$(clang --version | sed -n 's/.*clang version \([0-9][0-9]*\).*/\1/p' | head -n 1)"
  if [ -z "$major" ]; then
    echo "error: cannot tell the version of clang" >&2
    return 1
  fi
  echo "libclang-rt-$major-dev"
}

# Prints those of the given packages that are not installed.
korvane_missing_packages() {
  local missing=() pkg
  for pkg in "$@"; do
    if [ "$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null)" != "install ok installed" ]; then
      missing+=("$pkg")
    fi
  done
  echo "${missing[@]:-}"
}

# Installs those of the given packages that are missing.
korvane_install_packages() {
  local missing
  missing="$(korvane_missing_packages "$@")"
  [ -z "$missing" ] && return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo=(sudo)
    else
      echo "error: missing packages ($missing) and not root; install them or run as root" >&2
      return 1
    fi
  fi
  echo "Installing: $missing"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 update -q
  # shellcheck disable=SC2086
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 install -y -q --no-install-recommends $missing
}

# Readers must not depend on the user's locale: tests run their messages under a comma-decimal one.
korvane_ensure_test_locale() {
  if locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    return 0
  fi
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  "${sudo[@]}" locale-gen de_DE.UTF-8 >/dev/null
}

# How many compile and test jobs run at once: $KORVANE_JOBS when set, else one per processor.
korvane_jobs() {
  if [ -n "${KORVANE_JOBS:-}" ]; then
    echo "$KORVANE_JOBS"
  else
    nproc 2>/dev/null || echo 4
  fi
}
