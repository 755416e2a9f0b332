#!/usr/bin/env bash
# Installs what a fresh machine lacks (compilers, libraries, pybind11, pytest, rsvg-convert, chromium) and
# builds Zentrola into ./build (or $BUILD_DIR).
# Arguments are CMake options (e.g. -DZENTROLA_SANITIZE=ON). $TARGETS names what to build:
# by default the program, the RNAeval-compatible command and the Python module; "all" builds tests
# and benchmarks too.
set -euo pipefail
cd "$(dirname "$0")/.."

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/lib/x86_64-linux-gnu/cmake/GTest/GTestConfig.cmake ] || [ -f /usr/lib/cmake/GTest/GTestConfig.cmake ] || need+=(libgtest-dev)
[ -f /usr/lib/x86_64-linux-gnu/cmake/benchmark/benchmarkConfig.cmake ] || [ -f /usr/lib/cmake/benchmark/benchmarkConfig.cmake ] ||
  need+=(libbenchmark-dev)
# The fuzz targets (scripts/fuzz.sh): clang and its libFuzzer runtime.
command -v clang++ >/dev/null || need+=(clang)
if command -v clang++ >/dev/null &&
  [ ! -f "$(clang++ -print-resource-dir)/lib/linux/libclang_rt.fuzzer-$(uname -m).a" ]; then
  need+=("libclang-rt-$(clang++ --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p')-dev")
fi
# The workflow (workflow/): Snakemake, GNU time for its measurements, a one-node Slurm for its test.
command -v snakemake >/dev/null || need+=(snakemake)
[ -x /usr/bin/time ] || need+=(time)
[ -x /usr/sbin/slurmctld ] || need+=(slurm-wlm)
[ -x /usr/sbin/munged ] || need+=(munge)
# The Python module, its tests, and the renderer the picture test uses.
[ -f /usr/lib/cmake/pybind11/pybind11Config.cmake ] || need+=(pybind11-dev)
[ -d /usr/lib/python3/dist-packages/pybind11 ] || need+=(python3-pybind11)
[ -d /usr/lib/python3/dist-packages/pytest ] || need+=(python3-pytest)
command -v rsvg-convert >/dev/null || need+=(librsvg2-bin)
# `pip install .` offline into a virtual environment (scripts/install_check.sh).
/usr/bin/python3 -c "import ensurepip, venv" 2>/dev/null || need+=(python3-venv)
[ -d /usr/lib/python3/dist-packages/setuptools ] || need+=(python3-setuptools)
[ -d /usr/lib/python3/dist-packages/wheel ] || need+=(python3-wheel)
[ -d /usr/lib/python3/dist-packages/pip ] || need+=(python3-pip)
# A headless browser: screenshots of the workflow's index.html (docs/).
command -v chromium >/dev/null || need+=(chromium)
# The line counts of scripts/linecount.sh.
command -v cloc >/dev/null || need+=(cloc)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi

BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" "$@" >/dev/null
default_targets="zentrola RNAeval"
# The Python module too, when CMake found Python 3 and pybind11.
if cmake --build "$BUILD_DIR" --target help | grep zentrola_python >/dev/null; then
  default_targets+=" zentrola_python"
fi
read -r -a targets <<< "${TARGETS:-$default_targets}"
cmake --build "$BUILD_DIR" -j"$(nproc)" --target "${targets[@]}"
