# Shared by the scripts: where the repository is, and configuring and
# building presets. Source it; do not run it.

repo_root() { cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd; }

# build_preset NAME: configures (once) and builds a preset.
build_preset() {
  local preset=$1 root
  root=$(repo_root)
  (cd "$root" && cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$(nproc)")
}
