#!/usr/bin/env bash
# The install as a new user meets it: from a copy of the tracked sources (deleted before the
# checks, so nothing can come from the source tree), `cmake --install` into a temporary prefix
# and `pip install .` into a fresh virtual environment; then, from another directory, the
# installed command runs the example and Python runs the README's example with a parameter file
# named by name. Offline: pip uses the Debian setuptools and wheel (--system-site-packages).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
tmp=$(mktemp -d /tmp/zentrola_install_XXXXXX)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/src" "$tmp/run"
git ls-files -z | xargs -0 tar -cf - | tar -xf - -C "$tmp/src"
cp examples/dsra.faa examples/config "$tmp/run/"

echo "== cmake --install into $tmp/prefix"
cmake -S "$tmp/src" -B "$tmp/build" -DZENTROLA_TESTS=OFF -DZENTROLA_BENCH=OFF >/dev/null
cmake --build "$tmp/build" -j"$jobs" --target zentrola RNAeval zentrola_python >/dev/null
cmake --install "$tmp/build" --prefix "$tmp/prefix" >/dev/null

echo "== pip install . into the virtual environment $tmp/venv"
/usr/bin/python3 -m venv --system-site-packages "$tmp/venv"
(cd "$tmp/src" && CMAKE_BUILD_PARALLEL_LEVEL=$jobs "$tmp/venv/bin/python" -m pip install --no-build-isolation \
  --no-index --no-deps -q .)
# The README's Python example (its first python block), as a user would paste it.
readme_example=$(awk '/^```python$/ {on = 1; next} on && /^```$/ {exit} on' "$tmp/src/README.md")
rm -rf "$tmp/src" "$tmp/build"

cd "$tmp/run"
echo "== the installed command on the example, ENERGYPARAMS by name"
sed -i 's|^# ENERGYPARAMS=.*|ENERGYPARAMS=andronescu2007|' config
"$tmp/prefix/bin/zentrola" -i dsra.faa -d cli_out -c config -s 1 -m auto -t 20 | tail -1
test -s cli_out/path.tsv && test -s cli_out/path.svg
printf '%s\n%s\n' GGGAAACCC '(((...)))' | "$tmp/prefix/bin/RNAeval" -d1 | tail -1

for python in "$tmp/venv/bin/python" "env PYTHONPATH=$(echo "$tmp"/prefix/lib/python3*/site-packages) /usr/bin/python3"; do
  echo "== the README's Python example: $python"
  $python -c "import zentrola; print(zentrola.__file__)"
  $python -c "$readme_example" | tail -3
  test -s out/path.tsv && rm -r out
done
echo "install check: OK"
