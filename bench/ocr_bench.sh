#!/usr/bin/env bash
# lectorin-ocr against the tesseract command line, in one run on the same
# pages, as a user would run each with its defaults on this machine.
#
#   bench/ocr_bench.sh [--quick]
#
#   P1  pages per minute on eight 300 dpi pages (the shared scans, when
#       ../shared/testdata is there, and generated pages): lectorin-ocr with
#       its default -j (one page per processor), tesseract in a shell loop
#       with its defaults, and tesseract under xargs -P <processors> with
#       OMP_THREAD_LIMIT=1, the best a Tesseract user can do from a shell.
#       Goals: at least 1.0x the xargs pipeline and 5x the loop. Also whether
#       each page gave the same words in all three, and the word accuracy
#       against each page's own text.
#   P2  what --format hocr costs over xml: the same run in both formats, and
#       format_bench's processor time per page for the conversion alone.
#       Goal: at most 2 %.
#   P3  plugin_bench: ocr_recognize with the scripted engine on a 2550 x 3300
#       RGB page against a memcpy of the page.
#
# Times are medians of REPEAT runs (default 3; --quick: 1), the commands
# taking turns so that a neighbour's load falls on all alike. Builds the
# release configuration (`linux`) first and installs the tesseract command
# line when it is missing.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
repeat=${REPEAT:-3}
case "${1:-}" in
  --quick) repeat=1 ;;
  -h|--help) sed -n '2,24p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  "") ;;
  *) echo "ocr_bench.sh: unknown option '$1'" >&2; exit 2 ;;
esac

packages=(tesseract-ocr tesseract-ocr-eng libbenchmark-dev python3)
. "$top/tools/install_packages.sh"
install_missing_packages >&2 || { echo "ocr_bench.sh: could not install the tesseract command line" >&2; exit 2; }

build="$top/build/linux"
printf '== building (release)\n' >&2
{ cmake --preset linux -S "$top" >/dev/null &&
  cmake --build "$build" -j2 --target lectorin-ocr lectorin-pagegen plugin_bench format_bench >/dev/null; } ||
  { echo "ocr_bench.sh: the build failed" >&2; exit 2; }
bin="$build/bin"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/pages"
pages=()
testdata="$top/../shared/testdata"
[ -d "$testdata" ] || testdata=/work/shared/testdata
for name in eurotext phototest; do
  if [ -f "$testdata/$name.tif" ]; then
    cp "$testdata/$name.tif" "$testdata/$name.txt" "$work/pages/"
    pages+=("$work/pages/$name.tif")
  fi
done
printf '== generating pages\n' >&2
i=0
while [ ${#pages[@]} -lt 8 ]; do
  i=$((i + 1))
  sample=$(echo en de fr | cut -d' ' -f$(( (i - 1) % 3 + 1 )))
  type=$(echo gray bilevel | cut -d' ' -f$(( (i - 1) % 2 + 1 )))
  "$bin/lectorin-pagegen" --sample "$sample" --dpi 300 --page letter --seed "$i" \
    --noise 0.002 --type "$type" -o "$work/pages/generated-$i.png" >/dev/null || exit 2
  pages+=("$work/pages/generated-$i.png")
done

python3 - "$bin" "$work" "$repeat" "${pages[@]}" <<'PY'
import html, os, re, resource, shutil, statistics, subprocess, sys, time

bin_dir, work, repeat = sys.argv[1], sys.argv[2], int(sys.argv[3])
pages = sys.argv[4:]
ocr = os.path.join(bin_dir, "lectorin-ocr")
cores = len(os.sched_getaffinity(0))

def load():
    return open("/proc/loadavg").read().split()[0]

# Wall-clock seconds and the children's processor seconds (user and
# system): on a shared machine the second is the steadier one.
def timed(command, env=None):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(command, env=env, shell=isinstance(command, str),
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    seconds = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        sys.exit("failed: %s\n%s" % (command, done.stderr.decode()))
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return seconds, cpu

# Each run writes into a fresh directory; medians of wall and processor time.
def median_runs(runs):
    times = {name: [] for name, _, _ in runs}
    for _ in range(repeat):
        for name, make_command, env in runs:
            out = os.path.join(work, name)
            shutil.rmtree(out, ignore_errors=True)
            os.makedirs(out)
            times[name].append(timed(make_command(out), env))
    return {name: (statistics.median(t[0] for t in ts),
                   statistics.median(t[1] for t in ts))
            for name, ts in times.items()}

def stem(page):
    return os.path.splitext(os.path.basename(page))[0]

def truth_words(page):
    base = os.path.splitext(page)[0]
    if os.path.exists(base + ".txt"):
        return open(base + ".txt", encoding="utf-8").read().split()
    words = []
    for line in open(base + ".truth", encoding="utf-8"):
        if line.startswith("word "):
            words.append(line.split(" ", 5)[5].strip())
    return words

def xml_words(path):
    xml = open(path, encoding="utf-8").read()
    return [html.unescape(w) for w in re.findall(r"<WORD[^>]*>([^<]*)</WORD>", xml)]

def accuracy(truth, found):
    # Word accuracy: 1 - (word edit distance / words in the truth).
    previous = list(range(len(found) + 1))
    for i, t in enumerate(truth, 1):
        row = [i]
        for j, f in enumerate(found, 1):
            row.append(min(previous[j] + 1, row[j - 1] + 1,
                           previous[j - 1] + (t != f)))
        previous = row
    return max(0.0, 1 - previous[-1] / max(1, len(truth)))

serial = dict(os.environ, OMP_THREAD_LIMIT="1")
quoted = " ".join("'%s'" % p for p in pages)
print("cores: %d, %d pages, medians of %d; load average at the start: %s"
      % (cores, len(pages), repeat, load()))

print("== P1: lectorin-ocr, tesseract loop, tesseract xargs", file=sys.stderr)
p1 = median_runs([
    ("ours", lambda out: [ocr, "-q", "-o", out] + pages, None),
    ("loop", lambda out: "for p in %s; do tesseract \"$p\" '%s'/\"$(basename \"${p%%.*}\")\" 2>/dev/null || exit 1; done"
     % (quoted, out), None),
    ("xargs", lambda out: "printf '%%s\\n' %s | xargs -P %d -I{} sh -c 'tesseract \"$1\" \"$2/$(basename \"${1%%.*}\")\" 2>/dev/null' _ {} '%s'"
     % (quoted, cores, out), serial),
])
same = 0
acc = {"ours": [], "tesseract": []}
for page in pages:
    ours = xml_words(os.path.join(work, "ours", stem(page) + ".xml"))
    loop = open(os.path.join(work, "loop", stem(page) + ".txt"), encoding="utf-8").read().split()
    piped = open(os.path.join(work, "xargs", stem(page) + ".txt"), encoding="utf-8").read().split()
    same += ours == loop == piped
    truth = truth_words(page)
    acc["ours"].append(accuracy(truth, ours))
    acc["tesseract"].append(accuracy(truth, loop))

def per_minute(seconds):
    return len(pages) / seconds * 60

print()
print("P1  %d pages, wall (processor) seconds, pages per minute" % len(pages))
names = {"ours": "lectorin-ocr (default -j %d)" % min(cores, len(pages)),
         "loop": "tesseract, shell loop, defaults",
         "xargs": "tesseract, xargs -P %d, OMP_THREAD_LIMIT=1" % cores}
for key in ("ours", "loop", "xargs"):
    wall, cpu = p1[key]
    print("    %-44s %6.1f s (%6.1f s)  %6.1f pages/min" % (names[key], wall, cpu, per_minute(wall)))
print("    lectorin-ocr / xargs: %.2fx (goal 1.0x); lectorin-ocr / loop: %.2fx (goal 5x)"
      % (p1["xargs"][0] / p1["ours"][0], p1["loop"][0] / p1["ours"][0]))
print("    pages with the same words in all three: %d of %d; mean word accuracy "
      "lectorin-ocr %.3f, tesseract %.3f"
      % (same, len(pages), statistics.mean(acc["ours"]), statistics.mean(acc["tesseract"])))

print("== P2: --format hocr against xml", file=sys.stderr)
p2 = median_runs([
    ("xml", lambda out: [ocr, "-q", "-o", out] + pages, None),
    ("hocr", lambda out: [ocr, "-q", "-f", "hocr", "-o", out] + pages, None),
])
print()
print("P2  --format hocr against xml, the same %d pages, default -j" % len(pages))
for key in ("xml", "hocr"):
    print("    %-5s %6.2f s (processor %6.2f s)" % (key, p2[key][0], p2[key][1]))
print("    hocr costs %+.1f %% of the wall clock, %+.1f %% of the processor time (goal at most 2 %%)"
      % (100 * (p2["hocr"][0] / p2["xml"][0] - 1), 100 * (p2["hocr"][1] / p2["xml"][1] - 1)))
xml_files = [os.path.join(work, "xml", stem(p) + ".xml") for p in pages]
bench = subprocess.run([os.path.join(bin_dir, "format_bench")] + xml_files,
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
recognition = p2["xml"][1] / len(pages)
# The benchmark programs colour their tables whatever the terminal.
for line in re.sub(r"\x1b\[[0-9;]*m", "", bench.stdout).splitlines():
    m = re.match(r"(\S+): ([0-9.]+) ms", line)
    if m and m.group(1) != "copy_hidden_text":
        print("    conversion alone, %-12s %.3f ms per page = %.3f %% of a page's "
              "processor time (%.2f s)" % (m.group(1) + ":", float(m.group(2)),
                                          100 * float(m.group(2)) / 1000 / recognition, recognition))
print("    load average now: %s" % load())
PY
status=$?
[ $status -eq 0 ] || exit $status

printf '== P3: plugin_bench\n' >&2
echo
echo "P3  ocr_recognize with the scripted engine, 2550 x 3300 RGB page:"
"$bin/plugin_bench" 2>/dev/null | sed -e 's/\x1b\[[0-9;]*m//g' -e 's/^/    /'
