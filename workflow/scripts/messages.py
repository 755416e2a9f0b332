# The program's error message as the workflow reports it: the workflow's start and the batches share this.
import re

# The input file's lines as the program names them, and the table's columns they come from.
LINE_COLUMNS = {"line 1 (name)": "id", "line 2 (sequence)": "sequence", "line 3 (structure A)": "A",
                "line 4 (structure B)": "B"}


def program_error(stdout, stderr):
    """The program's own error line: the first line on standard error that is neither a warning nor a
    progress line (an error there may go on with advice), else the last line on standard output that is not
    usage text (an option error comes before the usage, an input error after the header "infile format
    error" and the progress lines)."""
    skip = re.compile(r"^(Warning: |(exact|direct|auto|ea): )")
    lines = [line.strip() for line in stderr.splitlines() if line.strip() and not skip.match(line)]
    if lines:
        return lines[0]
    usage = re.compile(r"^(Usage: |  -)")
    lines = [line.strip() for line in stdout.splitlines() if line.strip() and not usage.match(line)]
    return lines[-1] if lines else ""


def in_table_terms(message, row):
    """`line 4 (structure B): …` of the generated input file as `row 4, column B: …` of the table (row is
    "row N"), or prefixed with the input file's name (row is a path)."""
    for line, column in LINE_COLUMNS.items():
        if message.startswith(line + ":"):
            rest = message[len(line) + 1:].strip()
            return f"{row}, column {column}: {rest}" if row.startswith("row ") else f"{row}: {message}"
    return message
