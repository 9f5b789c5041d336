# Sourced by the set-up scripts: installs the Debian packages that are
# missing, one line per package, and prints nothing when all is there.
#
#   source tools/setup-common.sh
#   setup_install <name for messages> <package...>
#
# A mirror in the middle of a sync can fail one index (most often a foreign
# architecture's) and a source outside Debian's archive may be unreachable:
# a failed refresh of the package lists is retried and then let pass, since
# the install still finds what it needs in the other lists. An install that
# fails is tried once more with the versions of the release's own archive
# (when one architecture's security index is missing, the candidates of
# multi-architecture twins part). What still cannot be installed is named on
# one line and the set-up fails.
#
# TOURWRIGHT_SETUP_RETRY_SECONDS (default 10) is the pause before the second
# refresh; the third waits twice as long.

setup_sudo=()
if [[ $(id -u) -ne 0 ]]; then setup_sudo=(sudo); fi
# Another apt run holding the lock is waited for rather than failed on.
setup_apt_options=(-qq -o DPkg::Lock::Timeout=600)
# Options of the install alone (a script may add --no-install-recommends).
setup_install_options=()

setup_log=""
setup_apt() {  # setup_apt <arguments...>: apt-get, its output kept in $setup_log
  # Through env: sudo would drop a variable set before it.
  "${setup_sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "${setup_apt_options[@]}" "$@" \
    >>"$setup_log" 2>&1
}

setup_refresh_lists() {  # setup_refresh_lists <name>
  local try pause=${TOURWRIGHT_SETUP_RETRY_SECONDS:-10}
  for try in 1 2 3; do
    setup_apt update && return 0
    ((try < 3)) && sleep $((try * pause))
  done
  echo "$1: apt-get update failed 3 times; going on with the package lists there are" >&2
}

setup_missing() {  # setup_missing <package...>: prints those not installed, once each
  local package
  local -A seen=()
  for package in "$@"; do
    [[ -n ${seen[$package]:-} ]] && continue
    seen[$package]=1
    dpkg -s "$package" >/dev/null 2>&1 || echo "$package"
  done
}

setup_install() {  # setup_install <name> <package...>
  local name=$1 package codename
  shift
  local missing
  mapfile -t missing < <(setup_missing "$@")
  ((${#missing[@]})) || return 0
  for package in "${missing[@]}"; do echo "$name: installing $package"; done
  setup_log=$(mktemp "${TMPDIR:-/tmp}/tourwright-setup.XXXXXX")
  setup_refresh_lists "$name"
  if ! setup_apt install -y "${setup_install_options[@]}" "${missing[@]}"; then
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
    echo "$name: retrying with the versions of $codename's main archive" >&2
    if ! setup_apt install -y "${setup_install_options[@]}" -t "$codename" "${missing[@]}"; then
      tail -n 20 "$setup_log" >&2
      rm -f "$setup_log"
      echo "$name: could not install: ${missing[*]}" >&2
      return 1
    fi
  fi
  rm -f "$setup_log"
}
