#!/usr/bin/env python3
"""Line and branch coverage of the base library, the plug-in and the platform.

    coverage_report.py COVERAGE_BUILD REPORT_DIRECTORY

Reads the gcov data that the tests of a coverage build (preset linux-coverage)
left, through gcovr. Writes REPORT_DIRECTORY/lines.txt and branches.txt (per
file, with the lines and branches not covered) and coverage.json, and prints
the coverage of each area: the base library, the plug-in (its run, options,
output and engine binding), the page image units, and the platform layer.
Branches that only the compiler's exception handling makes, and branches it
proves unreachable, are not counted: they are no decisions of the code.
Fails when the plug-in or the page image falls below its goal.
"""
import json
import pathlib
import subprocess
import sys

FILTERS = ["vx_lib_djvu_base/", "ocr_plugin/", "platform/"]
GOALS = {"plug-in": (90.0, 80.0), "page image": (90.0, 80.0)}  # lines, branches


def area(path):
    if path.startswith("vx_lib_djvu_base/"):
        return "base library"
    if path.startswith("platform/"):
        return "platform"
    name = pathlib.Path(path).name
    if name.startswith("PixImage") or name.startswith("PixBuffer") or name == "pix_entries.cpp":
        return "page image"
    return "plug-in"


def percent(covered, total):
    return 100.0 * covered / total if total else 100.0


def gcovr(top, build, *options):
    command = ["gcovr", "--root", str(top), "--object-directory", str(build),
               "--exclude-throw-branches", "--exclude-unreachable-branches"]
    for f in FILTERS:
        command += ["--filter", str(top / f)]
    subprocess.run(command + list(options), check=True, cwd=top)


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    top = pathlib.Path(__file__).resolve().parent.parent
    build = pathlib.Path(sys.argv[1]).resolve()
    out = pathlib.Path(sys.argv[2]).resolve()
    out.mkdir(parents=True, exist_ok=True)
    gcovr(top, build, "--json", str(out / "coverage.json"),
          "--txt", str(out / "lines.txt"))
    subprocess.run(["gcovr", "--add-tracefile", str(out / "coverage.json"), "--branches",
                    "--txt", str(out / "branches.txt")], check=True, cwd=top)

    with open(out / "coverage.json", encoding="utf-8") as f:
        files = json.load(f)["files"]
    totals = {}
    for entry in files:
        lines = [l for l in entry["lines"] if not l.get("gcovr/noncode")]
        covered = sum(1 for l in lines if l["count"] > 0)
        branches = [b for l in lines for b in l.get("branches", [])]
        taken = sum(1 for b in branches if b["count"] > 0)
        t = totals.setdefault(area(entry["file"]), [0, 0, 0, 0])
        t[0] += covered
        t[1] += len(lines)
        t[2] += taken
        t[3] += len(branches)

    print(f"{'area':14} {'lines':>16} {'branches':>16}")
    short = []
    for name in ("plug-in", "page image", "base library", "platform"):
        c, n, bc, bn = totals.get(name, [0, 0, 0, 0])
        line_share, branch_share = percent(c, n), percent(bc, bn)
        print(f"{name:14} {line_share:6.1f}% {c:4}/{n:<5} {branch_share:6.1f}% {bc:4}/{bn:<5}")
        goal = GOALS.get(name)
        if goal and (line_share < goal[0] or branch_share < goal[1]):
            short.append(f"{name}: goal {goal[0]:.0f}% of lines, {goal[1]:.0f}% of branches")
    print(f"per file, with what is not covered: {out / 'lines.txt'}, {out / 'branches.txt'}")
    for s in short:
        print("coverage below its goal:", s, file=sys.stderr)
    return 1 if short else 0


if __name__ == "__main__":
    sys.exit(main())
