#!/usr/bin/env bash
# lectorin-ocr against the tesseract command line, in one run on the same
# pages, and the plug-in's own cost per page.
#
#   bench/ocr_bench.sh [--quick]
#
#   P1  seconds per page, each page a run of its own (start, engine set-up
#       and recognition): lectorin-ocr, and tesseract writing hOCR with
#       OMP_THREAD_LIMIT=1 (its best setting on a small machine) and with its
#       defaults; word accuracy of each beside the times. Pages: the shared
#       scans (../shared/testdata, when there) and generated 300 dpi pages.
#   P4  eight generated pages with -j 2 against -j 1.
#   P2  plugin_bench: ocr_recognize with the scripted engine on a 2550 x 3300
#       RGB page against a memcpy of the page.
#
# Times are medians of REPEAT runs (default 3; --quick: 1, and P4 on four
# pages). Builds the release configuration (`linux`) first and installs the
# tesseract command line when it is missing.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
repeat=${REPEAT:-3}
p4_pages=8
case "${1:-}" in
  --quick) repeat=1; p4_pages=4 ;;
  -h|--help) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  "") ;;
  *) echo "ocr_bench.sh: unknown option '$1'" >&2; exit 2 ;;
esac

packages=(tesseract-ocr tesseract-ocr-eng libbenchmark-dev python3)
. "$top/tools/install_packages.sh"
install_missing_packages || { echo "ocr_bench.sh: could not install the tesseract command line" >&2; exit 2; }

build="$top/build/linux"
printf '== building (release)\n' >&2
{ cmake --preset linux -S "$top" >/dev/null &&
  cmake --build "$build" -j2 --target lectorin-ocr lectorin-pagegen plugin_bench >/dev/null; } ||
  { echo "ocr_bench.sh: the build failed" >&2; exit 2; }
bin="$build/bin"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pages=()
testdata="$top/../shared/testdata"
[ -d "$testdata" ] || testdata=/work/shared/testdata
for name in eurotext phototest; do
  if [ -f "$testdata/$name.tif" ]; then
    cp "$testdata/$name.tif" "$work/$name.tif"
    cp "$testdata/$name.txt" "$work/$name.txt"
    pages+=("$work/$name.tif")
  fi
done
printf '== generating pages\n' >&2
"$bin/lectorin-pagegen" --sample en --dpi 300 --page letter -o "$work/generated-en.png" >/dev/null &&
  "$bin/lectorin-pagegen" --sample fr --dpi 300 --page letter --type bilevel \
    -o "$work/generated-fr.tif" >/dev/null || exit 2
pages+=("$work/generated-en.png" "$work/generated-fr.tif")
for i in $(seq 1 "$p4_pages"); do
  sample=$(echo en de fr | cut -d' ' -f$(( (i - 1) % 3 + 1 )))
  "$bin/lectorin-pagegen" --sample "$sample" --dpi 300 --page letter --seed "$i" \
    --noise 0.002 -o "$work/p4-$i.png" >/dev/null || exit 2
done

python3 - "$bin" "$work" "$repeat" "${pages[@]}" <<'PY'
import html, os, re, resource, statistics, subprocess, sys, time

bin_dir, work, repeat = sys.argv[1], sys.argv[2], int(sys.argv[3])
pages = sys.argv[4:]
ocr = os.path.join(bin_dir, "lectorin-ocr")

# Wall-clock seconds and the child's processor seconds (user and system):
# on a shared machine the second is the steadier one.
def timed(command, env=None):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(command, env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE)
    seconds = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        sys.exit("failed: %s\n%s" % (" ".join(command), done.stderr.decode()))
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return seconds, cpu, done.stdout.decode("utf-8")

# The commands take turns, so that a neighbour's load falls on all alike.
# Medians of the wall and processor seconds, and each one's first output.
def median_runs(commands):
    runs = [[] for _ in commands]
    for _ in range(repeat):
        for k, (command, env) in enumerate(commands):
            runs[k].append(timed(command, env))
    return [(statistics.median(r[0] for r in rs),
             statistics.median(r[1] for r in rs), rs[0][2]) for rs in runs]

def truth_words(page):
    base = os.path.splitext(page)[0]
    if os.path.exists(base + ".txt"):
        return open(base + ".txt", encoding="utf-8").read().split()
    words = []
    for line in open(base + ".truth", encoding="utf-8"):
        if line.startswith("word "):
            words.append(line.split(" ", 5)[5].strip())
    return words

def xml_words(xml):
    return [html.unescape(w) for w in re.findall(r"<WORD[^>]*>([^<]*)</WORD>", xml)]

def hocr_words(hocr):
    words = []
    for span in re.findall(r"<span class=['\"]ocrx_word['\"][^>]*>(.*?)</span>", hocr, re.S):
        text = html.unescape(re.sub(r"<[^>]+>", "", span)).strip()
        if text:
            words.append(text)
    return words

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
print("cores: %d, load average at the start: %s"
      % (os.cpu_count(), open("/proc/loadavg").read().split()[0]))
rows = []
print("== P1: seconds per page (median of %d), word accuracy" % repeat, file=sys.stderr)
for page in pages:
    truth = truth_words(page)
    out = os.path.join(work, "hocr")
    cli = ["tesseract", page, out, "hocr"]
    ours, one, default = median_runs([([ocr, page], None), (cli, serial),
                                      (cli, None)])
    hocr = open(out + ".hocr", encoding="utf-8").read()
    rows.append((os.path.basename(page), len(truth), ours, one, default,
                 accuracy(truth, xml_words(ours[2])),
                 accuracy(truth, hocr_words(hocr))))

print()
print("P1  seconds per page, wall (processor); median of %d" % repeat)
print("    page               words   lectorin-ocr   tesseract OMP=1  tesseract default"
      "   OMP=1/ours  default/ours   word accuracy ours / tesseract")
def cell(t):
    return "%5.2f (%5.2f)" % (t[0], t[1])
for name, n, ours, one, default, acc_ours, acc_cli in rows:
    print("    %-18s %5d  %s  %s    %s  %9.2fx  %11.2fx   %.3f / %.3f"
          % (name, n, cell(ours), cell(one), cell(default), one[0] / ours[0],
             default[0] / ours[0], acc_ours, acc_cli))
total = [(sum(r[k][0] for r in rows), sum(r[k][1] for r in rows)) for k in (2, 3, 4)]
print("    %-18s %5s  %s  %s    %s  %9.2fx  %11.2fx"
      % ("all pages", "", cell(total[0]), cell(total[1]), cell(total[2]),
         total[1][0] / total[0][0], total[2][0] / total[0][0]))

p4 = sorted(os.path.join(work, f) for f in os.listdir(work)
            if f.startswith("p4-") and f.endswith(".png"))
print("== P4: %d pages, -j 1 and -j 2" % len(p4), file=sys.stderr)
(t1, c1, _), (t2, c2, _) = median_runs(
    [([ocr, "-q", "-j", "1", "-o", os.path.join(work, "j1")] + p4, None),
     ([ocr, "-q", "-j", "2", "-o", os.path.join(work, "j2")] + p4, None)])
same = all(open(os.path.join(work, "j1", f)).read() == open(os.path.join(work, "j2", f)).read()
           for f in os.listdir(os.path.join(work, "j1")))
print()
print("P4  %d pages: -j 1 %.2f s, -j 2 %.2f s (processor %.2f s and %.2f s): "
      "%.2fx (goal 1.8x); outputs identical: %s"
      % (len(p4), t1, t2, c1, c2, t1 / t2, "yes" if same else "NO"))
print("    cores: %d, load average now: %s" % (os.cpu_count(), open("/proc/loadavg").read().split()[0]))
PY
status=$?
[ $status -eq 0 ] || exit $status

printf '== P2: plugin_bench\n' >&2
echo
echo "P2  ocr_recognize with the scripted engine, 2550 x 3300 RGB page:"
"$bin/plugin_bench" 2>/dev/null | sed 's/^/    /'
