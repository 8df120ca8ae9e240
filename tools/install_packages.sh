# Sourced by test.sh and ocr.sh: installs the Debian packages named in the
# array `packages` that are not installed yet (as root, or through sudo).
# Packages with an ":i386" suffix bring the i386 architecture in first.
install_missing_packages() {
  local missing=() p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  printf '== installing: %s\n' "${missing[*]}" >&2
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386 || return 1
  fi
  $sudo apt-get update -qq || return 1
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Debian's source packages: `apt-get source` needs a deb-src entry. Adds one
# beside every deb entry of the system's own release (same URIs, suites,
# components and key) when the package named in $1 has no source entry yet.
enable_source_packages() {
  apt-cache showsrc --only-source "$1" 2>/dev/null | grep -q '^Package:' && return 0
  local sudo="" release entries
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$release" ] || return 1
  entries=$(python3 - "$release" /etc/apt/sources.list /etc/apt/sources.list.d/*.sources \
    /etc/apt/sources.list.d/*.list <<'PY'
import re, sys
release, files = sys.argv[1], sys.argv[2:]
def ours(suites):
    return any(s == release or s.startswith(release + "-") for s in suites)
out = []
for name in files:
    try:
        text = open(name).read()
    except OSError:
        continue
    if name.endswith(".sources"):
        for stanza in re.split(r"\n\s*\n", text):
            fields = dict(re.findall(r"^([A-Za-z-]+):\s*(.*)$", stanza, re.M))
            if "deb" in fields.get("Types", "").split() and ours(fields.get("Suites", "").split()) \
                    and fields.get("Enabled", "yes") != "no":
                fields["Types"] = "deb-src"
                out.append("\n".join(f"{k}: {v}" for k, v in fields.items()))
    else:
        # One-line entries: deb [options] URI suite component...
        for line in text.splitlines():
            m = re.match(r"\s*deb\s+(?:\[([^\]]*)\]\s+)?(\S+)\s+(\S+)\s+(.*)$", line)
            if not m or not ours([m.group(3)]):
                continue
            stanza = ["Types: deb-src", f"URIs: {m.group(2)}", f"Suites: {m.group(3)}",
                      f"Components: {m.group(4).split('#')[0].strip()}"]
            for option in (m.group(1) or "").split():
                key, _, value = option.partition("=")
                if key == "signed-by":
                    stanza.append(f"Signed-By: {value}")
            out.append("\n".join(stanza))
print("\n\n".join(out))
PY
  ) || return 1
  [ -n "$entries" ] || return 1
  printf '== enabling Debian source packages (%s)\n' "$release" >&2
  printf '%s\n' "$entries" | $sudo tee /etc/apt/sources.list.d/lectorin-deb-src.sources >/dev/null || return 1
  $sudo apt-get update -qq
}
