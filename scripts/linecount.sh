#!/usr/bin/env bash
# Prints the lines of product code (src/ and rnaeval/), of tests (tests/) and their ratio,
# counted as cloc counts them: lines that are neither blank nor only comment. A second line
# adds the Python module and the workflow, with their own tests (python/tests, workflow/test-*,
# workflow/check_summary.py) on the tests' side.
# Uses cloc when installed; otherwise an awk reading of the same rules for the languages here,
# which can differ from cloc by a line where a string literal holds a comment marker.
# Output: code=N tests=M ratio=0.xx
#         with python/ and workflow/: code=N tests=M ratio=0.xx
set -euo pipefail
cd "$(dirname "$0")/.."

# Files cloc recognises, with the comment style of their language.
list_files() {
  find "$@" -type f \( -name '*.cpp' -o -name '*.cc' -o -name '*.c' -o -name '*.h' -o -name '*.hpp' \
    -o -name '*.py' -o -name '*.sh' -o -name '*.cmake' -o -name 'CMakeLists.txt' -o -name 'Snakefile' \
    -o -name '*.smk' -o -name '*.yaml' -o -name '*.yml' -o -name '*.toml' -o -name '*.md' \) -not -path '*/__pycache__/*'
}

count_fallback() {
  list_files "$@" | while IFS= read -r f; do
    case "$f" in
      *.cpp|*.cc|*.c|*.h|*.hpp) style=c ;;
      *.py) style=py ;;
      *.md) style=md ;;
      *) style=hash ;;
    esac
    awk -v style="$style" '
      # C family, read as cloc reads it (quotes are not looked at): "//" to the end of the line,
      # and "/*" to the next "*/" when there is one; an unclosed "/*" is text.
      function strip_c(text,    out, i, c2, e, rest) {
        out = ""
        while (length(text) > 0) {
          i = match(text, /\/[\/*]/)
          if (i == 0) { out = out text; break }
          out = out substr(text, 1, i - 1)
          c2 = substr(text, i, 2); rest = substr(text, i + 2)
          if (c2 == "//") {
            e = index(rest, "\n"); text = e ? substr(rest, e) : ""
          } else if ((e = index(rest, "*/")) > 0) {
            comment = substr(rest, 1, e - 1); gsub(/[^\n]/, "", comment)
            out = out comment; text = substr(rest, e + 2)
          } else {
            out = out c2; text = rest
          }
        }
        return out
      }
      style == "c" { all = all $0 "\n"; next }
      END {
        if (style == "c") {
          k = split(strip_c(all), ls, "\n")
          for (j = 1; j <= k; j++) if (ls[j] ~ /[^ \t\r]/) n++
        }
      }
      {
        line = $0
        if (style == "md") {
          if (inblock) { if (line ~ /-->/) { inblock = 0; sub(/.*-->/, "", line) } else line = "" }
          while (line ~ /<!--/) {
            if (line ~ /<!--.*-->/) sub(/<!--[^>]*-->/, "", line)
            else { sub(/<!--.*/, "", line); inblock = 1 }
          }
        } else {
          if (style == "py" && indoc) {  # inside a docstring
            if (index(line, doc) > 0) indoc = 0
            next
          }
          if (style == "py" && line ~ /^[ \t]*[rRuU]?("""|\047\047\047)/) {
            doc = (line ~ /^[ \t]*[rRuU]?"""/) ? "\"\"\"" : "\047\047\047"
            rest = line; sub(/^[ \t]*[rRuU]?("""|\047\047\047)/, "", rest)
            if (index(rest, doc) == 0) indoc = 1
            next
          }
          if (line ~ /^[ \t]*#/) line = ""
        }
        if (line ~ /[^ \t\r]/) n++
      }
      END { print n + 0 }' "$f"
  done | awk '{ s += $1 } END { print s + 0 }'
}

count() {
  if command -v cloc >/dev/null; then
    cloc --quiet --csv --timeout 0 "$@" | awk -F, '$2 == "SUM" { print $5 }'
  else
    count_fallback "$@"
  fi
}

ratio() { awk -v c="$1" -v t="$2" 'BEGIN { printf "code=%d tests=%d ratio=%.2f\n", c, t, c ? t / c : 0 }'; }
code=$(count src rnaeval)
tests=$(count tests)
ratio "$code" "$tests"
extra_tests=(python/tests workflow/test-local.sh workflow/test-slurm.sh workflow/check_summary.py)
python_all=$(count python workflow)
python_tests=$(count "${extra_tests[@]}")
printf 'with python/ and workflow/: '
ratio $((code + python_all - python_tests)) $((tests + python_tests))
