#!/usr/bin/env bash
# Writes the expected files of each case here (stdout, the outdir's result and log files, and
# the checksums of its generation files, which are large) from a given build of the program:
#   tests/search/golden/make.sh path/to/zentrola
# A case is a folder with in.faa, config and args (the seed and any other options).
set -euo pipefail
bin=$(realpath "$1")
cd "$(dirname "$0")"
for c in */; do
  c=${c%/}
  work=$(mktemp -d)
  cp "$c/in.faa" "$c/config" "$work"
  read -r -a args < "$c/args"
  (cd "$work" && "$bin" -i in.faa -c config -d out "${args[@]}" > stdout)
  rm -rf "$c/expected"
  mkdir -p "$c/expected"
  cp "$work/stdout" "$c/expected/"
  # Without the .txt ending: these are data, not text that line counters should take for code.
  cp "$work/out/result.txt" "$c/expected/result"
  cp "$work/out/log.txt" "$c/expected/log"
  if [ -d "$work/out/generation" ]; then
    (cd "$work/out/generation" && sha256sum gen_*) > "$c/expected/generation.sha256"
  fi
  rm -rf "$work"
done
