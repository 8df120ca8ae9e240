#!/usr/bin/env python3
"""Static analysis of the project's code: clang-tidy and cppcheck.

    lint.py LINUX_BUILD WIN32_BUILD [--jobs N]

Takes the compile commands of the two configured builds (CMake writes them):
every source file of platform/, vx_lib_djvu_base/, ocr_plugin/, engine/,
launcher/ and tools/ is checked with the checks of .clang-tidy, the tests with
the lighter set of tests/.clang-tidy. Files that only the Windows build
compiles are checked by clang for the same 32-bit target, with the cross
compiler's headers. cppcheck runs over the same files. Prints every finding
once, then "lint: N passed, N failed" counting the tools that found nothing;
exits 1 when there was any finding.
"""
import argparse
import concurrent.futures
import json
import os
import pathlib
import re
import shlex
import subprocess
import sys

PROJECT_DIRECTORIES = ("platform", "vx_lib_djvu_base", "ocr_plugin", "engine", "launcher", "tools")
TEST_DIRECTORY = "tests"
WINDOWS_TARGET = "i686-w64-mingw32"
FINDING = re.compile(r"^(/[^:\n]+):(\d+):(\d+): (warning|error): (.*)$", re.MULTILINE)


def load_commands(build):
    with open(build / "compile_commands.json", encoding="utf-8") as f:
        return json.load(f)


def chosen(entry, top):
    path = pathlib.Path(entry["file"])
    try:
        relative = path.relative_to(top)
    except ValueError:
        return None
    if relative.parts[0] in PROJECT_DIRECTORIES + (TEST_DIRECTORY,):
        return relative
    return None


def cross_include_directories(compiler):
    """The system include directories of the cross compiler, in order."""
    result = subprocess.run([compiler, "-E", "-x", "c++", "-", "-v"], input="",
                            capture_output=True, text=True)
    lines = result.stderr.splitlines()
    try:
        start = lines.index("#include <...> search starts here:") + 1
        end = lines.index("End of search list.")
    except ValueError:
        return []
    return [line.strip() for line in lines[start:end]]


def windows_commands(entries, top, out_directory):
    """The Windows-only files' commands, rewritten for clang."""
    if not entries:
        return None
    compiler = shlex.split(entries[0]["command"])[0]
    # The C++ library's and the system's headers; GCC's own (intrinsics,
    # fixed headers) clang brings in its own form.
    includes = [d for d in cross_include_directories(compiler)
                if "/c++" in d or d.rstrip("/").endswith(WINDOWS_TARGET + "/include")]
    rewritten = []
    for entry in entries:
        words = shlex.split(entry["command"])[1:]
        # Options of GCC's that clang does not know; and clang has no
        # gnu_printf, the cross compiler's name for the C99 printf format.
        words = [w for w in words if w not in ("-fno-keep-inline-dllexport", "-mfpmath=sse")]
        words = ["clang++", f"--target={WINDOWS_TARGET}", "-nostdinc++",
                 "-Wno-ignored-attributes"] + \
                [f"-isystem{d}" for d in includes] + words
        rewritten.append({"directory": entry["directory"], "file": entry["file"],
                          "command": shlex.join(words)})
    out_directory.mkdir(parents=True, exist_ok=True)
    with open(out_directory / "compile_commands.json", "w", encoding="utf-8") as f:
        json.dump(rewritten, f, indent=1)
    return out_directory


def run_tidy(database, path):
    result = subprocess.run(["clang-tidy", "--quiet", "-p", str(database), str(path)],
                            capture_output=True, text=True)
    return result.stdout + result.stderr


def tidy(jobs, work):
    findings = []
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        for output in pool.map(lambda item: run_tidy(*item), work):
            findings.extend(FINDING.findall(output))
    return findings


def run_cppcheck(database, top, jobs, exclude_tests):
    command = ["cppcheck", f"--project={database / 'compile_commands.json'}",
               "--enable=warning,performance,portability", "--inline-suppr", "--quiet",
               "--library=googletest",
               f"-j{jobs}", "--error-exitcode=0", f"-i{top / 'build'}",
               "--template={file}:{line}:{column}: {severity}: {message} [{id}]"]
    if exclude_tests:
        command.append(f"-i{top / TEST_DIRECTORY}")
    result = subprocess.run(command, capture_output=True, text=True, cwd=top)
    return [f for f in FINDING.findall(result.stderr + result.stdout)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("linux_build", type=pathlib.Path)
    parser.add_argument("win32_build", type=pathlib.Path)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    args = parser.parse_args()
    top = pathlib.Path(__file__).resolve().parent.parent

    linux = [e for e in load_commands(args.linux_build) if chosen(e, top)]
    linux_files = {e["file"] for e in linux}
    windows = [e for e in load_commands(args.win32_build)
               if chosen(e, top) and e["file"] not in linux_files]
    windows_database = windows_commands(windows, top, top / "build" / "lint" / "win32")

    work = [(args.linux_build, e["file"]) for e in linux]
    work += [(windows_database, e["file"]) for e in windows]
    print(f"== clang-tidy on {len(work)} files ({len(windows)} for Windows only)", file=sys.stderr)
    tidy_findings = tidy(args.jobs, work)

    print("== cppcheck", file=sys.stderr)
    cppcheck_findings = run_cppcheck(args.linux_build, top, args.jobs, False)
    if windows_database:
        cppcheck_findings += [f for f in run_cppcheck(args.win32_build, top, args.jobs, False)
                              if f[0] not in linux_files]

    results = []
    for tool, findings in (("clang-tidy", tidy_findings), ("cppcheck", cppcheck_findings)):
        unique = sorted(set(findings), key=lambda f: (f[0], int(f[1]), int(f[2]), f[4]))
        for path, line, column, severity, message in unique:
            shown = os.path.relpath(path, top)
            print(f"{shown}:{line}:{column}: {severity}: {message}")
        results.append((tool, len(unique)))
    for tool, count in results:
        print(f"{tool}: {count} findings", file=sys.stderr)
    clean = sum(1 for _, count in results if count == 0)
    print(f"lint: {clean} passed, {len(results) - clean} failed")
    return 1 if clean < len(results) else 0


if __name__ == "__main__":
    sys.exit(main())
