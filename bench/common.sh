# Sourced by the benchmark scripts: builds sscm-cli and sscm-gen (Release) and moves to the
# folder of generated data sets, build/bench-data. Sets root, cli and gen.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
cmake --preset default >/dev/null
cmake --build --preset default --target sscm-cli sscm-gen >/dev/null
cli=$root/build/sscm-cli
gen=$root/build/sscm-gen
mkdir -p "$root/build/bench-data"
cd "$root/build/bench-data"
