#!/usr/bin/env python3
"""Every message identifier the system can raise or report is expected by a test.

Scans the plug-in, the base library and the platform layer for quoted
"Component.name" literals (the identifier proper; parameters after a tab or a
printf conversion are cut off) and the tests for the same text inside a
string literal. Prints each identifier that no test names and fails then.

    message_ids_tested.py SOURCE_DIRECTORY
"""
import pathlib
import re
import sys

# Where identifiers are raised or reported, and where tests expect them.
SOURCE_DIRECTORIES = ["vx_lib_djvu_base", "ocr_plugin", "platform"]
TEST_DIRECTORY = "tests"

# A component word, a full stop and a short name, at the start of a literal.
IDENTIFIER = re.compile(r'"([A-Z][A-Za-z0-9]*\.[A-Za-z_][A-Za-z0-9_]*)(?:[\\%][^"]*)?"')
# File names have the same shape; they are no identifiers.
FILE_EXTENSIONS = {"h", "cpp", "c", "exe", "dll", "so", "ytr", "ini", "def", "map"}
STRING_LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
LINE_COMMENT = re.compile(r"//.*$", re.MULTILINE)


def sources(root, directories):
    for directory in directories:
        for path in sorted((root / directory).rglob("*")):
            if path.suffix in (".cpp", ".h"):
                yield path


def identifiers_in(text):
    for match in IDENTIFIER.finditer(LINE_COMMENT.sub("", text)):
        identifier = match.group(1)
        if identifier.rsplit(".", 1)[1] not in FILE_EXTENSIONS:
            yield identifier


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    root = pathlib.Path(sys.argv[1])
    raised = {}
    for path in sources(root, SOURCE_DIRECTORIES):
        for identifier in identifiers_in(path.read_text(encoding="utf-8")):
            raised.setdefault(identifier, path.relative_to(root))
    if not raised:
        print("no identifiers found under", root, file=sys.stderr)
        return 1

    expected = set()
    for path in sources(root, [TEST_DIRECTORY]):
        text = LINE_COMMENT.sub("", path.read_text(encoding="utf-8"))
        for literal in STRING_LITERAL.findall(text):
            # Line feeds and tabs as the code sees them: identifiers joined
            # by "\n" stand apart.
            expected.add(re.sub(r"\\[ntv]", "\n", literal))
    def is_expected(identifier):
        # The whole identifier: "GContainer.bad_pos" is not in "GContainer.bad_pos_cont".
        whole = re.compile(r"(?<![A-Za-z0-9_.])" + re.escape(identifier) + r"(?![A-Za-z0-9_])")
        return any(whole.search(literal) for literal in expected)

    missing = sorted(identifier for identifier in raised if not is_expected(identifier))
    for identifier in missing:
        print(f"{identifier} ({raised[identifier]}) is expected by no test")
    print(f"{len(raised) - len(missing)} of {len(raised)} identifiers are expected by tests")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
