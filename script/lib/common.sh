# Shared by the scripts: installs missing Debian packages, configures and
# builds presets. Source it; do not run it.

repo_root() { cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd; }

apt_updated=0
# ensure_packages PKG...: installs whichever of the packages are missing.
ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "error: missing packages: ${missing[*]} (run as root, or install them with apt-get)" >&2
    return 1
  fi
  echo "installing: ${missing[*]}"
  if [ "$apt_updated" -eq 0 ]; then
    apt-get update -qq
    apt_updated=1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

# build_preset NAME [CMAKE_ARGS...]: configures (once) and builds a preset.
build_preset() {
  local preset=$1
  shift
  cmake --preset "$preset" -DCABLOG_WERROR=ON "$@" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
}
