#!/usr/bin/env bash
# The set-up scripts against stand-in apt-get, dpkg and sudo first on PATH
# (nothing is installed): a failed refresh of the package lists is let pass,
# a failed install is retried with the release's archive and then named,
# and nothing is done or printed when all is there. The closing line counts
# the cases.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d "${TMPDIR:-/tmp}/tourwright-setup-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
# apt-get: each call goes to calls; update and install fail when told to;
# install marks its packages installed.
cat >"$work/bin/apt-get" <<'STANDIN'
#!/usr/bin/env bash
echo "$*" >>"$STANDIN/calls"
packages=() install=0
while (($#)); do
  case $1 in
    update) [[ $STANDIN_UPDATE == ok ]] || { echo "E: index failed" >&2; exit 100; } ;;
    install) install=1 ;;
    -o | -t) shift ;;
    -*) ;;
    *) packages+=("$1") ;;
  esac
  shift
done
if ((install)); then
  [[ $STANDIN_INSTALL == ok ]] || { echo "E: unmet dependencies" >&2; exit 100; }
  printf '%s\n' "${packages[@]}" >>"$STANDIN/installed"
fi
STANDIN
# dpkg: a package is installed unless listed in missing and not installed
# since; no foreign architecture until one is added.
cat >"$work/bin/dpkg" <<'STANDIN'
#!/usr/bin/env bash
case $1 in
  -s) ! grep -qxF "$2" "$STANDIN/missing" || grep -qxF "$2" "$STANDIN/installed" ;;
  --print-foreign-architectures) cat "$STANDIN/architectures" ;;
  --add-architecture) echo "$2" >>"$STANDIN/architectures" ;;
  *) exit 2 ;;
esac
STANDIN
printf '#!/usr/bin/env bash\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin"/*

passed=0
failed=0
# case <description> <script> <missing packages> <update ok|fail> <install ok|fail>
#      <expected status> <expected output, lines joined by |> <expected install calls>
case_() {
  local description=$1 script=$2 missing=$3 update=$4 install=$5 status=$6 expected=$7 calls=$8
  local case_dir=$work/case-$((passed + failed)) got=0 problem=""
  mkdir "$case_dir"
  tr ' ' '\n' <<<"$missing" | sed '/^$/d' >"$case_dir/missing"
  : >"$case_dir/installed"
  : >"$case_dir/calls"
  : >"$case_dir/architectures"
  STANDIN=$case_dir STANDIN_UPDATE=$update STANDIN_INSTALL=$install PATH="$work/bin:$PATH" \
    TOURWRIGHT_SETUP_RETRY_SECONDS=0 TOURWRIGHT_SETUP_EXTRA="" TOURWRIGHT_NO_WINE="" \
    bash "$script" >"$case_dir/out" 2>&1 </dev/null || got=$?
  if ((status == 0 ? got != 0 : got == 0)); then problem="exit status $got"; fi
  if [[ $(paste -sd '|' "$case_dir/out") != "$expected" ]]; then
    problem+=" output: $(paste -sd '|' "$case_dir/out")"
  fi
  if [[ $(grep -c ' install ' "$case_dir/calls") != "$calls" ]]; then
    problem+=" install calls: $(grep -c ' install ' "$case_dir/calls")"
  fi
  if [[ -z $problem ]]; then passed=$((passed + 1)); echo "  ok    $description"
  else failed=$((failed + 1)); echo "  FAIL  $description:$problem"; fi
}

bookworm=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
case_ "all there: nothing run, nothing printed" tools/setup.sh "" fail fail 0 "" 0
case_ "lists fail to refresh: one line, the install goes on" tools/setup.sh "mandoc graphviz" fail ok 0 \
  "setup: installing mandoc|setup: installing graphviz|setup: apt-get update failed 3 times; going on with the package lists there are" 1
case_ "install fails: retried with the release's archive, then the packages named" \
  tools/setup.sh "cmake mandoc" ok fail 1 \
  "setup: installing cmake|setup: installing mandoc|setup: retrying with the versions of $bookworm's main archive|E: unmet dependencies|E: unmet dependencies|setup: could not install: cmake mandoc" 2
case_ "Windows set-up: the i386 architecture added, Wine installed though the lists fail" \
  tools/setup-windows.sh "wine32:i386" fail ok 0 \
  "setup-windows: adding the i386 architecture|setup-windows: installing wine32:i386|setup-windows: apt-get update failed 3 times; going on with the package lists there are" 1
echo "Set-up checks:"
echo "$passed passed, $failed failed"
((failed == 0))
